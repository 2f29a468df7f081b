// The Linux side of the serial run under Wine: holds the far ends of the
// COM ports (pty masters), maps the ports in the Wine prefix's registry,
// starts the Windows host in serial mode and answers its "@" requests (see
// HostSerial.cpp). Exits with the host's status.
//
//   WineSerialPeer <wine> <wineserver> <TrevaloHost.exe> <Trevalo.dll>
// with WINEPREFIX and the rest of Wine's environment already set.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

uint64_t NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

int Run(const std::vector<std::string>& argv, int in = -1, int out = -1, pid_t* started = nullptr) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
    posix_spawn_file_actions_adddup2(&fa, in >= 0 ? in : devnull, 0);
    posix_spawn_file_actions_adddup2(&fa, out >= 0 ? out : devnull, 1);
    if (out < 0) posix_spawn_file_actions_adddup2(&fa, devnull, 2);
    pid_t pid;
    const int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(devnull);
    if (rc != 0) {
        std::printf("cannot start %s: %s\n", args[0], std::strerror(rc));
        return -1;
    }
    if (started) {
        *started = pid;
        return 0;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string WinPath(const char* unixPath) {
    char real[4096];
    std::string p = realpath(unixPath, real) ? real : unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return "Z:" + p;
}

struct Pty {
    int master = -1;
    std::string slave;
    bool Open() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
        slave = ptsname(master);
        return true;
    }
};

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

// Exactly what the host's port wrote: n bytes within 3 s, then nothing more
// for a moment.
std::string Wire(int fd, const std::vector<uint8_t>& want) {
    std::vector<uint8_t> got;
    const uint64_t end = NowMs() + 3000;
    while (got.size() < want.size() && NowMs() < end) {
        pollfd pf{fd, POLLIN, 0};
        if (poll(&pf, 1, 50) <= 0) continue;
        uint8_t buf[256];
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    pollfd pf{fd, POLLIN, 0};
    while (poll(&pf, 1, 100) > 0 && (pf.revents & POLLIN)) {
        uint8_t buf[256];
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r <= 0) break;
        got.insert(got.end(), buf, buf + r);
    }
    return got == want ? "ok" : "\"" + Hex(got) + "\"";
}

unsigned Rate(speed_t s) {
    switch (s) {
        case B2400: return 2400;
        case B9600: return 9600;
        case B19200: return 19200;
        case B57600: return 57600;
        case B115200: return 115200;
        default: return 0;
    }
}

// A pty master reports its slave's settings. A pty forces CS8 and clears
// PARENB, so odd parity shows in PARODD alone.
std::string Line(int fd, unsigned rate, int stopBits, int odd) {
    termios t;
    if (tcgetattr(fd, &t) != 0) return std::string("tcgetattr: ") + std::strerror(errno);
    const unsigned gotRate = Rate(cfgetospeed(&t));
    const int gotStop = (t.c_cflag & CSTOPB) ? 2 : 1;
    const int gotOdd = (t.c_cflag & PARODD) ? 1 : 0;
    if (gotRate == rate && gotStop == stopBits && gotOdd == odd) return "ok";
    return std::to_string(gotRate) + " baud, " + std::to_string(gotStop) + " stop bits, odd " + std::to_string(gotOdd);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::printf("usage: WineSerialPeer <wine> <wineserver> <TrevaloHost.exe> <Trevalo.dll>\n");
        return 2;
    }
    const std::string wine = argv[1], server = argv[2];
    std::map<int, Pty> ports;
    for (int com : {1, 12}) {
        if (!ports[com].Open()) {
            std::printf("no pseudo-terminal for COM%d\n", com);
            return 1;
        }
    }

    // Wine rebuilds its dosdevices links from this key when it starts, so
    // the server is restarted after the mapping is written.
    std::map<int, std::string> mapping{{1, ports[1].slave}, {12, ports[12].slave}};
    for (const auto& m : mapping) {
        const std::string name = "COM" + std::to_string(m.first);
        if (Run({wine, "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", name, "/d", m.second, "/f"}) != 0) {
            std::printf("cannot map %s in the Wine registry\n", name.c_str());
            return 1;
        }
        std::printf("%s = %s\n", name.c_str(), m.second.c_str());
    }
    Run({server, "-k"});
    Run({server, "-w"});
    // A server of our own making, so that it holds none of the test's output.
    Run({server});

    int toHost[2], fromHost[2];
    if (pipe2(toHost, O_CLOEXEC) != 0 || pipe2(fromHost, O_CLOEXEC) != 0) return 1;
    pid_t host = 0;
    if (Run({wine, WinPath(argv[3]), WinPath(argv[4]), "serial"}, toHost[0], fromHost[1], &host) != 0) return 1;
    close(toHost[0]);
    close(fromHost[1]);
    signal(SIGPIPE, SIG_IGN);

    // Wine's helper processes may keep the pipe open after the host ends,
    // so the host's closing line ends the dialogue, not end of file.
    const uint64_t deadline = NowMs() + 240000;
    bool finished = false;
    std::string pending;  // read but not yet a whole line
    while (!finished && NowMs() < deadline) {
        const size_t eol = pending.find('\n');
        if (eol == std::string::npos) {
            pollfd pf{fromHost[0], POLLIN, 0};
            if (poll(&pf, 1, 500) <= 0) {
                if (waitpid(host, nullptr, WNOHANG) == host) {
                    host = 0;
                    break;
                }
                continue;
            }
            char buf[4096];
            const ssize_t n = read(fromHost[0], buf, sizeof buf);
            if (n <= 0) break;
            pending.append(buf, static_cast<size_t>(n));
            continue;
        }
        std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 1);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] != '@') {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
            finished = line.rfind("host:", 0) == 0;
            continue;
        }
        std::istringstream req(line.substr(1));
        std::string what;
        int com = 0;
        req >> what >> com;
        std::string answer = "no such port";
        auto port = ports.find(com);
        if (port != ports.end() && port->second.master >= 0) {
            const int fd = port->second.master;
            if (what == "wire") {
                answer = Wire(fd, Bytes(req));
            } else if (what == "send") {
                const std::vector<uint8_t> b = Bytes(req);
                answer = write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size()) ? "ok" : "short write";
            } else if (what == "line") {
                unsigned rate = 0;
                int stop = 0, odd = 0;
                req >> rate >> stop >> odd;
                answer = Line(fd, rate, stop, odd);
            } else if (what == "hangup") {
                close(fd);
                port->second.master = -1;
                answer = "ok";
            } else {
                answer = "unknown request";
            }
        }
        std::printf("%s -> %s\n", line.c_str(), answer.c_str());
        std::fflush(stdout);
        answer += "\n";
        if (write(toHost[1], answer.data(), answer.size()) < 0) break;
    }
    close(toHost[1]);

    int status = 0;
    if (host) {
        const uint64_t end = NowMs() + 10000;
        while (waitpid(host, &status, WNOHANG) == 0) {
            if (NowMs() > end) {
                std::printf("the host did not end; killing it\n");
                kill(host, SIGKILL);
                waitpid(host, &status, 0);
                break;
            }
            usleep(50000);
        }
    }
    if (!finished) {
        std::printf("the host stopped before its closing line\n");
        return 1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
