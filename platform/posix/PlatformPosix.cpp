// POSIX implementation of the platform layer: time, diagnostics, the
// directory that stands for the Windows directory, and small files.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

namespace platform {
namespace {

std::atomic<SleepHook> g_sleepHook{nullptr};

void RealSleep(unsigned ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

}  // namespace

void SleepMs(unsigned ms) {
    if (SleepHook hook = g_sleepHook.load()) {
        hook(ms);
        return;
    }
    RealSleep(ms);
}

void SetSleepHook(SleepHook hook) { g_sleepHook.store(hook); }

uint64_t MonotonicUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

// Debug lines go to standard error only when TREVALO_DEBUG is set, the
// stand-in for a debugger attached to OutputDebugStringA.
static std::atomic<DebugHook> g_debugHook{nullptr};

void SetDebugHook(DebugHook hook) { g_debugHook.store(hook); }

void DebugOut(const char* text) {
    static const bool enabled = std::getenv("TREVALO_DEBUG") != nullptr;
    if (enabled && text) std::fputs(text, stderr);
    if (DebugHook hook = g_debugHook.load(); hook && text) hook(text);
}

void MessageBox(const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

std::string CurrentDirectory() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

std::string JoinPath(const std::string& dir, const char* name) {
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

// TREVALO_WINDIR, else /var/lib/trevalo; never created by the library.
std::string WindowsDirectory() {
    const char* dir = std::getenv("TREVALO_WINDIR");
    return dir && *dir ? std::string(dir) : std::string("/var/lib/trevalo");
}

std::string FixedWindowsPath(const char* windowsPath) {
    const char* base = std::strrchr(windowsPath, '\\');
    return JoinPath(WindowsDirectory(), base ? base + 1 : windowsPath);
}

bool FileEnsureExists(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool FileReadAt0(const std::string& path, void* data, size_t n) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t got = pread(fd, data, n, 0);
    close(fd);
    return got == static_cast<ssize_t>(n);
}

bool FileWriteAt0(const std::string& path, const void* data, size_t n) {
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t put = pwrite(fd, data, n, 0);
    close(fd);
    return put == static_cast<ssize_t>(n);
}

}  // namespace platform
