// The capture path's speed file, <current directory>\config\ptz_speed.ini,
// through the real profile functions: what the DLL writes is read back here
// with GetPrivateProfileIntA, and what is written here with
// WritePrivateProfileStringA is what the DLL's next open loads.
#include <cstdio>

#include "tests/windows/HostSupport.h"

namespace host {
namespace {

const char* const kKeys[4] = {"pan_speed", "tilt_speed", "zoom_speed", "focus_speed"};

std::string SpeedFile() {
    char dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof dir, dir);
    return std::string(dir) + "\\config\\ptz_speed.ini";
}

// The four values of a section as "pan tilt zoom focus"; -1 where missing.
std::string Stored(const char* section) {
    std::string s;
    for (const char* key : kKeys) {
        const int v = static_cast<int>(GetPrivateProfileIntA(section, key, -1, SpeedFile().c_str()));
        s += (s.empty() ? "" : " ") + std::to_string(v);
    }
    return s;
}

// Opens a capture channel, makes one speed step (which saves the speed
// block) and closes it; returns the step's captured length.
int OpenStepClose(Dll& dll, int channel, int index, int address, int axis) {
    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = -1;
    PtPortHandle* h = dll.SetPtOpen_NET(index, channel, address, buf, &len);
    if (!h) return -2;
    len = -1;
    dll.SetPtSpeedCtrl_NET(h, channel, axis, 1, buf, &len);
    const int stepped = len;
    dll.SetPtClose_NET(h, channel, buf, &len);
    return stepped;
}

}  // namespace

int SpeedFileMain(const char* dllPath) {
    Dll dll;
    if (!dll.Load(dllPath)) return 3;
    Report& r = Results();
    const std::string file = SpeedFile();
    if (dll.SetPTInit() != 1) return 3;

    // No file: the defaults are loaded, and saved under "channel index address".
    DeleteFileA(file.c_str());
    r.Check(OpenStepClose(dll, 3, 6, 1, PT_AXIS_ZOOM) == 7, "zoom step on channel 3");
    r.Check(Stored("3 6 1") == "160 160 13 208", "defaults saved as \"%s\"", Stored("3 6 1").c_str());

    // Values written by another program come back through the next open:
    // key names without case, the low byte of a large value, an address
    // above 127 named unsigned; other sections stay.
    WritePrivateProfileStringA("other", "Key", "1", file.c_str());
    WritePrivateProfileStringA("2 6 200", "PAN_SPEED", "300", file.c_str());
    WritePrivateProfileStringA("2 6 200", "tilt_speed", "7", file.c_str());
    r.Check(OpenStepClose(dll, 2, 6, 200, PT_AXIS_FOCUS) == 7, "focus step on channel 2");
    r.Check(Stored("2 6 200") == "44 7 13 208", "loaded and saved as \"%s\"", Stored("2 6 200").c_str());
    r.Check(GetPrivateProfileIntA("other", "Key", 0, file.c_str()) == 1, "another section was lost");
    r.Check(Stored("3 6 1") == "160 160 13 208", "channel 3's section changed");

    // A second open of the same channel, protocol and address reads the
    // block back; another channel gets its own section.
    r.Check(OpenStepClose(dll, 2, 6, 200, PT_AXIS_PAN) == 0, "pan step sends nothing");
    r.Check(Stored("2 6 200") == "44 7 13 208", "round trip gave \"%s\"", Stored("2 6 200").c_str());
    r.Check(OpenStepClose(dll, 4, 6, 200, PT_AXIS_ZOOM) == 7, "zoom step on channel 4");
    r.Check(Stored("4 6 200") == "160 160 13 208", "channel 4 saved \"%s\"", Stored("4 6 200").c_str());

    // Without the config directory the packet still goes out and nothing
    // is created.
    DeleteFileA(file.c_str());
    r.Check(RemoveDirectoryA("config") != FALSE, "cannot remove config");
    r.Check(OpenStepClose(dll, 0, 6, 1, PT_AXIS_ZOOM) == 7, "zoom step without config");
    r.Check(GetFileAttributesA("config") == INVALID_FILE_ATTRIBUTES, "config was created");
    CreateDirectoryA("config", nullptr);

    dll.SetPTUnInit();
    dll.Unload();
    return 0;
}

}  // namespace host
