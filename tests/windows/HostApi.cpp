// The DLL as a program meets it: every export resolves, nothing works
// before SetPTInit, and unloading runs the shut-down while a manager is
// still there (the next load starts without one).
#include <cstdio>
#include <cstring>

#include "tests/windows/HostSupport.h"

namespace host {

int ApiMain(const char* dllPath) {
    Dll dll;
    if (!dll.Load(dllPath)) return 3;
    Report& r = Results();

    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = -1;
    r.Check(dll.GetPtCount() == 0 && dll.GetPtCount_NET() == 0, "a count before SetPTInit");
    r.Check(dll.SetPtOpen_NET(6, 0, 1, buf, &len) == nullptr && len == -1, "a capture open before SetPTInit");

    r.Check(dll.SetPTInit() == 1, "SetPTInit");
    r.Check(dll.GetPtCount() == TREVALO_PROTOCOL_COUNT, "GetPtCount after SetPTInit");
    char name[64];
    std::memset(name, 'x', sizeof name);
    r.Check(dll.GetPtName(6, name) == 7 && std::strcmp(name, "Pelco-D") == 0, "GetPtName(6) gave \"%.20s\"", name);
    r.Check(dll.GetPtName_NET(TREVALO_PROTOCOL_COUNT, name) == 0, "GetPtName_NET past the last index");

    // No COM port 0: refused before any port is touched.
    r.Check(dll.SetPtOpen(6, 1, 1, 0, 9600, 'N', 8, 1) == nullptr, "SetPtOpen on COM0");

    PtPortHandle* h = dll.SetPtOpen_NET(6, 7, 1, buf, &len);
    r.Check(h != nullptr, "capture open of channel 7");
    // A capture handle has no port: the serial form sends nothing and
    // leaves the capture pair alone.
    len = -1;
    dll.SetPtCmd(h, 7, PT_UP);
    r.Check(len == -1, "serial SetPtCmd on a capture handle touched the capture pair");
    dll.SetPtCmd_NET(h, 7, PT_UP, buf, &len);
    r.Check(len == 7 && buf[0] == 0xFF && buf[1] == 0x01, "SetPtCmd_NET on channel 7 gave length %d", len);

    // Unload with the channel still open and the manager alive, then load
    // again: the new instance starts without a manager.
    dll.Unload();
    Dll again;
    if (!again.Load(dllPath)) return 3;
    r.Check(again.GetPtCount() == 0, "a reloaded DLL kept its manager");
    r.Check(again.SetPTInit() == 1 && again.GetPtCount() == TREVALO_PROTOCOL_COUNT, "SetPTInit after reload");
    again.SetPTUnInit();
    r.Check(again.GetPtCount() == 0, "GetPtCount after SetPTUnInit");
    again.Unload();
    return 0;
}

}  // namespace host
