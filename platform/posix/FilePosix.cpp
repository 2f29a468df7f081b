// Safe opens for the library's own files; see FilePosix.h for the rules.
#include "platform/posix/FilePosix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace posixfile {
namespace {

bool Trusted(uid_t uid, Trust trust) {
    return uid == geteuid() || (trust == Trust::OwnUserOrRoot && uid == 0);
}

// Opened non-blocking so that a FIFO swapped in after the check cannot
// stall the open; regular files are then used in blocking mode.
bool FinishOpen(int fd, struct stat* out) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fl = fcntl(fd, F_GETFL);
    if (fl < 0 || fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) return false;
    if (out) *out = st;
    return true;
}

constexpr int kOpenFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool MakeDirs(const std::string& dir, mode_t mode) {
    for (size_t i = 1; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != '/') continue;
        const std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool WritableDir(const std::string& dir) {
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(dir.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

Open OpenRegular(const std::string& path, int flags, Trust trust, int* fd, struct stat* out) {
    *fd = -1;
    struct stat lst;
    if (lstat(path.c_str(), &lst) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Open::Missing : Open::Refused;
    // Devices, FIFOs and sockets are never opened at all: even a
    // non-blocking open of some devices has effects.
    const bool link = S_ISLNK(lst.st_mode);
    if (link ? !Trusted(lst.st_uid, trust) : !S_ISREG(lst.st_mode)) return Open::Refused;

    const int f = open(path.c_str(), (flags & ~(O_CREAT | O_EXCL | O_TRUNC)) | kOpenFlags | (link ? 0 : O_NOFOLLOW));
    if (f < 0) return !link && errno == ENOENT ? Open::Missing : Open::Refused;  // a dangling link is refused
    struct stat st;
    bool ok = FinishOpen(f, &st);
    if (ok && link) {
        // The target must be trusted too, and the link the one judged above.
        struct stat again;
        ok = Trusted(st.st_uid, trust) && lstat(path.c_str(), &again) == 0 &&
             again.st_ino == lst.st_ino && again.st_dev == lst.st_dev;
    }
    if (!ok) {
        close(f);
        return Open::Refused;
    }
    *fd = f;
    if (out) *out = st;
    return Open::Ok;
}

Open OpenOrCreateRegular(const std::string& path, int flags, mode_t mode, Trust trust, int* fd,
                         struct stat* out) {
    const Open existing = OpenRegular(path, flags, trust, fd, out);
    if (existing != Open::Missing) return existing;
    // O_EXCL creates only where nothing, not even a dangling link, is.
    const int f = open(path.c_str(), (flags & ~O_TRUNC) | O_CREAT | O_EXCL | O_NOFOLLOW | kOpenFlags, mode);
    if (f < 0) {
        if (errno == EEXIST) return OpenRegular(path, flags, trust, fd, out);
        return errno == ENOENT || errno == ENOTDIR ? Open::Missing : Open::Refused;
    }
    if (!FinishOpen(f, out)) {
        close(f);
        return Open::Refused;
    }
    *fd = f;
    return Open::Ok;
}

bool ReadAll(int fd, std::string& out, size_t limit) {
    out.clear();
    char buf[8192];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0;
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > limit) return false;  // a file that grew while being read
    }
}

Open ReadText(const std::string& path, Trust trust, std::string& out, size_t limit) {
    out.clear();
    int fd;
    struct stat st;
    const Open r = OpenRegular(path, O_RDONLY, trust, &fd, &st);
    if (r != Open::Ok) return r;
    const bool ok = static_cast<unsigned long long>(st.st_size) <= limit && ReadAll(fd, out, limit);
    close(fd);
    if (!ok) out.clear();
    return ok ? Open::Ok : Open::Refused;
}

std::string ChooseStateDirectory(const std::string& systemDir, const char* xdgStateHome,
                                 const char* home) {
    if (WritableDir(systemDir)) return systemDir;
    auto trimmed = [](std::string p) {
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        return p;
    };
    std::string base;
    if (xdgStateHome && xdgStateHome[0] == '/')  // a relative value is invalid and ignored
        base = trimmed(xdgStateHome);
    else if (home && home[0] == '/')
        base = trimmed(home) + "/.local/state";
    else
        return systemDir;
    const std::string dir = (base == "/" ? "" : base) + "/trevalo";
    if (!WritableDir(dir) && !MakeDirs(dir, 0700)) return systemDir;
    return WritableDir(dir) ? dir : systemDir;
}

}  // namespace posixfile
}  // namespace platform
