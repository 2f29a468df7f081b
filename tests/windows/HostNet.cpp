// Net mode: COM5 is mapped (TREVALO_COM5, set by WineNetPeer) to ser2net
// through rfc2217://. The host tells the peer the frames the wire must
// carry ("expect <hex>"), sends them, and checks that the bytes the peer
// writes on the device side reach the "DVR" window unchanged.
#include <cstdio>
#include <string>

#include "tests/windows/HostSupport.h"

namespace host {

namespace {

constexpr int kCom = 5;
constexpr int kAddress = 255;  // every Pelco-D frame then starts FF FF
const char kFromDevice[] = "FF 00 FF FF 01 02 03 04 05 06 07 08 09 0A FF";

}  // namespace

int NetMain(const char* dllPath) {
    Dll dll;
    if (!dll.Load(dllPath)) return 3;
    Report& r = Results();
    dll.SetPTInit();

    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    const int codes[] = {PT_UP, PT_ZOOM_TELE, PT_STOP, PT_PRESET_GOTO, PT_LEFT, PT_STOP};
    PtPortHandle* capture = dll.SetPtOpen_NET(6, 200, kAddress, buf, &len);
    std::string expected;
    for (int code : codes) {
        len = 0;
        dll.SetPtCmd_NET(capture, 200, code, buf, &len);
        expected += (expected.empty() ? "" : " ") + ToHex(buf, static_cast<size_t>(len > 0 ? len : 0));
    }
    dll.SetPtClose_NET(capture, 200, buf, &len);

    DWORD handles0 = 0, handles1 = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles0);
    PtPortHandle* h = dll.SetPtOpen(6, 0, kAddress, kCom, 19200, 'E', 8, 1);
    r.Check(h != nullptr, "open COM5 through rfc2217://");
    if (!h) return 1;
    std::printf("expect %s\n", expected.c_str());
    std::fflush(stdout);
    for (int code : codes) dll.SetPtCmd(h, 0, code);

    // The peer answers once the frames are on its pty.
    std::string got;
    for (int i = 0; i < 100 && got.size() < sizeof kFromDevice - 1; ++i) {
        PumpFor(50);
        for (const CopyData& c : TakeReceived()) {
            r.Check(c.dwData == 1124 && c.bytes.size() <= 10, "WM_COPYDATA %lu with %u bytes", c.dwData,
                    static_cast<unsigned>(c.bytes.size()));
            got += (got.empty() ? "" : " ") + ToHex(c.bytes.data(), c.bytes.size());
        }
    }
    r.Check(got == kFromDevice, "from the device: \"%s\", expected \"%s\"", got.c_str(), kFromDevice);

    const DWORD closing = GetTickCount();
    dll.SetPtClose(h, 0);
    r.Check(GetTickCount() - closing < 1000, "closing took %lu ms", GetTickCount() - closing);
    dll.SetPTUnInit();
    GetProcessHandleCount(GetCurrentProcess(), &handles1);
    r.Check(handles1 == handles0, "handles: %lu before the open, %lu after the close", handles0, handles1);
    return r.failed ? 1 : 0;
}

}  // namespace host
