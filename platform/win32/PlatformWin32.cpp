// Win32 implementation of the platform layer: time, diagnostics, the
// Windows directory, profile files and the small binary records kept there.
// FIFOs have no path of their own on Windows (pipes live under \\.\pipe\).
#include <windows.h>

#include <atomic>
#include <cctype>
#include <cstdint>
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

void DebugOut(const char* text) {
    if (text) OutputDebugStringA(text);
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

// Windows serialises its profile functions within a process only; writers
// of one file in several processes meet at a mutex named after the file,
// held across all the keys of one update. A holder that never lets go
// costs a bounded wait, then the write goes ahead as it always did.
bool ProfileWriteStrings(const std::string& file, const char* section, const char* const* keys,
                         const char* const* values, size_t count) {
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(file.c_str(), sizeof full, full, nullptr);
    std::string name = n > 0 && n < sizeof full ? std::string(full, n) : file;
    uint64_t hash = 1469598103934665603ull;  // FNV-1a of the path, without case
    for (char c : name) hash = (hash ^ static_cast<uint8_t>(std::tolower(static_cast<uint8_t>(c)))) * 1099511628211ull;
    char mutexName[64];
    wsprintfA(mutexName, "Local\\TrevaloProfile-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
              static_cast<unsigned long>(hash));
    HANDLE m = CreateMutexA(nullptr, FALSE, mutexName);
    const DWORD waited = m ? WaitForSingleObject(m, 5000) : WAIT_FAILED;
    bool ok = true;
    for (size_t i = 0; i < count; ++i)
        ok = WritePrivateProfileStringA(section, keys[i], values[i], file.c_str()) != FALSE && ok;
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(m);
    if (m) CloseHandle(m);
    return ok;
}

bool ProfileWriteString(const std::string& file, const char* section, const char* key,
                        const char* value) {
    return ProfileWriteStrings(file, section, &key, &value, 1);
}

// The records are shared state: only a plain disk file is used. A link or
// junction planted in its place is not followed (creating one takes a
// privilege a recorder's user lacks, so none is there on purpose), and
// neither is a device name.
namespace {

HANDLE OpenRecord(const std::string& path, DWORD access, DWORD disposition) {
    HANDLE f = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (f == INVALID_HANDLE_VALUE) return f;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(f) != FILE_TYPE_DISK || !GetFileInformationByHandle(f, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        CloseHandle(f);
        return INVALID_HANDLE_VALUE;
    }
    return f;
}

}  // namespace

bool FileEnsureExists(const std::string& path) {
    HANDLE f = OpenRecord(path, GENERIC_WRITE, OPEN_ALWAYS);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return true;
}

// Offset 0, neither created nor truncated, as the 16-bit-compatible calls did.
bool FileReadAt0(const std::string& path, void* data, size_t n) {
    HANDLE f = OpenRecord(path, GENERIC_READ, OPEN_EXISTING);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    const bool ok = SetFilePointer(f, 0, nullptr, FILE_BEGIN) == 0 &&
                    ReadFile(f, data, static_cast<DWORD>(n), &got, nullptr) && got == n;
    CloseHandle(f);
    return ok;
}

bool FileWriteAt0(const std::string& path, const void* data, size_t n) {
    HANDLE f = OpenRecord(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool ok = SetFilePointer(f, 0, nullptr, FILE_BEGIN) == 0 &&
                    WriteFile(f, data, static_cast<DWORD>(n), &put, nullptr) && put == n;
    CloseHandle(f);
    return ok;
}

}  // namespace platform
