// Windows test host: loads Trevalo.dll the way a DVR program does, owns the
// top-level window "DVR", and checks the DLL from outside through its 34
// exports only.
//
//   TrevaloHost <dll> api                 exports, start-up and unload
//   TrevaloHost <dll> vectors <file>      replays the suite's capture rows
//   TrevaloHost <dll> speedfile           the speed file through the profile calls
//   TrevaloHost <dll> serial|net          COM ports on ptys, with a peer on stdin/stdout
//
// Prints one line per failed check and ends with "host: N passed, N failed".
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/windows/HostSupport.h"

namespace host {

Report& Results() {
    static Report r;
    return r;
}

void Report::Check(bool ok, const char* format, ...) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::va_list args;
    va_start(args, format);
    std::printf("FAIL: ");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
}

bool Dll::Load(const char* path) {
    if (!(module = LoadLibraryA(path))) {
        std::printf("cannot load %s (error %lu)\n", path, GetLastError());
        return false;
    }
    std::string missing;
    // GetProcAddress hands back a generic function pointer; going through
    // void(*)() keeps the compiler's cast checks quiet about the real type.
#define TREVALO_RESOLVE(name)                                                                                  \
    name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void (*)()>(GetProcAddress(module, #name))); \
    if (!name) missing += " " #name;
    TREVALO_EXPORT_NAMES(TREVALO_RESOLVE)
#undef TREVALO_RESOLVE
    if (!missing.empty()) std::printf("exports not found:%s\n", missing.c_str());
    return missing.empty();
}

void Dll::Unload() {
    if (module) FreeLibrary(module);
    module = nullptr;
}

namespace {

CRITICAL_SECTION g_lock;
std::vector<CopyData> g_received;

LRESULT CALLBACK DvrProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
    if (msg != WM_COPYDATA) return DefWindowProcA(window, msg, w, l);
    if (g_onCopyData && g_onCopyData()) return TRUE;
    const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
    const uint8_t* p = static_cast<const uint8_t*>(cds->lpData);
    EnterCriticalSection(&g_lock);
    g_received.push_back({static_cast<unsigned long>(cds->dwData), std::vector<uint8_t>(p, p + cds->cbData)});
    LeaveCriticalSection(&g_lock);
    return TRUE;
}

bool CreateDvrWindow() {
    InitializeCriticalSection(&g_lock);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DvrProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TrevaloTestDvr";
    // Top-level and never shown: FindWindowA finds it by title all the same.
    return RegisterClassA(&wc) && CreateWindowExA(0, wc.lpszClassName, "DVR", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                                  nullptr, nullptr, wc.hInstance, nullptr) != nullptr;
}

// A fresh current directory with an empty config\, like the suite's.
bool EnterScratchDirectory() {
    char temp[MAX_PATH], dir[MAX_PATH + 32];
    if (!GetTempPathA(sizeof temp, temp)) return false;
    std::snprintf(dir, sizeof dir, "%strevalo-host-%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
    return CreateDirectoryA(dir, nullptr) && SetCurrentDirectoryA(dir) && CreateDirectoryA("config", nullptr);
}

}  // namespace

bool (*g_onCopyData)() = nullptr;

// The watch thread's SendMessageA waits for this thread to handle the
// message, so waiting must keep the queue moving.
void PumpFor(unsigned ms) {
    for (const DWORD end = GetTickCount() + ms;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(end - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

std::vector<CopyData> TakeReceived() {
    std::vector<CopyData> out;
    EnterCriticalSection(&g_lock);
    out.swap(g_received);
    LeaveCriticalSection(&g_lock);
    return out;
}

std::string ToHex(const uint8_t* p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
        s += b;
    }
    return s;
}

}  // namespace host

using namespace host;

int main(int argc, char** argv) {
    const std::string mode = argc >= 3 ? argv[2] : "";
    if (!CreateDvrWindow() || !EnterScratchDirectory()) {
        std::printf("cannot create the \"DVR\" window or a scratch directory (error %lu)\n", GetLastError());
        return 1;
    }
    int rc = 2;
    if (mode == "api") rc = ApiMain(argv[1]);
    else if (mode == "vectors" && argc >= 4) rc = VectorsMain(argv[1], argv[3]);
    else if (mode == "speedfile") rc = SpeedFileMain(argv[1]);
    else if (mode == "serial") rc = SerialMain(argv[1]);
    else if (mode == "net") rc = NetMain(argv[1]);
    else std::printf("usage: TrevaloHost <Trevalo.dll> api|vectors <file>|speedfile|serial|net\n");
    if (rc != 0 && rc != 1) return rc;
    std::printf("host: %d passed, %d failed\n", Results().passed, Results().failed);
    std::fflush(stdout);
    return Results().failed == 0 && Results().passed > 0 ? 0 : 1;
}
