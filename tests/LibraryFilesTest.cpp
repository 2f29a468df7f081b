// The library's files in hostile forms. Each call runs in a child process
// with a bound, so a call that blocks (on a FIFO, say) fails the row
// instead of the suite; each row says what the call returned, what the
// file holds after, and which paths of its directory may change: every
// other path, and the other user's file, must be exactly as before.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
namespace posixfile = platform::posixfile;

constexpr uid_t kOther = 4242;    // owns the victim file and the planted links
constexpr uid_t kNobody = 65534;  // runs the rows that need permissions to bite
constexpr size_t kHuge = 5u << 20;  // just over what the library reads as text

std::string Slurp(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void Put(const std::string& path, const std::string& data, mode_t mode = 0644, uid_t uid = 0) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
    ASSERT_EQ(chown(path.c_str(), uid, uid), 0) << path;
    ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

void Sparse(const std::string& path) {
    std::ofstream{path};
    ASSERT_EQ(truncate(path.c_str(), kHuge), 0);
}

// What a record written into a sparse file leaves.
std::string Huge(char first) {
    return std::string(1, first) + std::string(kHuge - 1, '\0');
}

void Link(const std::string& to, const std::string& at, uid_t owner = 0) {
    ASSERT_EQ(symlink(to.c_str(), at.c_str()), 0) << at;
    ASSERT_EQ(lchown(at.c_str(), owner, owner), 0) << at;
}

// Every path under a directory: type, mode, owner and content or link target.
using Tree = std::map<std::string, std::string>;

Tree Snapshot(const std::string& dir) {
    Tree tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string full = entry.path();
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) continue;
        std::ostringstream desc;
        desc << std::oct << st.st_mode << std::dec << " uid " << st.st_uid << " ";
        if (S_ISREG(st.st_mode)) desc << Slurp(full);
        if (S_ISLNK(st.st_mode)) desc << "-> " << std::filesystem::read_symlink(entry.path()).string();
        tree[full.substr(dir.size() + 1)] = desc.str();
    }
    return tree;
}

std::set<std::string> Changed(const Tree& a, const Tree& b) {
    std::set<std::string> out;
    for (const Tree* t : {&a, &b})
        for (const auto& [path, desc] : *t)
            if (!a.count(path) || !b.count(path) || a.at(path) != b.at(path)) out.insert(path);
    return out;
}

// Valgrind runs the suite too, a good deal slower than a second allows.
unsigned BoundMs() {
    const char* pre = std::getenv("LD_PRELOAD");
    return pre && std::strstr(pre, "vgpreload") ? 30000 : 1000;
}

