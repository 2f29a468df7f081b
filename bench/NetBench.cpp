// Network ports against their baseline, measured in the same run.
//
// 1. One Pelco-D command, the library's own time (the protocol's pauses
//    counted through the sleeper hook, not slept), until the far end has
//    the frame: on a pty (the baseline), over socket:// to a loopback
//    reader, and over rfc2217:// to ser2net with a pty behind it.
// 2. 255 channels at once, each on its own ser2net port and pty: open,
//    one command each, every frame on its own line, closes; threads and
//    descriptors before and after.
//
//   trevalo_bench_net [commands per figure, default 2000]
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "platform/Platform.h"
#include "support/Ser2net.h"
#include "trevalo.h"

namespace {

void CountPause(unsigned) {}

size_t Entries(const char* dir) {
    size_t n = 0;
    if (DIR* d = opendir(dir)) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
    }
    ~Pty() {
        if (master >= 0) close(master);
    }
};

// Reads n bytes from fd within 2 s; false if they did not come.
bool ReadN(int fd, size_t n) {
    uint8_t buf[512];
    size_t got = 0;
    const uint64_t end = bench::NowNs() + 2000000000ull;
    while (got < n && bench::NowNs() < end) {
        pollfd pf{fd, POLLIN, 0};
        if (poll(&pf, 1, 100) <= 0) continue;
        const ssize_t r = read(fd, buf, std::min(sizeof buf, n - got));
        if (r > 0) got += static_cast<size_t>(r);
    }
    return got == n;
}

// Median and p99 of the time from the call to the frame at the far end.
struct Figure {
    double medianUs = 0, p99Us = 0;
    bool ok = false;
};

Figure Commands(int com, int farFd, int count) {
    Figure f;
    PtPortHandle* h = SetPtOpen(6, 0, 1, com, 9600, 'N', 8, 1);
    if (!h) return f;
    std::vector<double> us;
    for (int i = 0; i < count; ++i) {
        const uint64_t t0 = bench::NowNs();
        SetPtCmd(h, 0, i % 2 ? PT_STOP : PT_UP);
        if (!ReadN(farFd, 7)) {
            SetPtClose(h, 0);
            return f;
        }
        us.push_back((bench::NowNs() - t0) / 1e3);
    }
    SetPtClose(h, 0);
    f.medianUs = bench::Quantile(us, 0.5);
    f.p99Us = bench::Quantile(us, 0.99);
    f.ok = true;
    return f;
}

// A loopback server that accepts one client; its socket is the far end.
struct Sink {
    int listenFd = -1, client = -1;
    unsigned port = 0;
    std::thread acceptor;
    Sink() {
        listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(listenFd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listenFd, 1);
        getsockname(listenFd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        acceptor = std::thread([this] { client = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC); });
    }
    ~Sink() {
        if (acceptor.joinable()) acceptor.join();
        if (client >= 0) close(client);
        close(listenFd);
    }
};

