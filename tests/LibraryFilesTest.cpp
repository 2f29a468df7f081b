// The library's files in hostile forms. Each call runs in a child process
// with a bound, so a call that blocks (on a FIFO, say) fails the row
// instead of the suite; each row says what the call returned, what the
// file holds after, and which paths of its directory may change: every
// other path, and the other user's file, must be exactly as before.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "interface/CPtApp.h"
#include "interface/CPtManager.h"
#include "platform/Platform.h"
#include "platform/posix/FilePosix.h"
#include "protocol/CPtProtocol.h"
#include "support/PtTestSupport.h"
#include "support/PtyRig.h"

namespace {

using namespace pttest;

constexpr uid_t kOther = 4242;    // owns the victim file and the planted links
constexpr uid_t kNobody = 65534;  // runs the rows that need permissions to bite
constexpr size_t kHuge = 5u << 20;  // just over what the library reads as text

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const std::string& path, const std::string& data, mode_t mode = 0644, uid_t uid = 0) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
    ASSERT_EQ(chown(path.c_str(), uid, uid), 0) << path;
    ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

void Sparse(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, kHuge), 0);
    close(fd);
}

void Link(const std::string& to, const std::string& at, uid_t owner = 0) {
    ASSERT_EQ(symlink(to.c_str(), at.c_str()), 0) << at;
    ASSERT_EQ(lchown(at.c_str(), owner, owner), 0) << at;
}

// Every path under a directory: type, mode, owner and content or link target.
using Tree = std::map<std::string, std::string>;

void Walk(const std::string& root, const std::string& rel, Tree& tree) {
    DIR* d = opendir((root + rel).c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        const std::string r = rel + "/" + e->d_name, full = root + r;
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) continue;
        std::ostringstream desc;
        desc << std::oct << st.st_mode << std::dec << " uid " << st.st_uid << " ";
        if (S_ISREG(st.st_mode)) {
            const std::string data = Slurp(full);
            desc << (data.size() > 256 ? std::to_string(std::hash<std::string>()(data)) : ToHex(
                         reinterpret_cast<const uint8_t*>(data.data()), data.size()));
        } else if (S_ISLNK(st.st_mode)) {
            char buf[512];
            const ssize_t n = readlink(full.c_str(), buf, sizeof buf);
            desc << "-> " << std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
        }
        tree[r.substr(1)] = desc.str();
        if (S_ISDIR(st.st_mode)) Walk(root, r, tree);
    }
    closedir(d);
}

Tree Snapshot(const std::string& dir) {
    Tree t;
    Walk(dir, "", t);
    return t;
}

std::set<std::string> Changed(const Tree& a, const Tree& b) {
    std::set<std::string> out;
    for (const auto& [path, desc] : a)
        if (!b.count(path) || b.at(path) != desc) out.insert(path);
    for (const auto& [path, desc] : b)
        if (!a.count(path)) out.insert(path);
    return out;
}

// Valgrind runs the suite too, a good deal slower than a second allows.
unsigned BoundMs() {
    const char* pre = std::getenv("LD_PRELOAD");
    return pre && std::strstr(pre, "vgpreload") ? 30000 : 1000;
}

// Runs call in a child (as kNobody when asked); "hung" when it has not
// returned within the bound.
std::string InChild(const std::function<std::string()>& call, bool asNobody = false) {
    int p[2];
    if (pipe(p) != 0) return "pipe failed";
    const pid_t pid = fork();
    if (pid == 0) {
        close(p[0]);
        if (asNobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
        const std::string r = call();
        if (write(p[1], r.data(), r.size()) != static_cast<ssize_t>(r.size())) _exit(4);
        _exit(0);
    }
    close(p[1]);
    std::string out;
    bool done = false;
    const uint64_t deadline = platform::MonotonicUs() + BoundMs() * 1000ull;
    for (uint64_t now; !done && (now = platform::MonotonicUs()) < deadline;) {
        pollfd pfd{p[0], POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>((deadline - now) / 1000) + 1) <= 0) continue;
        char buf[256];
        const ssize_t n = read(p[0], buf, sizeof buf);
        if (n > 0) out.append(buf, static_cast<size_t>(n));
        done = n == 0;
    }
    close(p[0]);
    if (!done) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!done) return "hung";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed";
}

