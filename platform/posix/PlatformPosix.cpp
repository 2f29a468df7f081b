// POSIX implementation of the platform layer: time, diagnostics, the
// directory that stands for the Windows directory, and small files.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "platform/posix/FilePosix.h"

#ifndef TREVALO_STATE_DIR
#define TREVALO_STATE_DIR "/var/lib/trevalo"
#endif

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
void DebugOut(const char* text) {
    static const bool enabled = std::getenv("TREVALO_DEBUG") != nullptr;
    if (enabled && text) std::fputs(text, stderr);
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

// TREVALO_WINDIR as given; else the installed state directory, or the
// user's own when that is missing or not writable (so the Dyna stop keeps
// its memory on any install).
std::string WindowsDirectory() {
    const char* dir = std::getenv("TREVALO_WINDIR");
    if (dir && *dir) return dir;
    const char* home = std::getenv("HOME");
    std::string pwHome;
    if (!home || home[0] != '/') {
        passwd pw, *found = nullptr;
        char buf[1024];
        if (getpwuid_r(geteuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir)
            pwHome = found->pw_dir;
        home = pwHome.c_str();
    }
    return posixfile::ChooseStateDirectory(TREVALO_STATE_DIR, std::getenv("XDG_STATE_HOME"), home);
}

std::string FixedWindowsPath(const char* windowsPath) {
    const char* base = std::strrchr(windowsPath, '\\');
    return JoinPath(WindowsDirectory(), base ? base + 1 : windowsPath);
}

// The records are state files shared by every process on the machine:
// only regular files, never through another user's link, never created
// but by the ensure call (exclusively, so not through a dangling link).
bool FileEnsureExists(const std::string& path) {
    int fd;
    if (posixfile::OpenOrCreateRegular(path, O_RDONLY, 0666, posixfile::Trust::OwnUser, &fd) !=
        posixfile::Open::Ok)
        return false;
    close(fd);
    return true;
}

bool FileReadAt0(const std::string& path, void* data, size_t n) {
    int fd;
    if (posixfile::OpenRegular(path, O_RDONLY, posixfile::Trust::OwnUser, &fd) != posixfile::Open::Ok)
        return false;
    ssize_t got = pread(fd, data, n, 0);
    close(fd);
    return got == static_cast<ssize_t>(n);
}

// A file without write permission bits is read-only for root too, as the
// read-only attribute is on Windows.
bool FileWriteAt0(const std::string& path, const void* data, size_t n) {
    int fd;
    struct stat st;
    if (posixfile::OpenRegular(path, O_RDWR, posixfile::Trust::OwnUser, &fd, &st) != posixfile::Open::Ok)
        return false;
    ssize_t put = -1;
    if (st.st_mode & 0222) put = pwrite(fd, data, n, 0);
    close(fd);
    return put == static_cast<ssize_t>(n);
}

}  // namespace platform