void Print(const char* what, const Figure& f, const Figure& base) {
    if (!f.ok) {
        std::printf("| %s | failed | | |\n", what);
        return;
    }
    std::printf("| %s | %.1f µs | %.1f µs | %.2f× |\n", what, f.medianUs, f.p99Us, f.medianUs / base.medianUs);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    rlimit rl;
    if (getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < 4096) {
        rl.rlim_cur = std::min<rlim_t>(rl.rlim_max, 4096);
        setrlimit(RLIMIT_NOFILE, &rl);
    }
    bench::ScratchHome home;
    platform::SetSleepHook(&CountPause);
    SetPTInit();

    std::printf("## Network ports (%d commands per figure; Pelco-D up/stop, pauses counted, not slept)\n\n", count);
    std::printf("| Line | Median | p99 | Against the pty |\n|---|---|---|---|\n");
    Figure base;
    {
        Pty pty;
        setenv("TREVALO_COM70", pty.slave.c_str(), 1);
        base = Commands(70, pty.master, count);
        Print("pty (baseline)", base, base);
    }
    {
        Sink sink;
        setenv("TREVALO_COM71", ("socket://127.0.0.1:" + std::to_string(sink.port)).c_str(), 1);
        PtPortHandle* h = SetPtOpen(6, 0, 1, 71, 9600, 'N', 8, 1);
        sink.acceptor.join();  // the open connected: the sink has its client
        Figure f;
        std::vector<double> us;
        bool ok = h != nullptr && sink.client >= 0;
        for (int i = 0; ok && i < count; ++i) {
            const uint64_t t0 = bench::NowNs();
            SetPtCmd(h, 0, i % 2 ? PT_STOP : PT_UP);
            ok = ReadN(sink.client, 7);
            us.push_back((bench::NowNs() - t0) / 1e3);
        }
        if (h) SetPtClose(h, 0);
        f.ok = ok;
        f.medianUs = bench::Quantile(us, 0.5);
        f.p99Us = bench::Quantile(us, 0.99);
        Print("socket:// to a loopback reader", f, base);
    }
    if (!pttest::Ser2net::Program().empty()) {
        for (bool rfc : {false, true}) {
            Pty pty;
            pttest::Ser2net server;
            server.Add(pty.slave, rfc);
            if (!server.Start()) break;
            setenv("TREVALO_COM72", server.Url(0).c_str(), 1);
            Print(rfc ? "rfc2217:// to ser2net, pty behind it" : "socket:// to ser2net, pty behind it",
                  Commands(72, pty.master, count), base);
        }
    } else {
        std::printf("\nser2net is not installed: its rows and the 255-channel run are skipped\n");
        return 0;
    }

    // 255 channels, each on its own ser2net port and pty.
    const size_t threads0 = Entries("/proc/self/task"), fds0 = Entries("/proc/self/fd");
    {
        std::vector<std::unique_ptr<Pty>> ptys;
        pttest::Ser2net server;
        for (int i = 0; i < 255; ++i) {
            ptys.emplace_back(new Pty);
            server.Add(ptys.back()->slave, i % 2 == 1);
        }
        if (!server.Start()) {
            std::printf("\nser2net did not start with 255 ports\n");
            return 1;
        }
        for (int i = 0; i < 255; ++i)
            setenv(("TREVALO_COM" + std::to_string(i + 1)).c_str(), server.Url(static_cast<unsigned>(i)).c_str(), 1);
        std::vector<PtPortHandle*> handles(255, nullptr);
        uint64_t t0 = bench::NowNs();
        int opened = 0;
        for (int ch = 0; ch < 255; ++ch) opened += (handles[ch] = SetPtOpen(6, ch, ch % 250 + 1, ch + 1, 9600, 'N', 8, 1)) != nullptr;
        const double openMs = (bench::NowNs() - t0) / 1e6;
        const size_t threadsOpen = Entries("/proc/self/task"), fdsOpen = Entries("/proc/self/fd");
        t0 = bench::NowNs();
        for (int ch = 0; ch < 255; ++ch)
            if (handles[ch]) SetPtCmd(handles[ch], ch, PT_UP);
        const double sendMs = (bench::NowNs() - t0) / 1e6;
        int right = 0;
        for (int ch = 0; ch < 255; ++ch) {
            uint8_t buf[64];
            size_t got = 0;
            const uint64_t end = bench::NowNs() + 3000000000ull;
            while (got < 7 && bench::NowNs() < end) {
                pollfd pf{ptys[ch]->master, POLLIN, 0};
                if (poll(&pf, 1, 50) <= 0) continue;
                const ssize_t r = read(ptys[ch]->master, buf + got, sizeof buf - got);
                if (r > 0) got += static_cast<size_t>(r);
            }
            // FF address 00 08 speed speed sum: this channel's address, nothing else.
            right += got == 7 && buf[0] == 0xFF && buf[1] == ch % 250 + 1 && buf[3] == 0x08;
        }
        t0 = bench::NowNs();
        for (int ch = 0; ch < 255; ++ch)
            if (handles[ch]) SetPtClose(handles[ch], ch);
        const double closeMs = (bench::NowNs() - t0) / 1e6;
        std::printf("\n## 255 channels, each on its own ser2net port (odd channels rfc2217://, even socket://)\n\n");
        std::printf("| Figure | Value |\n|---|---|\n");
        std::printf("| opened | %d of 255 in %.0f ms |\n", opened, openMs);
        std::printf("| one command each | %.1f ms for all 255 (pauses counted, not slept) |\n", sendMs);
        std::printf("| frames on their own pty, right address, nothing else | %d of 255 |\n", right);
        std::printf("| threads, descriptors while open | %zu, %zu (before: %zu, %zu) |\n", threadsOpen, fdsOpen,
                    threads0, fds0);
        std::printf("| all closed in | %.0f ms (pauses counted, not slept) |\n", closeMs);
    }
    usleep(100000);
    std::printf("| threads, descriptors after the closes | %zu, %zu |\n", Entries("/proc/self/task"),
                Entries("/proc/self/fd"));
    SetPTUnInit();
    return 0;
}
