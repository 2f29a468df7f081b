// INI files with the semantics of GetPrivateProfileIntA and
// WritePrivateProfileStringA: section and key names compare without case,
// a missing file, section or key yields the default, and a write changes
// one line (or appends one) and keeps everything else as it was, byte for
// byte, line ends included.
//
// The file may be shared by threads and processes: a write holds an
// advisory lock on "<file>.lock" across read, write and rename, writes a
// scratch file made by mkstemp and renames it over the file. A file that
// cannot be read, may not be written, or is not a regular file is left
// alone; a rewrite keeps its mode and owner.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/FilePosix.h"
#include "platform/posix/Text.h"

namespace platform {
namespace {

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

struct Line {
    std::string text;
    std::string end;  // "\n", "\r\n", or "" for a last line without one
};

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t nl = content.find('\n', pos);
        if (nl == std::string::npos) {
            lines.push_back({content.substr(pos), ""});
            break;
        }
        const bool cr = nl > pos && content[nl - 1] == '\r';
        lines.push_back({content.substr(pos, nl - pos - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
        pos = nl + 1;
    }
    return lines;
}

bool ReadLines(const std::string& file, std::vector<Line>& lines) {
    std::string content;
    if (posixfile::ReadText(file, posixfile::Trust::OwnUser, content) != posixfile::Open::Ok) return false;
    lines = SplitLines(content);
    return true;
}

// "[name]" gives name; anything else gives false.
bool SectionOf(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// "key = value" gives both; comments and blank lines give false.
bool KeyOf(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return true;
}

// Leading integer as the profile functions read it: optional sign, then
// decimal or 0x hexadecimal; text that is no number reads as 0.
int ParseProfileInt(const std::string& v) {
    const char* p = v.c_str();
    bool neg = false;
    if (*p == '+' || *p == '-') neg = (*p++ == '-');
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    unsigned long n = 0;
    for (; *p; ++p) {
        int d = std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0'
                : (base == 16 && std::isxdigit(static_cast<unsigned char>(*p)))
                    ? std::tolower(static_cast<unsigned char>(*p)) - 'a' + 10
                    : -1;
        if (d < 0) break;
        n = n * static_cast<unsigned long>(base) + static_cast<unsigned long>(d);
    }
    return static_cast<int>(neg ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n));
}

}  // namespace

int ProfileGetInt(const std::string& file, const char* section, const char* key, int def) {
    std::vector<Line> lines;
    if (!ReadLines(file, lines)) return def;
    bool inSection = false;
    for (const Line& line : lines) {
        std::string name, k, v;
        if (SectionOf(line.text, name)) {
            inSection = SameName(name, section);
        } else if (inSection && KeyOf(line.text, k, v) && SameName(k, key)) {
            return v.empty() ? def : ParseProfileInt(v);
        }
    }
    return def;
}


namespace {

// Sets key=value in section: the key's line keeps its spelling and line
// end; a new line takes the file's own line ends.
void SetKey(std::vector<Line>& lines, const char* section, const char* key, const char* value) {
    std::string style = "\n";
    for (const Line& l : lines)
        if (!l.end.empty()) {
            style = l.end;
            break;
        }
    bool inSection = false;
    size_t sectionEnd = std::string::npos;  // index after the section's last key
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, k, v;
        if (SectionOf(lines[i].text, name)) {
            if (inSection) break;
            inSection = SameName(name, section);
            if (inSection) sectionEnd = i + 1;
        } else if (inSection && KeyOf(lines[i].text, k, v)) {
            if (SameName(k, key)) {
                lines[i].text = k + "=" + value;
                return;
            }
            sectionEnd = i + 1;
        }
    }
    std::vector<Line> added;
    if (sectionEnd == std::string::npos) {
        sectionEnd = lines.size();
        added.push_back({std::string("[") + section + "]", style});
    }
    added.push_back({std::string(key) + "=" + value, style});
    if (sectionEnd > 0 && lines[sectionEnd - 1].end.empty()) lines[sectionEnd - 1].end = style;
    lines.insert(lines.begin() + static_cast<long>(sectionEnd), added.begin(), added.end());
}

void PauseMs(unsigned ms) {
    timespec ts{0, static_cast<long>(ms) * 1000000L};
    nanosleep(&ts, nullptr);
}

// Threads of this process queue here; processes meet at the lock file.
std::mutex g_writers;

// The advisory lock on "<file>.lock". A holder that never lets go (a
// stopped process) costs a bounded wait and a failed write, not a hang.
class LockFile {
public:
    explicit LockFile(const std::string& path) {
        int fd;
        if (posixfile::OpenOrCreateRegular(path, O_RDONLY, 0666, posixfile::Trust::OwnUser, &fd) !=
            posixfile::Open::Ok)
            return;
        const uint64_t deadline = MonotonicUs() + kWaitUs;
        while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || MonotonicUs() > deadline) {
                close(fd);
                return;
            }
            PauseMs(1);
        }
        m_fd = fd;
    }
    ~LockFile() {
        if (m_fd >= 0) close(m_fd);  // releases the lock
    }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    static constexpr uint64_t kWaitUs = 5000000;
    int m_fd = -1;
};