// Runs call in a child (as kNobody when asked); "hung" when it has not
// returned within the bound. The result is short: the pipe holds it whole.
std::string InChild(const std::function<std::string()>& call, bool asNobody = false) {
    int p[2];
    if (pipe(p) != 0) return "pipe failed";
    const pid_t pid = fork();
    if (pid == 0) {
        if (asNobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
        const std::string r = call();
        _exit(write(p[1], r.data(), r.size()) == static_cast<ssize_t>(r.size()) ? 0 : 4);
    }
    close(p[1]);
    int status = 0;
    bool done = false;
    for (const uint64_t end = platform::MonotonicUs() + BoundMs() * 1000ull;
         !(done = waitpid(pid, &status, WNOHANG) == pid) && platform::MonotonicUs() < end;)
        usleep(1000);
    if (!done) kill(pid, SIGKILL), waitpid(pid, &status, 0);
    char buf[4096];
    const ssize_t n = done ? read(p[0], buf, sizeof buf) : -1;
    close(p[0]);
    if (!done) return "hung";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::string(buf, n > 0 ? n : 0) : "child failed";
}

using Make = std::function<void(const std::string& dir, const std::string& path)>;

// A row: how the file is made, who calls, what the call returns, and the
// one file expected to change (content, mode, owner), if any.
struct Row {
    const char* name;
    Make make;
    bool asNobody;
    std::string result;
    const char* changes;  // path of the file that changes, relative to the row's directory; "" for none
    std::string content;
    mode_t mode;
    uid_t uid;
    std::set<std::string> alsoChanged;  // lock files made, scratch files cleaned
};

Row Same(const char* name, Make make, const std::string& result, bool asNobody = false) {
    return {name, std::move(make), asNobody, result, "", "", 0, 0, {}};
}
Row Writes(const char* name, Make make, const std::string& result, const char* changes, const std::string& content,
           std::set<std::string> also = {}, mode_t mode = 0644, uid_t uid = 0) {
    return {name, std::move(make), false, result, changes, content, mode, uid, std::move(also)};
}

const Make kNone = [](auto&, auto&) {};
const Make kSparse = [](auto&, auto& p) { Sparse(p); };
Make Holding(const std::string& data, mode_t mode = 0644, uid_t uid = 0) {
    return [=](auto&, auto& p) { Put(p, data, mode, uid); };
}
// Through a link to a regular file: own, or planted by kOther.
Make LinkedTo(const std::string& name, const std::string& data, uid_t fileOwner, uid_t linkOwner) {
    return [=](auto& d, auto& p) {
        Put(d + "/" + name, data, 0644, fileOwner);
        Link(d + "/" + name, p, linkOwner);
    };
}

// file is the path of the file under test relative to the row's directory.
// Every table starts with what none of the files may be: each is left
// alone and its content (data), which would change the result if read, is not.
void RunTable(const char* file, const std::string& result, const std::string& data, std::vector<Row> rows,
              const std::function<std::string(const std::string& dir)>& call) {
    rows.insert(rows.begin(), {
        Same("FIFO", [](auto&, auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }, result),
        Same("directory", [](auto&, auto& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); }, result),
        Same("link to another user's file", LinkedTo("theirs", data, kOther, 0), result),
        Same("link planted by another user", LinkedTo("own", data, 0, kOther), result),
        Same("dangling link", [](auto& d, auto& p) { Link(d + "/nowhere", p); }, result),
    });
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

        EXPECT_EQ(InChild([&] { return call(dir); }, row.asNobody), row.result);

        Tree after = Snapshot(dir);
        std::set<std::string> expected = row.alsoChanged;
        if (*row.changes) {  // a regular file, with this mode, owner and content
            expected.insert(row.changes);
            char head[32];
            std::snprintf(head, sizeof head, "%o uid %u ", S_IFREG | row.mode, row.uid);
            EXPECT_EQ(after[row.changes], head + row.content);
        }
        EXPECT_EQ(Changed(before, after), expected);
    }
}

// Files of another user are made with chown, and the rows for permissions
// run as nobody: both need root, as CI runs.
#define NEEDS_ROOT() \
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make other users' files"

const std::string kDefaults = "160 160 13 208", kRest = "tilt_speed=160\nzoom_speed=13\nfocus_speed=208\n";
std::string Block(const char* eol) {
    return std::string("[1 6 1]") + eol + "pan_speed=160" + eol + "tilt_speed=160" + eol + "zoom_speed=13" +
           eol + "focus_speed=208" + eol;
}
const std::string kBinary("\x7F" "ELF\x01\x00\xFE", 7);

// The capture open reads the block (the result), the speed call writes it back.
std::string OpenAndSaveSpeeds(const std::string& dir) {
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
    const std::string nine = "[1 6 1]\npan_speed=9\n", noted = "; note\n[other]\nKey=1\n[1 6 1]\npan_speed=7\n";
    const std::string other = "[other]\nKey=1\n", otherCrlf = "[other]\r\nKey=1\r\n";
    RunTable(f, kDefaults, nine, {
        Writes("missing: created", kNone, kDefaults, f, Block("\n"), lock),
        Writes("other sections, owner and mode kept", Holding(noted, 0640, kOther), "7 160 13 208", f, noted + kRest,
               lock, 0640, kOther),
        Writes("CRLF stays CRLF", Holding(otherCrlf), kDefaults, f, otherCrlf + Block("\r\n"), lock),
        Writes("binary kept byte for byte", Holding(kBinary), kDefaults, f, kBinary + "\n" + Block("\n"), lock),
        Writes("own link: updated through it",
               [=](auto& d, auto& p) { Put(d + "/real.ini", nine, 0600), Link("../real.ini", p); }, "9 160 13 208",
               "real.ini", nine + kRest, {"real.ini.lock"}, 0600),
        Same("unreadable to the caller: not rewritten", [=](auto& d, auto& p) {
            Put(p, other, 0000);
            ASSERT_EQ(chmod((d + "/config").c_str(), 0777), 0);
        }, kDefaults, true),
        Same("read-only: not replaced", Holding(other, 0444), kDefaults),
        Same("huge: neither read nor rewritten", kSparse, kDefaults),
        Writes("stale scratch files cleaned, a planted one's target kept",
               [](auto& d, auto& p) {
                   Put(p + ".tmp4242.0", "[1 6 1]\npan_speed=1\n"), Link(d + "/victim", p + ".tmpAbC123", kOther);
               },
               kDefaults, f, Block("\n"),
               {"config/ptz_speed.ini.lock", "config/ptz_speed.ini.tmp4242.0", "config/ptz_speed.ini.tmpAbC123"}),
    }, OpenAndSaveSpeeds);
}

