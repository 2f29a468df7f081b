// Win32 implementation of the platform layer: time, diagnostics, the
// Windows directory, profile files and the small binary records kept there.
#include <windows.h>

#include <atomic>
#include <vector>

// windows.h maps MessageBox to MessageBoxA; ours is a plain name.
#undef MessageBox

#include "platform/Platform.h"

namespace platform {
namespace {

std::atomic<SleepHook> g_sleepHook{nullptr};

}  // namespace

void SleepMs(unsigned ms) {
    if (SleepHook hook = g_sleepHook.load()) {
        hook(ms);
        return;
    }
    ::Sleep(ms);
}

void SetSleepHook(SleepHook hook) { g_sleepHook.store(hook); }

uint64_t MonotonicUs() {
    static const uint64_t freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<uint64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const uint64_t t = static_cast<uint64_t>(now.QuadPart);
    return t / freq * 1000000u + t % freq * 1000000u / freq;
}

static std::atomic<DebugHook> g_debugHook{nullptr};

void SetDebugHook(DebugHook hook) { g_debugHook.store(hook); }

void DebugOut(const char* text) {
    if (text) OutputDebugStringA(text);
    if (DebugHook hook = g_debugHook.load(); hook && text) hook(text);
}

void MessageBox(const char* text, const char* caption, unsigned style) {
    MessageBoxA(nullptr, text ? text : "", caption ? caption : "", style);
}

// MAX_PATH first, as the profile path has always been built; a longer
// current directory gets a buffer of its size rather than a cut path.
std::string CurrentDirectory() {
    char buf[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    if (n > 0 && n < sizeof buf) return std::string(buf, n);
    if (n == 0) return std::string(".");
    std::vector<char> big(n + 1);
    n = GetCurrentDirectoryA(static_cast<DWORD>(big.size()), big.data());
    return n > 0 && n < big.size() ? std::string(big.data(), n) : std::string(".");
}

std::string JoinPath(const std::string& dir, const char* name) {
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir + name;
    return dir + "\\" + name;
}

std::string WindowsDirectory() {
    char buf[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string("C:\\Windows");
}

std::string FixedWindowsPath(const char* windowsPath) { return windowsPath ? windowsPath : ""; }

int ProfileGetInt(const std::string& file, const char* section, const char* key, int def) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, def, file.c_str()));
}

bool ProfileWriteString(const std::string& file, const char* section, const char* key,
                        const char* value) {
    return WritePrivateProfileStringA(section, key, value, file.c_str()) != FALSE;
}

bool FileEnsureExists(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return true;
}

// The small records go through the 16-bit-compatible file calls, opened
// read-write for reading too; neither call creates or truncates the file.
bool FileReadAt0(const std::string& path, void* data, size_t n) {
    HFILE f = _lopen(path.c_str(), OF_READWRITE);
    if (f == HFILE_ERROR) return false;
    UINT got = HFILE_ERROR;
    if (_llseek(f, 0, FILE_BEGIN) == 0) got = _lread(f, data, static_cast<UINT>(n));
    _lclose(f);
    return got == n;
}

bool FileWriteAt0(const std::string& path, const void* data, size_t n) {
    HFILE f = _lopen(path.c_str(), OF_READWRITE);
    if (f == HFILE_ERROR) return false;
    UINT put = HFILE_ERROR;
    if (_llseek(f, 0, FILE_BEGIN) == 0) put = _lwrite(f, static_cast<LPCCH>(data), static_cast<UINT>(n));
    _lclose(f);
    return put == n;
}

}  // namespace platform
