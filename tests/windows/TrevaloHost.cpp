// Windows test host: loads Trevalo.dll the way a DVR program does, owns the
// top-level window "DVR", and checks the DLL from outside through its 34
// exports only.
//
//   TrevaloHost <dll> api                 exports, start-up and unload
//   TrevaloHost <dll> vectors <file>      replays the suite's capture rows
//   TrevaloHost <dll> speedfile           the speed file through the profile calls
//   TrevaloHost <dll> serial              COM ports on ptys, with a peer on stdin/stdout
//
// Prints one line per failed check and ends with "host: N passed, N failed".
#include <windows.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "trevalo.h"
#include "tests/windows/HostSupport.h"

namespace host {

// --- results -------------------------------------------------------------------

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

// --- the DLL -----------------------------------------------------------------------

namespace {

// GetProcAddress hands back a generic function pointer; going through
// void(*)() keeps the compiler's cast checks quiet about the real type.
template <typename Fn>
Fn As(FARPROC p) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(p));
}

}  // namespace

bool Dll::Load(const char* path) {
    m_module = LoadLibraryA(path);
    if (!m_module) {
        std::printf("cannot load %s (error %lu)\n", path, GetLastError());
        return false;
    }
    std::string missing;
#define TREVALO_RESOLVE(name)                                         \
    name = As<decltype(&::name)>(GetProcAddress(m_module, #name));    \
    if (!name) missing += " " #name;
    TREVALO_EXPORT_NAMES(TREVALO_RESOLVE)
#undef TREVALO_RESOLVE
    if (!missing.empty()) {
        std::printf("exports not found:%s\n", missing.c_str());
        return false;
    }
    return true;
}

void Dll::Unload() {
    if (m_module) FreeLibrary(m_module);
    m_module = nullptr;
}

// --- the "DVR" window --------------------------------------------------------------

namespace {

CRITICAL_SECTION g_lock;
std::vector<CopyData> g_received;

LRESULT CALLBACK DvrProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_COPYDATA) {
        if (g_onCopyData && g_onCopyData()) return TRUE;
        const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
        CopyData d;
        d.dwData = static_cast<unsigned long>(cds->dwData);
        const uint8_t* p = static_cast<const uint8_t*>(cds->lpData);
        d.bytes.assign(p, p + cds->cbData);
        EnterCriticalSection(&g_lock);
        g_received.push_back(d);
        LeaveCriticalSection(&g_lock);
        return TRUE;
    }
    return DefWindowProcA(window, msg, w, l);
}

}  // namespace

bool (*g_onCopyData)() = nullptr;

bool CreateDvrWindow() {
    InitializeCriticalSection(&g_lock);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DvrProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TrevaloTestDvr";
    if (!RegisterClassA(&wc)) return false;
    // Top-level and never shown: FindWindowA finds it by title all the same.
    return CreateWindowExA(0, wc.lpszClassName, "DVR", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                           nullptr, wc.hInstance, nullptr) != nullptr;
}

// The watch thread's SendMessageA waits for this thread to handle the
// message, so waiting must keep the queue moving.
void PumpFor(unsigned ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(end - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

std::vector<CopyData> TakeReceived() {
    EnterCriticalSection(&g_lock);
    std::vector<CopyData> out;
    out.swap(g_received);
    LeaveCriticalSection(&g_lock);
    return out;
}

// --- small helpers ---------------------------------------------------------------------

std::string ToHex(const uint8_t* p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
        s += b;
    }
    return s;
}

std::vector<uint8_t> FromHex(const std::string& text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < text.size();) {
        if (std::isxdigit(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
            out.push_back(static_cast<uint8_t>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
            i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
    return ok && put == bytes.size();
}

std::string WindowsDir() {
    char buf[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string("C:\\windows");
}

// A fresh current directory with an empty config\, like the suite's.
bool EnterScratchDirectory() {
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp)) return false;
    char dir[MAX_PATH + 32];
    std::snprintf(dir, sizeof dir, "%strevalo-host-%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
    if (!CreateDirectoryA(dir, nullptr) || !SetCurrentDirectoryA(dir)) return false;
    return CreateDirectoryA("config", nullptr) != FALSE;
}

}  // namespace host

using namespace host;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: TrevaloHost <Trevalo.dll> api|vectors <file>|speedfile|serial|net\n");
        return 2;
    }
    const std::string mode = argv[2];
    if (!CreateDvrWindow()) {
        std::printf("cannot create the \"DVR\" window (error %lu)\n", GetLastError());
        return 1;
    }
    if (!EnterScratchDirectory()) {
        std::printf("cannot make a scratch directory (error %lu)\n", GetLastError());
        return 1;
    }
    int rc = 2;
    if (mode == "api") rc = ApiMain(argv[1]);
    else if (mode == "vectors" && argc >= 4) rc = VectorsMain(argv[1], argv[3]);
    else if (mode == "speedfile") rc = SpeedFileMain(argv[1]);
    else if (mode == "serial") rc = SerialMain(argv[1]);
    else if (mode == "net") rc = NetMain(argv[1]);
    else std::printf("unknown mode %s\n", mode.c_str());
    if (rc != 0 && rc != 1) return rc;
    std::printf("host: %d passed, %d failed\n", Results().passed, Results().failed);
    std::fflush(stdout);
    return Results().failed == 0 && Results().passed > 0 ? 0 : 1;
}
