// The Linux side of the serial and net runs under Wine: holds the far ends
// of the COM ports (pty masters), starts the Windows host in that mode and
// answers its "@" requests (see HostSerial.cpp). Exits with the host's
// status.
//   serial: COM1 and COM12 mapped to ptys in the Wine prefix's registry.
//   net:    COM5 mapped through TREVALO_COM5 (Wine passes the environment
//           on) to ser2net on loopback, a pty behind an RFC 2217 accepter;
//           exits 77 when ser2net is not installed.
//
//   WinePeer serial|net <wine> <wineserver> <TrevaloHost.exe> <Trevalo.dll>
// with WINEPREFIX and the rest of Wine's environment already set.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/Ser2net.h"

extern char** environ;

namespace {

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// ARGV started with IN and OUT as its stdin and stdout (/dev/null for -1); its pid, or -1.
pid_t Spawn(const std::vector<std::string>& argv, int in = -1, int out = -1) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
    posix_spawn_file_actions_adddup2(&fa, in >= 0 ? in : devnull, 0);
    posix_spawn_file_actions_adddup2(&fa, out >= 0 ? out : devnull, 1);
    if (out < 0) posix_spawn_file_actions_adddup2(&fa, devnull, 2);
    pid_t pid = -1;
    if (const int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ)) {
        std::printf("cannot start %s: %s\n", args[0], std::strerror(rc));
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&fa);
    close(devnull);
    return pid;
}

// The exit status; a process still running after MS milliseconds is killed.
int Wait(pid_t pid, unsigned ms) {
    int status = 0;
    for (const uint64_t end = NowMs() + ms; pid > 0 && waitpid(pid, &status, WNOHANG) == 0; usleep(20000)) {
        if (NowMs() < end) continue;
        std::printf("process %d did not end; killing it\n", static_cast<int>(pid));
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        break;
    }
    return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

int Run(const std::vector<std::string>& argv) { return Wait(Spawn(argv), 120000); }

std::string WinPath(const char* unixPath) {
    char real[4096];
    std::string p = realpath(unixPath, real) ? real : unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return "Z:" + p;
}

std::string Hex(const std::vector<uint8_t>& v) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < v.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", v[i]);
        s += b;
    }
    return s;
}

std::vector<uint8_t> Bytes(std::istringstream& in) {
    std::vector<uint8_t> out;
    for (std::string t; in >> t;) out.push_back(static_cast<uint8_t>(std::strtoul(t.c_str(), nullptr, 16)));
    return out;
}