std::string DirOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write goes to: the path itself, or where a link the user
// made on purpose points (so the link stays a link). A link or target of
// another user, a dangling link or a loop gives "".
std::string WriteTarget(const std::string& file) {
    std::string path = file;
    for (int hops = 0; hops < 8; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) return hops == 0 && errno == ENOENT ? path : std::string();
        if (!S_ISLNK(st.st_mode)) return hops == 0 || st.st_uid == geteuid() ? path : std::string();
        if (st.st_uid != geteuid()) return std::string();
        char buf[4096];
        const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return std::string();
        const std::string to(buf, static_cast<size_t>(n));
        path = to[0] == '/' ? to : DirOf(path) + "/" + to;
    }
    return std::string();
}

// Scratch files are "<name>.tmp" and six random characters; under the
// lock none is in use, so any found was left by a writer that died.
void RemoveStaleScratch(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    const std::string prefix = name + ".tmp";
    while (dirent* e = readdir(d)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
            unlinkat(dirfd(d), e->d_name, 0);  // a planted link goes, its target stays
    }
    closedir(d);
}

// umask() cannot be read without setting it, which would race other threads.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "Umask:") == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

bool WriteAll(int fd, const std::string& data, off_t at) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = pwrite(fd, data.data() + done, data.size() - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Missing, or a regular file this process may read and write that is not
// read-only (for root too, as on Windows) and not too large to be ours.
bool MayRewrite(const std::string& target) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode) && (st.st_mode & 0222) &&
           static_cast<unsigned long long>(st.st_size) <= posixfile::kTextLimit &&
           faccessat(AT_FDCWD, target.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
}

std::string Join(const std::vector<Line>& lines) {
    std::string out;
    for (const Line& l : lines) out += l.text + l.end;
    return out;
}

}  // namespace

bool ProfileWriteStrings(const std::string& file, const char* section, const char* const* keys,
                         const char* const* values, size_t count) {
    std::lock_guard<std::mutex> inProcess(g_writers);
    const std::string target = WriteTarget(file);
    if (target.empty()) return false;
    const std::string dir = DirOf(target);
    const std::string name = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    if (!MayRewrite(target)) return false;  // checked again under the lock; no lock file for a lost cause
    LockFile lock(target + ".lock");  // also fails, creating nothing, without the directory
    if (!lock.Held()) return false;
    RemoveStaleScratch(dir, name);

    int fd = -1;
    struct stat st;
    std::string content;
    const posixfile::Open found = posixfile::OpenRegular(target, O_RDWR, posixfile::Trust::OwnUser, &fd, &st);
    if (found == posixfile::Open::Refused) return false;
    if (found == posixfile::Open::Ok) {
        // Read-only means read-only for root too, as on Windows.
        bool ok = (st.st_mode & 0222) && static_cast<unsigned long long>(st.st_size) <= posixfile::kTextLimit;
        ok = ok && posixfile::ReadAll(fd, content);
        if (!ok) {
            close(fd);
            return false;
        }
    }

    std::vector<Line> lines = SplitLines(content);
    for (size_t i = 0; i < count; ++i) SetKey(lines, section, keys[i], values[i]);
    const std::string text = Join(lines);

    std::string scratch = target + ".tmpXXXXXX";
    const int tmp = mkostemp(&scratch[0], O_CLOEXEC);
    bool ok = tmp >= 0 && WriteAll(tmp, text, 0);
    bool inPlace = false;
    if (ok && found == posixfile::Open::Ok) {
        // A file that is not ours keeps its owner; where we may not give
        // the copy that owner, the file is rewritten in place instead.
        if ((st.st_uid != geteuid() || st.st_gid != getegid()) && fchown(tmp, st.st_uid, st.st_gid) != 0)
            inPlace = true;
        else
            ok = fchmod(tmp, st.st_mode & 07777) == 0;
    } else if (ok) {
        ok = fchmod(tmp, 0666 & ~CurrentUmask()) == 0;
    }
    if (tmp >= 0) {
        ok = ok && (inPlace || fdatasync(tmp) == 0);
        close(tmp);
        if (!ok || inPlace || rename(scratch.c_str(), target.c_str()) != 0) {
            unlink(scratch.c_str());
            ok = ok && inPlace;
        }
    }
    if (ok && inPlace)
        ok = WriteAll(fd, text, 0) && ftruncate(fd, static_cast<off_t>(text.size())) == 0 && fdatasync(fd) == 0;
    if (fd >= 0) close(fd);
    return ok;
}

bool ProfileWriteString(const std::string& file, const char* section, const char* key,
                        const char* value) {
    return ProfileWriteStrings(file, section, &key, &value, 1);
}

}  // namespace platform
