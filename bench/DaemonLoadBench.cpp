// Load on trevalod: CLIENTS concurrent ONVIF clients over CAMERAS Pelco-D
// cameras on ptys, each client sending signed ContinuousMove/Stop pairs to
// one camera for SECONDS. Prints requests per second and the time from a
// request leaving the client to the first byte of its frame on the wire
// (median, p99), and, measured in the same run as the baseline, the same
// time for SetPtCmd called directly on a pty.
//
//   trevalod_bench_load [--clients 50] [--cameras 16] [--seconds 30]
//
// Checks as it goes: every frame whole (sync, address, check byte), every
// answered Stop matched by a stop frame on its camera's wire, and each wire
// ending in a stop. Exit status 1 if any check fails.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <trevalo.h>

#include "Auth.h"

using Clock = std::chrono::steady_clock;

namespace {

struct Wire {
    int master = -1;
    std::string slave;
    std::mutex mutex;
    std::deque<Clock::time_point> pending;  // requests sent, oldest first
    std::string bytes;
    long frames = 0, stops = 0, torn = 0;
};

std::vector<double> g_latency;  // microseconds
std::mutex g_latencyMutex;

void OpenPty(Wire& w) {
    w.master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(w.master);
    unlockpt(w.master);
    w.slave = ptsname(w.master);
}

// Reads every wire; a read with new bytes while requests are outstanding
// closes the oldest of them.
void Reader(std::vector<Wire>& wires, std::atomic<bool>& stop) {
    std::vector<pollfd> fds;
    for (auto& w : wires) fds.push_back({w.master, POLLIN, 0});
    char buf[4096];
    while (!stop) {
        if (poll(fds.data(), fds.size(), 50) <= 0) continue;
        const auto now = Clock::now();
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) continue;
            Wire& w = wires[i];
            std::lock_guard<std::mutex> lock(w.mutex);
            const size_t before = w.bytes.size() / 7;
            w.bytes.append(buf, static_cast<size_t>(n));
            // Frames that began in this read: one request each.
            for (size_t f = before; f < (w.bytes.size() + 6) / 7 && !w.pending.empty(); ++f) {
                const double us = std::chrono::duration<double, std::micro>(now - w.pending.front()).count();
                w.pending.pop_front();
                std::lock_guard<std::mutex> l2(g_latencyMutex);
                g_latency.push_back(us);
            }
        }
    }
}

int Connect(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(s);
        return -1;
    }
    return s;
}

// One request on a kept-alive connection; the status, or -1.
int Exchange(int s, const std::string& body, const std::string& path) {
    const std::string req = "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml\r\n"
                            "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (send(s, req.data(), req.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(req.size())) return -1;
    std::string in;
    char buf[8192];
    size_t need = std::string::npos;
    while (in.size() < need) {
        const ssize_t n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return -1;
        in.append(buf, static_cast<size_t>(n));
        const size_t end = in.find("\r\n\r\n");
        if (need == std::string::npos && end != std::string::npos) {
            const size_t cl = in.find("Content-Length: ");
            if (cl == std::string::npos) return -1;
            need = end + 4 + std::strtoul(in.c_str() + cl + 16, nullptr, 10);
        }
    }
    return std::atoi(in.c_str() + 9);
}