// A zoom move, then the stop the log chooses: the zoom stop when the
// log worked, the generic stop when it was not read.
std::string MoveAndStopDyna(const std::string& dir) {
    if (!dir.empty()) setenv("TREVALO_WINDIR", (dir + "/windows").c_str(), 1);
    SetPTInit();
    CaptureChannel ch(0, 1);
    if (!ch.ok()) return "open failed";
    ch.Run(Cmd(PT_ZOOM_TELE));
    return ch.Run(Cmd(PT_STOP));
}

const std::string kZoomStop = "01 00 24 04 00 21", kGenericStop = "01 00 12 00 00 13";
const std::string kDynaZoom("\x0B\0\0\0", 4);

TEST(LibraryFiles, DynaLog) {
    NEEDS_ROOT();
    const char* f = "windows/DynaPT.log";
    const std::string five("\x05\0\0\0", 4);
    RunTable(f, kGenericStop, five, {
        Writes("missing: created", kNone, kZoomStop, f, kDynaZoom),
        Writes("CRLF: record written over, rest kept", Holding("\r\n\r\nX"), kZoomStop, f, kDynaZoom + "X"),
        Writes("binary: record written over, rest kept", Holding("\xFF\xFE\x01\x02\x03\x04"), kZoomStop, f,
               kDynaZoom + "\x03\x04"),
        Writes("huge: record written in place", kSparse, kZoomStop, f, Huge(0x0B)),
        Writes("own link: written through it", LinkedTo("real.log", five, 0, 0), kZoomStop, "real.log", kDynaZoom),
        Same("unreadable to the caller: untouched", Holding(kDynaZoom, 0000), kGenericStop, true),
        Same("read-only: read, not written", Holding(std::string("\x01\0\0\0", 4), 0444),
             "01 00 13 00 00 12 01 00 14 00 00 15"),
    }, MoveAndStopDyna);
}