// A row: how the file is made, who calls, what the call returns, and the
// one file expected to change (content, mode, owner), if any.
struct Row {
    const char* name;
    std::function<void(const std::string& dir, const std::string& path)> make;
    bool asNobody;
    std::string result;
    const char* changes;  // path of the file that changes, relative to the row's directory; "" for none
    std::string content;
    mode_t mode;
    uid_t uid;
    std::set<std::string> alsoChanged;  // lock files made, scratch files cleaned
};

// file is the path of the file under test relative to the row's
// directory; setUp prepares the row's directory for the call.
void RunTable(const char* file, const std::vector<Row>& rows,
              const std::function<std::string(const std::string& dir, const std::string& path)>& call) {
    umask(022);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dir = TempDir(), path = dir + "/" + file;
        ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
        mkdir((dir + "/config").c_str(), 0755);
        mkdir((dir + "/windows").c_str(), 0755);
        Put(dir + "/victim", std::string("\x0C\0\0\0[1 6 1]\npan_speed=9\n", 23), 0666, kOther);
        row.make(dir, path);
        if (::testing::Test::HasFatalFailure()) return;
        const Tree before = Snapshot(dir);

        EXPECT_EQ(InChild([&] { return call(dir, path); }, row.asNobody), row.result);

        const Tree after = Snapshot(dir);
        std::set<std::string> expected = row.alsoChanged;
        if (*row.changes) {
            expected.insert(row.changes);
            const std::string changed = dir + "/" + row.changes;
            struct stat st;
            ASSERT_EQ(lstat(changed.c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, row.mode);
            EXPECT_EQ(st.st_uid, row.uid);
            EXPECT_EQ(Slurp(changed), row.content);
        }
        EXPECT_EQ(Changed(before, after), expected);
    }
}

// Files of another user are made with chown, and the rows for permissions
// run as nobody: both need root, as CI runs.
#define NEEDS_ROOT() \
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make other users' files"

const std::string kDefaults = "160 160 13 208";
std::string Block(const char* eol) {
    return std::string("[1 6 1]") + eol + "pan_speed=160" + eol + "tilt_speed=160" + eol + "zoom_speed=13" +
           eol + "focus_speed=208" + eol;
}
const std::string kBinary("\x7F" "ELF\x01\x00\xFE", 7);

// The capture open reads the block (the result), the speed call writes it back.
std::string OpenAndSaveSpeeds(const std::string& dir, const std::string&) {
    if (chdir(dir.c_str()) != 0) return "chdir";
    SetPTInit();
    CaptureChannel ch(6, 1, 1);
    if (!ch.ok()) return "open failed";
    const uint8_t* s = theApp.Manager()->At(1)->Speeds();
    char r[32];
    std::snprintf(r, sizeof r, "%d %d %d %d", s[0], s[1], s[2], s[3]);
    ch.Run(Speed(PT_AXIS_ZOOM, 1));
    return r;
}