std::string Signed(const std::string& body, long nonce) {
    const time_t now = time(nullptr);
    char created[32];
    struct tm tm;
    gmtime_r(&now, &tm);
    strftime(created, sizeof created, "%Y-%m-%dT%H:%M:%SZ", &tm);
    const std::string n = "bench-nonce-" + std::to_string(nonce);
    return std::string("<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Header><Security "
                       "xmlns=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\">"
                       "<UsernameToken><Username>admin</Username><Password Type=\"http://docs.oasis-open.org/wss/2004/"
                       "01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">") +
           trevalod::PasswordDigest(n, created, "secret-pass") + "</Password><Nonce>" + trevalod::Base64Encode(n) +
           "</Nonce><Created>" + created + "</Created></UsernameToken></Security></s:Header><s:Body>" + body +
           "</s:Body></s:Envelope>";
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// The same measure for the library alone: SetPtCmd on a pty, request to first byte.
std::vector<double> Baseline(int count) {
    Wire w;
    OpenPty(w);
    setenv("TREVALO_COM1", w.slave.c_str(), 1);
    SetPTInit();
    std::vector<double> out;
    PtPortHandle* h = SetPtOpen(6, 0, 1, 1, 9600, 'N', 8, 1);
    char buf[64];
    for (int i = 0; h && i < count; ++i) {
        const auto t0 = Clock::now();
        std::thread call([&] { SetPtCmd(h, 0, i % 2 ? PT_STOP : PT_RIGHT); });
        pollfd p{w.master, POLLIN, 0};
        if (poll(&p, 1, 2000) > 0 && read(w.master, buf, sizeof buf) > 0)
            out.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        call.join();
        while (poll(&p, 1, 0) > 0 && read(w.master, buf, sizeof buf) > 0) {
        }
    }
    if (h) SetPtClose(h, 0);
    SetPTUnInit();
    close(w.master);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int clients = 50, cameras = 16, seconds = 30;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--clients")) clients = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--cameras")) cameras = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);
    }
    clients = std::max(1, std::min(clients, 500));
    cameras = std::max(1, std::min(cameras, 200));
    seconds = std::max(1, std::min(seconds, 600));
    signal(SIGPIPE, SIG_IGN);

    const std::vector<double> base = Baseline(200);

    char dir[] = "/tmp/trevalod-bench.XXXXXX";
    if (!mkdtemp(dir)) return 1;
    std::vector<Wire> wires(static_cast<size_t>(cameras));
    std::ostringstream cfg;
    cfg << "listen: {address: 127.0.0.1, port: 0}\ndiscovery: false\nstate_file: " << dir << "/state.yaml\nlines:\n";
    for (int i = 0; i < cameras; ++i) {
        OpenPty(wires[i]);
        cfg << "  - {name: l" << i << ", device: " << wires[i].slave << "}\n";
    }
    cfg << "cameras:\n";
    for (int i = 0; i < cameras; ++i)
        cfg << "  - {name: c" << i << ", token: c" << i << ", protocol: Pelco-D, address: " << (i % 250) + 1
            << ", line: l" << i << "}\n";
    cfg << "users:\n  - {name: admin, password: secret-pass}\n";
    const std::string config = std::string(dir) + "/trevalod.yaml", log = std::string(dir) + "/log";
    std::ofstream(config) << cfg.str();
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        execl(TREVALOD_BIN, "trevalod", "--config", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int port = 0;
    for (int i = 0; i < 1000 && !port; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(log);
        std::stringstream ss;
        ss << in.rdbuf();
        std::smatch m;
        const std::string text = ss.str();
        if (std::regex_search(text, m, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+)"))) port = std::stoi(m[1]);
    }
    if (!port) {
        std::fprintf(stderr, "trevalod did not start\n");
        kill(pid, SIGKILL);
        return 1;
    }
    // Drain the frames the opens sent.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (auto& w : wires) {
        char buf[4096];
        pollfd p{w.master, POLLIN, 0};
        while (poll(&p, 1, 0) > 0 && read(w.master, buf, sizeof buf) > 0) {
        }
    }

    std::atomic<bool> stopReader{false}, stopClients{false};
    std::atomic<long> ok{0}, failed{0}, nonce{0}, stopsAnswered{0};
    std::thread reader(Reader, std::ref(wires), std::ref(stopReader));
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            const int cam = c % cameras;
            const std::string token = "c" + std::to_string(cam);
            const std::string move = "<ContinuousMove xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>" +
                                     token + "</ProfileToken><Velocity><PanTilt x=\"1\" y=\"0\"/></Velocity></ContinuousMove>";
            const std::string halt = "<Stop xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>" + token +
                                     "</ProfileToken><PanTilt>true</PanTilt><Zoom>false</Zoom></Stop>";
            int s = Connect(port);
            bool stopNext = false;
            while (s >= 0 && (!stopClients || stopNext)) {
                const std::string body = Signed(stopNext ? halt : move, nonce++);
                {
                    std::lock_guard<std::mutex> lock(wires[cam].mutex);
                    wires[cam].pending.push_back(Clock::now());
                }
                const int status = Exchange(s, body, "/onvif/ptz_service");
                if (status == 200) {
                    ++ok;
                    if (stopNext) ++stopsAnswered;
                } else {
                    ++failed;
                    close(s);
                    s = Connect(port);
                }
                stopNext = !stopNext;
            }
            if (s >= 0) close(s);
        });
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stopClients = true;
    for (auto& t : threads) t.join();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stopReader = true;
    reader.join();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);

    // Every frame whole, every answered Stop on its wire, each wire ending in a stop.
    long frames = 0, stops = 0, torn = 0, endsInStop = 0;
    for (int i = 0; i < cameras; ++i) {
        Wire& w = wires[i];
        const std::string& b = w.bytes;
        for (size_t k = 0; k + 7 <= b.size(); k += 7) {
            const auto* f = reinterpret_cast<const unsigned char*>(b.data() + k);
            const unsigned sum = (f[1] + f[2] + f[3] + f[4] + f[5]) & 0xff;
            if (f[0] != 0xff || f[1] != (i % 250) + 1 || f[6] != sum) ++torn;
            ++frames;
            // Stops of the bench's own requests; the SIGTERM's pair comes last.
            if (f[3] == 0x00) ++stops;
        }
        if (b.size() % 7) ++torn;
        if (b.size() >= 7 && static_cast<unsigned char>(b[b.size() - 4]) == 0x00) ++endsInStop;
    }
    std::vector<double> lat;
    {
        std::lock_guard<std::mutex> lock(g_latencyMutex);
        lat = g_latency;
    }
    std::printf("trevalod load: %d clients x %d Pelco-D cameras on ptys, %.1f s of ContinuousMove/Stop pairs\n",
                clients, cameras, took);
    std::printf("  requests answered 200: %ld (%.0f per second), failed: %ld\n", ok.load(), ok / took, failed.load());
    std::printf("  request -> first byte on the wire: median %.2f ms, p99 %.2f ms (%zu frames matched)\n",
                Percentile(lat, 0.5) / 1000, Percentile(lat, 0.99) / 1000, lat.size());
    std::printf("  baseline, SetPtCmd on a pty in this process: median %.3f ms, p99 %.3f ms (%zu calls)\n",
                Percentile(base, 0.5) / 1000, Percentile(base, 0.99) / 1000, base.size());
    std::printf("  frames %ld, torn %ld, stop frames %ld for %ld answered Stops, "
                "wires ending in a stop %ld/%d, daemon exit %d\n",
                frames, torn, stops, stopsAnswered.load(), endsInStop, cameras,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::system((std::string("rm -rf ") + dir).c_str());
    const bool good = torn == 0 && failed == 0 && stops >= stopsAnswered && endsInStop == cameras &&
                      WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::printf("  checks: %s\n", good ? "passed" : "FAILED");
    return good ? 0 : 1;
}
