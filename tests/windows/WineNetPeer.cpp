// The Linux side of the net run under Wine: ser2net on loopback with a
// pty behind an RFC 2217 accepter, COM5 mapped to it through TREVALO_COM5
// (Wine passes the environment on), the Windows host in net mode (see
// HostNet.cpp). Checks that the frames the host expects reach the pty, then
// writes bytes on the pty for the host's "DVR" window. Exits with the
// host's status, 77 when ser2net is not installed.
//
//   WineNetPeer <wine> <wineserver> <TrevaloHost.exe> <Trevalo.dll>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/Ser2net.h"

extern char** environ;

namespace {

uint64_t NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

pid_t Spawn(const std::vector<std::string>& argv, int out) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
    posix_spawn_file_actions_adddup2(&fa, devnull, 0);
    posix_spawn_file_actions_adddup2(&fa, out >= 0 ? out : devnull, 1);
    if (out < 0) posix_spawn_file_actions_adddup2(&fa, devnull, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    close(devnull);
    return pid;
}

int Wait(pid_t pid) {
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

std::vector<uint8_t> FromHex(const std::string& text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < text.size() + 1; i += 3) out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return out;
}

std::string ToHex(const std::vector<uint8_t>& v) {
    std::string s;
    char b[4];
    for (uint8_t x : v) {
        std::snprintf(b, sizeof b, s.empty() ? "%02X" : " %02X", x);
        s += b;
    }
    return s;
}

std::vector<uint8_t> ReadPty(int fd, size_t n, unsigned ms) {
    std::vector<uint8_t> got;
    const uint64_t end = NowMs() + ms;
    while (got.size() < n && NowMs() < end) {
        pollfd pf{fd, POLLIN, 0};
        if (poll(&pf, 1, 50) <= 0) continue;
        uint8_t buf[256];
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    return got;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::printf("usage: WineNetPeer <wine> <wineserver> <TrevaloHost.exe> <Trevalo.dll>\n");
        return 2;
    }
    if (pttest::Ser2net::Program().empty()) {
        std::printf("ser2net is not installed (Debian package ser2net)\n");
        return 77;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 1;
    pttest::Ser2net server;
    server.Add(ptsname(master), true);
    if (!server.Start()) {
        std::printf("ser2net did not start\n");
        return 1;
    }
    setenv("TREVALO_COM5", server.Url(0).c_str(), 1);
    std::printf("COM5 = %s\n", server.Url(0).c_str());
    // A server of our own making, so that it holds none of the test's output.
    Wait(Spawn({argv[2]}, -1));

    int fromHost[2];
    if (pipe2(fromHost, O_CLOEXEC) != 0) return 1;
    const pid_t host = Spawn({argv[1], WinPath(argv[3]), WinPath(argv[4]), "net"}, fromHost[1]);
    close(fromHost[1]);
    if (host < 0) return 1;
    signal(SIGPIPE, SIG_IGN);

    bool framesOk = false, finished = false;
    std::string pending;
    const uint64_t deadline = NowMs() + 120000;
    while (!finished && NowMs() < deadline) {
        const size_t eol = pending.find('\n');
        if (eol == std::string::npos) {
            pollfd pf{fromHost[0], POLLIN, 0};
            if (poll(&pf, 1, 500) <= 0) {
                if (waitpid(host, nullptr, WNOHANG) == host) break;
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
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        finished = line.rfind("host:", 0) == 0;
        if (line.rfind("expect ", 0) != 0) continue;
        const std::vector<uint8_t> expected = FromHex(line.substr(7));
        const std::vector<uint8_t> got = ReadPty(master, expected.size(), 10000);
        framesOk = got == expected;
        std::printf("pty: %s (%s)\n", ToHex(got).c_str(), framesOk ? "as expected" : "DIFFERENT");
        const std::vector<uint8_t> back = FromHex("FF 00 FF FF 01 02 03 04 05 06 07 08 09 0A FF");
        if (write(master, back.data(), back.size()) != static_cast<ssize_t>(back.size())) framesOk = false;
    }
    int status = 0;
    const uint64_t end = NowMs() + 10000;
    while (waitpid(host, &status, WNOHANG) == 0) {
        if (NowMs() > end) {
            kill(host, SIGKILL);
            waitpid(host, &status, 0);
            break;
        }
        usleep(50000);
    }
    close(master);
    if (!finished || !framesOk) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