TEST(LibraryFiles, SpeedFile) {
    NEEDS_ROOT();
    const char* f = "config/ptz_speed.ini";
    const std::set<std::string> lock = {"config/ptz_speed.ini.lock"};
    auto none = [](const std::string&, const std::string&) {};
    RunTable(f, {
        {"missing: created", none, false, kDefaults, f, Block("\n"), 0644, 0, lock},
        {"other sections, owner and mode kept",
         [](auto&, auto& p) { Put(p, "; note\n[other]\nKey=1\n[1 6 1]\npan_speed=7\n", 0640, kOther); }, false,
         "7 160 13 208", f, "; note\n[other]\nKey=1\n[1 6 1]\npan_speed=7\ntilt_speed=160\nzoom_speed=13\nfocus_speed=208\n",
         0640, kOther, lock},
        {"CRLF stays CRLF", [](auto&, auto& p) { Put(p, "[other]\r\nKey=1\r\n"); }, false, kDefaults, f,
         "[other]\r\nKey=1\r\n" + Block("\r\n"), 0644, 0, lock},
        {"binary kept byte for byte", [](auto&, auto& p) { Put(p, kBinary); }, false, kDefaults, f,
         kBinary + "\n" + Block("\n"), 0644, 0, lock},
        {"FIFO: missing, left alone", [](auto&, auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }, false,
         kDefaults, "", "", 0, 0, {}},
        {"directory: left alone", [](auto&, auto& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); }, false,
         kDefaults, "", "", 0, 0, {}},
        {"link to another user's file: not followed",
         [](auto& d, auto& p) { Link(d + "/victim", p); }, false, kDefaults, "", "", 0, 0, {}},
        {"link planted by another user: not followed",
         [](auto& d, auto& p) {
             Put(d + "/own.ini", "[1 6 1]\npan_speed=9\n");
             Link(d + "/own.ini", p, kOther);
         },
         false, kDefaults, "", "", 0, 0, {}},
        {"dangling link: nothing created", [](auto& d, auto& p) { Link(d + "/nowhere", p); }, false, kDefaults,
         "", "", 0, 0, {}},
        {"own link: updated through it",
         [](auto& d, auto& p) {
             Put(d + "/real.ini", "[1 6 1]\npan_speed=9\n", 0600);
             Link("../real.ini", p);
         },
         false, "9 160 13 208", "real.ini", "[1 6 1]\npan_speed=9\ntilt_speed=160\nzoom_speed=13\nfocus_speed=208\n",
         0600, 0, {"real.ini.lock"}},
        {"unreadable to the caller: not rewritten",
         [](auto& d, auto& p) {
             Put(p, "[other]\nKey=1\n", 0000);
             ASSERT_EQ(chmod((d + "/config").c_str(), 0777), 0);
         },
         true, kDefaults, "", "", 0, 0, {}},
        {"read-only: not replaced", [](auto&, auto& p) { Put(p, "[other]\nKey=1\n", 0444); }, false, kDefaults,
         "", "", 0, 0, {}},
        {"huge: neither read nor rewritten", [](auto&, auto& p) { Sparse(p); }, false, kDefaults, "", "", 0, 0,
         {}},
        {"stale scratch files cleaned, a planted one's target kept",
         [](auto& d, auto& p) {
             Put(p + ".tmp4242.0", "[1 6 1]\npan_speed=1\n");
             Link(d + "/victim", p + ".tmpAbC123", kOther);
         },
         false, kDefaults, f, Block("\n"), 0644, 0,
         {"config/ptz_speed.ini.lock", "config/ptz_speed.ini.tmp4242.0", "config/ptz_speed.ini.tmpAbC123"}},
    }, OpenAndSaveSpeeds);
}

// A zoom move, then the stop the log chooses: the zoom stop when the
// log worked, the generic stop when it was not read.
std::string MoveAndStopDyna(const std::string& dir, const std::string&) {
    if (!dir.empty()) setenv("TREVALO_WINDIR", (dir + "/windows").c_str(), 1);
    SetPTInit();
    CaptureChannel ch(0, 1);
    if (!ch.ok()) return "open failed";
    ch.Run(Cmd(PT_ZOOM_TELE));
    return ch.Run(Cmd(PT_STOP));
}

const std::string kZoomStop = "01 00 24 04 00 21", kGenericStop = "01 00 12 00 00 13";