// A stop on a fresh channel: it names the motion the file holds (up-left
// here) when the file was read, nothing (00) when not; then 13 is stored.
std::string StopSerim(const std::string& dir) {
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
    RunTable(f, kStopUnnamed, kUpLeft, {
        Same("missing: not created", kNone, kStopUnnamed),
        Writes("record read and written", Holding(kUpLeft), kStopUpLeft, f, kStored),
        Writes("binary: rest kept", Holding(kUpLeft + "\xFF\xFE"), kStopUpLeft, f, kStored + "\xFF\xFE"),
        Writes("CRLF: no motion, record written", Holding("\r\n\r\n"), kStopUnnamed, f, kStored),
        Writes("huge: record written in place", kSparse, "FC 80 01 00 01 FD", f, Huge(0x0D)),
        Writes("own link: read and written through it", LinkedTo("real.ini", kUpLeft, 0, 0), kStopUpLeft,
               "real.ini", kStored),
        Same("unreadable to the caller: untouched", Holding(kUpLeft, 0000), kStopUnnamed, true),
        Same("read-only: read, not written", Holding(kUpLeft, 0444), kStopUpLeft),
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
    auto call = [](const std::string& dir) {
        setenv("TREVALO_PORTMAP", (dir + "/ports").c_str(), 1);
        SetPTInit();
        PtPortHandle* h = SetPtOpen(6, 0, 1, 200, 9600, 'N', 8, 1);
        if (h) SetPtClose(h, 0);
        return std::string(h ? "opened" : "no port");
    };
    RunTable("ports", "no port", map, {
        Same("regular", Holding(map), "opened"),
        Same("regular, read by another user", Holding(map), "opened", true),
        Same("CRLF", Holding("# ports\r\nCOM200=" + pty.slave() + "\r\n"), "opened"),
        Same("binary around the line", Holding(std::string("\0\xFF\n", 3) + map + "\x01\x02"), "opened"),
        Same("read-only", Holding(map, 0444), "opened"),
        Same("own link", LinkedTo("real", map, 0, 0), "opened"),
        Same("unreadable to the caller", Holding(map, 0000), "no port", true),
        Same("huge", kSparse, "no port"),
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
// Last, a default install run by a service user who may not write the
// installed directory: the Dyna stop still follows the last move.
TEST(LibraryFiles, StateDirectoryFallback) {
    NEEDS_ROOT();
    const std::string d = TempDir();
    ASSERT_EQ(chmod(d.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((d + "/system").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((d + "/nobody").c_str(), 0755), 0);
    ASSERT_EQ(chown((d + "/nobody").c_str(), kNobody, kNobody), 0);
    Put(d + "/file", "x");
    // Paths starting "/" are under d; "" is unset.
    struct Case { const char* name; std::string system, xdg, home; bool asNobody; std::string expect; };
    const Case cases[] = {
        {"installed directory writable", "/system", "/xdg1", "/home1", false, "/system 0755"},
        {"installed directory missing: XDG_STATE_HOME", "/none", "/xdg2", "/home2", false, "/xdg2/trevalo 0700"},
        {"installed path is a file: XDG_STATE_HOME", "/file", "/xdg3", "/home3", false, "/xdg3/trevalo 0700"},
        {"installed directory not writable by the caller", "/system", "/nobody/xdg", "/home4", true,
         "/nobody/xdg/trevalo 0700"},
        {"relative XDG_STATE_HOME ignored: home", "/none", "relative", "/home5", false,
         "/home5/.local/state/trevalo 0700"},
        {"no XDG_STATE_HOME: home", "/none", "", "/home6/", false, "/home6/.local/state/trevalo 0700"},
        {"fallback blocked by a file: installed path", "/none", "/file", "", false, "/none missing"},
        {"nowhere to fall back: installed path", "/none", "", "", false, "/none missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string xdg = c.xdg[0] == '/' ? d + c.xdg : c.xdg, home = d + c.home;
        const char* xdgOrUnset = c.xdg.empty() ? nullptr : xdg.c_str();
        const char* homeOrUnset = c.home.empty() ? nullptr : home.c_str();
        EXPECT_EQ(InChild([&] {
                      return DirAndMode(posixfile::ChooseStateDirectory(d + c.system, xdgOrUnset, homeOrUnset));
                  }, c.asNobody), d + c.expect);
    }
    EXPECT_EQ(InChild([&] {
                  unsetenv("TREVALO_WINDIR");
                  setenv("XDG_STATE_HOME", (d + "/nobody/state").c_str(), 1);
                  return MoveAndStopDyna("") + " " + DirAndMode(platform::WindowsDirectory());
              }, true), kZoomStop + " " + d + "/nobody/state/trevalo 0700");
    EXPECT_EQ(Slurp(d + "/nobody/state/trevalo/DynaPT.log"), kDynaZoom);
}

// Sections "<writer> <n>" with four keys each, every value naming both.
const char* const kKeys[4] = {"pan_speed", "tilt_speed", "zoom_speed", "focus_speed"};

void WriteSections(const std::string& file, int writer, int count) {
    for (int n = 0; n < count; ++n) {
        const std::string section = std::to_string(writer) + " " + std::to_string(n);
        const std::string v = std::to_string(writer * 1000 + n);
        const char* values[4] = {v.c_str(), v.c_str(), v.c_str(), v.c_str()};
        platform::ProfileWriteStrings(file, section.c_str(), kKeys, values, 4);
    }
}

// Threads of one process, then processes: every key of every writer is there after.
TEST(LibraryFiles, WritersOfDifferentSectionsLoseNothing) {
    for (const bool processes : {false, true}) {
        SCOPED_TRACE(processes ? "processes" : "threads");
        const std::string dir = TempDir(), file = dir + "/ptz_speed.ini";
        const int writers = processes ? 2 : 8, each = processes ? 100 : 25;
        std::vector<std::thread> threads;
        std::vector<pid_t> pids;
        for (int w = 0; w < writers; ++w)
            if (!processes) threads.emplace_back(WriteSections, file, w, each);
            else if (pids.emplace_back(fork()) == 0) WriteSections(file, w, each), _exit(0);
        for (std::thread& t : threads) t.join();
        int st = 0;
        for (pid_t pid : pids) EXPECT_TRUE(waitpid(pid, &st, 0) == pid && WIFEXITED(st) && WEXITSTATUS(st) == 0);
        int missing = 0;
        for (int w = 0; w < writers; ++w)
            for (int n = 0; n < each; ++n)
                for (const char* key : kKeys)
                    missing += platform::ProfileGetInt(file, (std::to_string(w) + " " + std::to_string(n)).c_str(),
                                                       key, -1) != w * 1000 + n;
        EXPECT_EQ(missing, 0);
        EXPECT_EQ(Snapshot(dir).size(), 2u) << "the file and its lock: no scratch left";
    }
}

}  // namespace