// Exactly what the host's port wrote: the bytes within 10 s, then nothing
// more for a moment.
std::string Wire(int fd, const std::vector<uint8_t>& want) {
    std::vector<uint8_t> got;
    uint8_t buf[256];
    pollfd pf{fd, POLLIN, 0};
    for (const uint64_t end = NowMs() + 10000; got.size() < want.size() && NowMs() < end;) {
        const ssize_t r = poll(&pf, 1, 50) > 0 ? read(fd, buf, sizeof buf) : 0;
        if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    for (ssize_t r; poll(&pf, 1, 100) > 0 && (pf.revents & POLLIN) && (r = read(fd, buf, sizeof buf)) > 0;)
        got.insert(got.end(), buf, buf + r);
    return got == want ? "ok" : "\"" + Hex(got) + "\"";
}

// One "@" request on the far end of port FD.
std::string Answer(const std::string& what, int& fd, std::istringstream& req) {
    if (what == "wire") return Wire(fd, Bytes(req));
    if (what == "send") {
        const std::vector<uint8_t> b = Bytes(req);
        return write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size()) ? "ok" : "short write";
    }
    if (what == "line") {
        // A pty master reports its slave's settings. A pty forces CS8 and
        // clears PARENB, so odd parity shows in PARODD alone.
        unsigned rate = 0;
        int stop = 0, odd = 0;
        termios t;
        if (!(req >> rate >> stop >> odd) || tcgetattr(fd, &t) != 0) return "bad request, or no tty settings";
        const std::map<speed_t, unsigned> rates{{B2400, 2400}, {B9600, 9600}, {B19200, 19200}, {B57600, 57600}, {B115200, 115200}};
        const unsigned gotRate = rates.count(cfgetospeed(&t)) ? rates.at(cfgetospeed(&t)) : 0;
        const int gotStop = (t.c_cflag & CSTOPB) ? 2 : 1, gotOdd = (t.c_cflag & PARODD) ? 1 : 0;
        if (gotRate == rate && gotStop == stop && gotOdd == odd) return "ok";
        return std::to_string(gotRate) + " baud, " + std::to_string(gotStop) + " stop bits, odd " + std::to_string(gotOdd);
    }
    if (what != "hangup") return "unknown request";
    close(fd);
    fd = -1;
    return "ok";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 6 ? argv[1] : "";
    if (mode != "serial" && mode != "net") {
        std::printf("usage: WinePeer serial|net <wine> <wineserver> <TrevaloHost.exe> <Trevalo.dll>\n");
        return 2;
    }
    const std::string wine = argv[2], server = argv[3];
    setvbuf(stdout, nullptr, _IOLBF, 0);  // each line out before the next wait
    std::map<int, int> ports;  // COM number -> pty master
    for (int com : mode == "net" ? std::vector<int>{5} : std::vector<int>{1, 12}) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            std::printf("no pseudo-terminal for COM%d\n", com);
            return 1;
        }
        ports[com] = master;
    }
    pttest::Ser2net ser2net;
    if (mode == "net") {
        if (pttest::Ser2net::Program().empty()) {
            std::printf("ser2net is not installed (Debian package ser2net)\n");
            return 77;
        }
        ser2net.Add(ptsname(ports[5]), true);
        if (!ser2net.Start()) {
            std::printf("ser2net did not start\n");
            return 1;
        }
        setenv("TREVALO_COM5", ser2net.Url(0).c_str(), 1);
        std::printf("COM5 = %s\n", ser2net.Url(0).c_str());
    } else {
        for (const auto& p : ports) {
            const std::string name = "COM" + std::to_string(p.first), tty = ptsname(p.second);
            if (Run({wine, "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", name, "/d", tty, "/f"}) != 0) {
                std::printf("cannot map %s in the Wine registry\n", name.c_str());
                return 1;
            }
            std::printf("%s = %s\n", name.c_str(), tty.c_str());
        }
        // Wine rebuilds its dosdevices links from this key when it starts.
        Run({server, "-k"});
        Run({server, "-w"});
    }
    // A server of our own making, so that it holds none of the test's output.
    Run({server});

    int toHost[2], fromHost[2];
    if (pipe2(toHost, O_CLOEXEC) != 0 || pipe2(fromHost, O_CLOEXEC) != 0) return 1;
    const pid_t host = Spawn({wine, WinPath(argv[4]), WinPath(argv[5]), mode}, toHost[0], fromHost[1]);
    close(toHost[0]);
    close(fromHost[1]);
    if (host < 0) return 1;
    signal(SIGPIPE, SIG_IGN);

    // Wine's helper processes may keep the pipe open after the host ends,
    // so the host's closing line ends the dialogue, not end of file.
    bool finished = false;
    std::string pending;  // read but not yet a whole line
    for (const uint64_t deadline = NowMs() + 240000; !finished && NowMs() < deadline;) {
        const size_t eol = pending.find('\n');
        if (eol == std::string::npos) {
            pollfd pf{fromHost[0], POLLIN, 0};
            char buf[4096];
            const bool ready = poll(&pf, 1, 500) > 0;
            const ssize_t n = ready ? read(fromHost[0], buf, sizeof buf) : 0;
            if (ready ? n <= 0 : waitpid(host, nullptr, WNOHANG) == host) break;  // end of file, or the host ended
            if (n > 0) pending.append(buf, static_cast<size_t>(n));
            continue;
        }
        std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 1);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        finished = line.rfind("host:", 0) == 0;
        if (line.empty() || line[0] != '@') {
            std::printf("%s\n", line.c_str());
            continue;
        }
        std::istringstream req(line.substr(1));
        std::string what;
        int com = 0;
        req >> what >> com;
        const std::string answer = ports.count(com) && ports[com] >= 0 ? Answer(what, ports[com], req) : "no such port";
        std::printf("%s -> %s\n", line.c_str(), answer.c_str());
        if (write(toHost[1], (answer + "\n").data(), answer.size() + 1) < 0) break;
    }
    close(toHost[1]);
    const int status = Wait(host, 10000);
    for (const auto& p : ports) close(p.second);
    if (!finished) std::printf("the host stopped before its closing line\n");
    return finished ? status : 1;
}