TEST(LibraryFiles, DynaLog) {
    NEEDS_ROOT();
    const char* f = "windows/DynaPT.log";
    auto none = [](const std::string&, const std::string&) {};
    std::string huge(kHuge, '\0');
    huge[0] = 0x0B;
    RunTable(f, {
        {"missing: created", none, false, kZoomStop, f, std::string("\x0B\0\0\0", 4), 0644, 0, {}},
        {"CRLF: record written over, rest kept", [](auto&, auto& p) { Put(p, "\r\n\r\nX"); }, false, kZoomStop,
         f, std::string("\x0B\0\0\0X", 5), 0644, 0, {}},
        {"binary: record written over, rest kept", [](auto&, auto& p) { Put(p, "\xFF\xFE\x01\x02\x03\x04"); },
         false, kZoomStop, f, std::string("\x0B\0\0\0\x03\x04", 6), 0644, 0, {}},
        {"huge: record written in place", [](auto&, auto& p) { Sparse(p); }, false, kZoomStop, f, huge, 0644, 0,
         {}},
        {"FIFO: missing, left alone", [](auto&, auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }, false,
         kGenericStop, "", "", 0, 0, {}},
        {"directory: left alone", [](auto&, auto& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); }, false,
         kGenericStop, "", "", 0, 0, {}},
        {"link to another user's file: not followed", [](auto& d, auto& p) { Link(d + "/victim", p); }, false,
         kGenericStop, "", "", 0, 0, {}},
        {"link planted by another user: not followed",
         [](auto& d, auto& p) {
             Put(d + "/own.log", std::string("\x05\0\0\0", 4));
             Link(d + "/own.log", p, kOther);
         },
         false, kGenericStop, "", "", 0, 0, {}},
        {"dangling link: target not created", [](auto& d, auto& p) { Link(d + "/nowhere", p); }, false,
         kGenericStop, "", "", 0, 0, {}},
        {"own link: written through it",
         [](auto& d, auto& p) {
             Put(d + "/real.log", std::string("\x05\0\0\0", 4));
             Link(d + "/real.log", p);
         },
         false, kZoomStop, "real.log", std::string("\x0B\0\0\0", 4), 0644, 0, {}},
        {"unreadable to the caller: untouched",
         [](auto&, auto& p) { Put(p, std::string("\x0B\0\0\0", 4), 0000); }, true, kGenericStop, "", "", 0, 0,
         {}},
        {"read-only: read, not written",
         [](auto&, auto& p) { Put(p, std::string("\x01\0\0\0", 4), 0444); }, false,
         "01 00 13 00 00 12 01 00 14 00 00 15", "", "", 0, 0, {}},
    }, MoveAndStopDyna);
}

// A stop on a fresh channel: it names the motion the file holds (up-left
// here) when the file was read, nothing (00) when not; then 13 is stored.
std::string StopSerim(const std::string& dir, const std::string&) {
    setenv("TREVALO_WINDIR", (dir + "/windows").c_str(), 1);
    SetPTInit();
    CaptureChannel ch(8, 1);
    return ch.ok() ? ch.Run(Cmd(PT_STOP)) : "open failed";
}

const std::string kStopUpLeft = "FC 0C 01 00 8D FD", kStopUnnamed = "FC 00 01 00 81 FD";
const std::string kUpLeft("\x07\0\0\0", 4), kStored("\x0D\0\0\0", 4);

TEST(LibraryFiles, SerimFile) {
    NEEDS_ROOT();
    const char* f = "windows/PTINI.INI";
    std::string huge(kHuge, '\0');
    huge[0] = 0x0D;
    RunTable(f, {
        {"missing: not created", [](auto&, auto&) {}, false, kStopUnnamed, "", "", 0, 0, {}},
        {"record read and written", [](auto&, auto& p) { Put(p, kUpLeft); }, false, kStopUpLeft, f, kStored,
         0644, 0, {}},
        {"binary: rest kept", [](auto&, auto& p) { Put(p, kUpLeft + "\xFF\xFE"); }, false, kStopUpLeft, f,
         kStored + "\xFF\xFE", 0644, 0, {}},
        {"CRLF: no motion, record written", [](auto&, auto& p) { Put(p, "\r\n\r\n"); }, false, kStopUnnamed, f,
         kStored, 0644, 0, {}},
        {"huge: record written in place", [](auto&, auto& p) { Sparse(p); }, false, "FC 80 01 00 01 FD", f, huge,
         0644, 0, {}},
        {"FIFO: missing, left alone", [](auto&, auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }, false,
         kStopUnnamed, "", "", 0, 0, {}},
        {"directory: left alone", [](auto&, auto& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); }, false,
         kStopUnnamed, "", "", 0, 0, {}},
        {"link to another user's file: not followed", [](auto& d, auto& p) { Link(d + "/victim", p); }, false,
         kStopUnnamed, "", "", 0, 0, {}},
        {"link planted by another user: not followed",
         [](auto& d, auto& p) {
             Put(d + "/own.ini", kUpLeft);
             Link(d + "/own.ini", p, kOther);
         },
         false, kStopUnnamed, "", "", 0, 0, {}},
        {"dangling link: target not created", [](auto& d, auto& p) { Link(d + "/nowhere", p); }, false,
         kStopUnnamed, "", "", 0, 0, {}},
        {"own link: read and written through it",
         [](auto& d, auto& p) {
             Put(d + "/real.ini", kUpLeft);
             Link(d + "/real.ini", p);
         },
         false, kStopUpLeft, "real.ini", kStored, 0644, 0, {}},
        {"unreadable to the caller: untouched", [](auto&, auto& p) { Put(p, kUpLeft, 0000); }, true,
         kStopUnnamed, "", "", 0, 0, {}},
        {"read-only: read, not written", [](auto&, auto& p) { Put(p, kUpLeft, 0444); }, false, kStopUpLeft, "",
         "", 0, 0, {}},
    }, StopSerim);
}

// COM200 is mapped to a pty; without the map it would be /dev/ttyS199,
// which does not exist, so the result says whether the map was read.
TEST(LibraryFiles, PortMap) {
    NEEDS_ROOT();
    Pty pty(201);
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(chmod(pty.slave().c_str(), 0666), 0);
    const std::string map = "COM200=" + pty.slave() + "\n";
    auto call = [](const std::string&, const std::string& path) {
        setenv("TREVALO_PORTMAP", path.c_str(), 1);
        SetPTInit();
        PtPortHandle* h = SetPtOpen(6, 0, 1, 200, 9600, 'N', 8, 1);
        if (h) SetPtClose(h, 0);
        return std::string(h ? "opened" : "no port");
    };
    RunTable("ports", {
        {"regular", [&](auto&, auto& p) { Put(p, map); }, false, "opened", "", "", 0, 0, {}},
        {"regular, read by another user", [&](auto&, auto& p) { Put(p, map); }, true, "opened", "", "", 0, 0, {}},
        {"CRLF", [&](auto&, auto& p) { Put(p, "# ports\r\nCOM200=" + pty.slave() + "\r\n"); }, false, "opened", "",
         "", 0, 0, {}},
        {"binary around the line", [&](auto&, auto& p) { Put(p, std::string("\0\xFF\n", 3) + map + "\x01\x02"); },
         false, "opened", "", "", 0, 0, {}},
        {"read-only", [&](auto&, auto& p) { Put(p, map, 0444); }, false, "opened", "", "", 0, 0, {}},
        {"own link", [&](auto& d, auto& p) { Put(d + "/real", map); Link(d + "/real", p); }, false, "opened", "",
         "", 0, 0, {}},
        {"FIFO: no map", [](auto&, auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }, false, "no port", "", "",
         0, 0, {}},
        {"directory: no map", [](auto&, auto& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); }, false, "no port", "",
         "", 0, 0, {}},
        {"link to another user's file: not followed",
         [&](auto& d, auto& p) { Put(d + "/theirs", map, 0644, kOther); Link(d + "/theirs", p); }, false,
         "no port", "", "", 0, 0, {}},
        {"link planted by another user: not followed",
         [&](auto& d, auto& p) { Put(d + "/real", map); Link(d + "/real", p, kOther); }, false, "no port", "", "",
         0, 0, {}},
        {"dangling link: no map", [](auto& d, auto& p) { Link(d + "/nowhere", p); }, false, "no port", "", "", 0,
         0, {}},
        {"unreadable to the caller: no map", [&](auto&, auto& p) { Put(p, map, 0000); }, true, "no port", "", "",
         0, 0, {}},
        {"huge: no map", [](auto&, auto& p) { Sparse(p); }, false, "no port", "", "", 0, 0, {}},
    }, call);
}

std::string DirAndMode(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return path + " missing";
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return path + " " + mode;
}

// Where the machine-wide state goes: the installed directory when this
// process may write it, else the user's own state directory, made 0700.
TEST(LibraryFiles, StateDirectoryFallback) {
    NEEDS_ROOT();
    const std::string d = TempDir();
    ASSERT_EQ(chmod(d.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((d + "/system").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((d + "/nobody").c_str(), 0755), 0);
    ASSERT_EQ(chown((d + "/nobody").c_str(), kNobody, kNobody), 0);
    Put(d + "/file", "x");
    struct Case {
        const char* name;
        std::string system, xdg, home;  // "" for unset
        bool asNobody;
        std::string expect;
    };
    const Case cases[] = {
        {"installed directory writable", d + "/system", d + "/xdg1", d + "/home1", false, d + "/system 0755"},
        {"installed directory missing: XDG_STATE_HOME", d + "/none", d + "/xdg2", d + "/home2", false,
         d + "/xdg2/trevalo 0700"},
        {"installed path is a file: XDG_STATE_HOME", d + "/file", d + "/xdg3", d + "/home3", false,
         d + "/xdg3/trevalo 0700"},
        {"installed directory not writable by the caller", d + "/system", d + "/nobody/xdg", d + "/home4", true,
         d + "/nobody/xdg/trevalo 0700"},
        {"relative XDG_STATE_HOME ignored: home", d + "/none", "relative", d + "/home5", false,
         d + "/home5/.local/state/trevalo 0700"},
        {"no XDG_STATE_HOME: home", d + "/none", "", d + "/home6/", false, d + "/home6/.local/state/trevalo 0700"},
        {"fallback blocked by a file: installed path", d + "/none", d + "/file", "", false, d + "/none missing"},
        {"nowhere to fall back: installed path", d + "/none", "", "", false, d + "/none missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(InChild(
                      [&] {
                          return DirAndMode(platform::posixfile::ChooseStateDirectory(
                              c.system, c.xdg.empty() ? nullptr : c.xdg.c_str(),
                              c.home.empty() ? nullptr : c.home.c_str()));
                      },
                      c.asNobody),
                  c.expect);
    }
}

// A default install, run by a service user who may not write the
// installed directory (or where it is missing): the Dyna stop still
// follows the last move, through the user's own state directory.
TEST(LibraryFiles, DynaKeepsItsMemoryWithoutTheInstalledDirectory) {
    NEEDS_ROOT();
    const std::string d = TempDir();
    ASSERT_EQ(chmod(d.c_str(), 0755), 0);
    ASSERT_EQ(chown(d.c_str(), kNobody, kNobody), 0);
    const std::string got = InChild(
        [&] {
            unsetenv("TREVALO_WINDIR");
            setenv("XDG_STATE_HOME", (d + "/state").c_str(), 1);
            return MoveAndStopDyna("", "") + " " + DirAndMode(platform::WindowsDirectory());
        },
        true);
    EXPECT_EQ(got, kZoomStop + " " + d + "/state/trevalo 0700");
    EXPECT_EQ(Slurp(d + "/state/trevalo/DynaPT.log"), std::string("\x0B\0\0\0", 4));
}

// Sections "<writer> <n>" with four keys each, every value naming both.
void WriteSections(const std::string& file, int writer, int count) {
    for (int n = 0; n < count; ++n) {
        const std::string section = std::to_string(writer) + " " + std::to_string(n);
        const std::string v = std::to_string(writer * 1000 + n);
        const char* keys[4] = {"pan_speed", "tilt_speed", "zoom_speed", "focus_speed"};
        const char* values[4] = {v.c_str(), v.c_str(), v.c_str(), v.c_str()};
        platform::ProfileWriteStrings(file, section.c_str(), keys, values, 4);
    }
}

int MissingKeys(const std::string& file, int writers, int count) {
    int missing = 0;
    for (int w = 0; w < writers; ++w)
        for (int n = 0; n < count; ++n) {
            const std::string section = std::to_string(w) + " " + std::to_string(n);
            for (const char* key : {"pan_speed", "tilt_speed", "zoom_speed", "focus_speed"})
                missing += platform::ProfileGetInt(file, section.c_str(), key, -1) != w * 1000 + n;
        }
    return missing;
}

TEST(LibraryFiles, ThreadsWritingDifferentSectionsLoseNothing) {
    const std::string file = TempDir() + "/ptz_speed.ini";
    constexpr int kThreads = 8, kEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(WriteSections, file, t, kEach);
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(MissingKeys(file, kThreads, kEach), 0);
}

TEST(LibraryFiles, ProcessesWritingDifferentSectionsLoseNothing) {
    const std::string file = TempDir() + "/ptz_speed.ini";
    constexpr int kEach = 100;
    pid_t pids[2];
    for (int p = 0; p < 2; ++p) {
        pids[p] = fork();
        if (pids[p] == 0) {
            WriteSections(file, p, kEach);
            _exit(0);
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(MissingKeys(file, 2, kEach), 0);
    DIR* d = opendir(file.substr(0, file.rfind('/')).c_str());
    int entries = 0;
    while (readdir(d)) ++entries;
    closedir(d);
    EXPECT_EQ(entries, 4);  // ., .., the file and its lock: no scratch left
}

}  // namespace
