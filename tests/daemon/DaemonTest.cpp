// The trevalod process itself on ptys: bad config, abusive HTTP clients,
// discovery, and a SIGTERM that stops moving cameras.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <thread>

#include "DaemonSupport.h"

using namespace std::chrono;
using namespace daemontest;

namespace {

// The far end of the cameras' line.
struct Pty {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    std::string slave = grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : "";
    ~Pty() { close(master); }
    std::string Read() {
        std::string out;
        char buf[4096];
        for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        return out;
    }
};

// A loopback socket connected to PORT (for UDP: its only peer); -1 on failure.
int Connect(int port, int type = SOCK_STREAM) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int s = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return s;
    close(s);
    return -1;
}

// Everything the server sends until it closes or MS pass.
std::string Receive(int s, int ms) {
    std::string out;
    char buf[16384];
    pollfd p{s, POLLIN, 0};
    for (const auto end = steady_clock::now() + milliseconds(ms); steady_clock::now() < end;) {
        if (poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

std::string Exchange(int port, const std::string& request) {
    const int s = Connect(port);
    if (s < 0) return "connect failed";
    (void)!send(s, request.data(), request.size(), MSG_NOSIGNAL);
    const std::string out = Receive(s, 5000);
    close(s);
    return out;
}

std::string Post(const std::string& body) {
    return "POST /onvif/device_service HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
           "Content-Type: application/soap+xml\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const std::string kClock = Envelope("", "<GetSystemDateAndTime xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>");

std::string SignedMove(const std::string& nonce, const std::string& type = kDigestType) {
    return Envelope(Token("admin", "secret-pass", nonce, time(nullptr), type), Move("<PanTilt x=\"-1\" y=\"0\"/>"));
}

// Each test runs trevalod in a directory of its own, its line a pty.
class DaemonTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/trevalod-proc.XXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        dir_ = dir;
    }
    void TearDown() override {
        if (pid_ > 0 && Wait(0) < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::system(("rm -rf " + dir_).c_str());
    }
    void Start(const std::string& config) {
        const std::string file = dir_ + "/trevalod.yaml";
        std::ofstream(file) << config;
        if ((pid_ = fork()) == 0) {
            dup2(open((dir_ + "/log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            execl(TREVALOD_BIN, "trevalod", "--config", file.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    // Up to 5 s for the line that names the HTTP and discovery ports.
    bool Ready() {
        const std::regex re("listening on 127\\.0\\.0\\.1:([0-9]+).*discovery on port ([0-9]+)");
        std::smatch m;
        std::string log;
        for (int i = 0; i < 500 && !std::regex_search(log = Log(), m, re); ++i) std::this_thread::sleep_for(milliseconds(10));
        if (m.empty()) return false;
        port = std::stoi(m[1]);
        discovery = std::stoi(m[2]);
        return true;
    }
    // Exit status, or -1 while still running after MS milliseconds.
    int Wait(int ms) {
        int status = 0;
        for (int waited = 0; waitpid(pid_, &status, WNOHANG) != pid_; waited += 10) {
            if (waited >= ms) return -1;
            std::this_thread::sleep_for(milliseconds(10));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string Log() {
        std::ifstream in(dir_ + "/log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Config(const std::string& protocol = "Pelco-D", const std::string& more = "") {
        return "listen: {address: 127.0.0.1, port: 0}\ndiscovery_port: 0\nstate_file: " + dir_ +
               "/state.yaml\nlines:\n  - {name: a, device: " + pty_.slave + "}\ncameras:\n  - {name: Gate, token: gate, "
               "protocol: " + protocol + ", address: 1, line: a}\n" + more + "users:\n  - {name: admin, password: secret-pass}\n";
    }
    std::string dir_;
    Pty pty_;
    pid_t pid_ = -1;
    int port = 0, discovery = 0;
};

}  // namespace

TEST_F(DaemonTest, BadConfigExitsWithOneLineAndOpensNothing) {
    Start(Config("Pelco-Q"));
    EXPECT_EQ(Wait(5000), 2);
    EXPECT_EQ(Log(), "trevalod: " + dir_ + "/trevalod.yaml:7: cameras[0].protocol: unknown protocol \"Pelco-Q\"\n");
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(pty_.Read(), "") << "the line was never opened";
}

TEST_F(DaemonTest, AbusiveClientsGetFaultsOrClosedConnectionsAndOthersAreServed) {
    Start(Config());
    ASSERT_TRUE(Ready()) << Log();
    // A client that sends half a request and stalls holds only its own connection.
    const int stalled = Connect(port);
    const std::string half = "POST /onvif/device_service HTTP/1.1\r\nHost: x\r\nContent-Length: 500\r\n\r\n<s:Env";
    ASSERT_EQ(send(stalled, half.data(), half.size(), MSG_NOSIGNAL), static_cast<ssize_t>(half.size()));
    // Chunked has no length to refuse it by: cut off at the limit.
    std::string chunked = "POST /onvif/device_service HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 80; ++i) chunked += "400\r\n" + std::string(1024, 'y') + "\r\n";
    struct Case { const char* what; std::string request; const char* status; const char* says; };
    const Case cases[] = {
        {"oversized body", Post(std::string(70000, 'x')), "HTTP/1.1 413", "too large"},
        {"malformed XML", Post("<s:Envelope"), "HTTP/1.1 400", "malformed XML"},
        {"unknown action", Post(Envelope("", "<Foo xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>")), "HTTP/1.1 400",
         "NotAuthorized"},
        {"no digest", Post(SignedMove("nonce-proc-0001", kTokenProfile + "PasswordText")), "HTTP/1.1 400", "NotAuthorized"},
        {"clock", Post(kClock), "HTTP/1.1 200", "GetSystemDateAndTimeResponse"},
        {"chunked", chunked + "0\r\n\r\n", "HTTP/1.1 413", "HTTP"},
        {"a GET", "GET /onvif/device_service HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", "HTTP/1.1 405", "HTTP"},
    };
    for (const Case& c : cases) {
        const auto start = steady_clock::now();
        const std::string reply = Exchange(port, c.request);
        EXPECT_EQ(reply.rfind(c.status, 0), 0u) << c.what << ": " << reply.substr(0, 200);
        EXPECT_NE(reply.find(c.says), std::string::npos) << c.what;
        EXPECT_LT(steady_clock::now() - start, seconds(3)) << c.what << " answered while another client stalls";
    }
    // The stalled client is dropped after the read time-out (10 s).
    const auto start = steady_clock::now();
    const std::string rest = Receive(stalled, 15000);
    EXPECT_LT(steady_clock::now() - start, seconds(14)) << "the stalled connection was closed";
    EXPECT_EQ(rest.find("200 OK"), std::string::npos);
    close(stalled);
    EXPECT_EQ(Exchange(port, Post(kClock)).rfind("HTTP/1.1 200", 0), 0u) << "still serving";
    const std::string log = Log();
    EXPECT_NE(log.find("POST /onvif/device_service - user=- 413"), std::string::npos) << log;
    EXPECT_NE(log.find("POST /onvif/device_service Foo user=- 400"), std::string::npos) << log;
}

TEST_F(DaemonTest, UnicastProbeGetsAProbeMatch) {
    Start(Config());
    ASSERT_TRUE(Ready()) << Log();
    const int s = Connect(discovery, SOCK_DGRAM);
    auto probe = [&](const std::string& types) {
        const std::string msg = Envelope(
            "<a:MessageID xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\">urn:uuid:probe-1</a:MessageID>",
            "<d:Probe xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" xmlns:dn=\"http://www.onvif.org/ver10/"
            "network/wsdl\"><d:Types>" + types + "</d:Types></d:Probe>");
        (void)!send(s, msg.data(), msg.size(), 0);
        return Receive(s, 1000);
    };
    const std::string reply = probe("dn:NetworkVideoTransmitter");
    EXPECT_NE(reply.find("<d:ProbeMatch>"), std::string::npos) << reply;
    EXPECT_NE(reply.find("<a:RelatesTo>urn:uuid:probe-1</a:RelatesTo>"), std::string::npos);
    EXPECT_NE(reply.find("http://127.0.0.1:" + std::to_string(port) + "/onvif/device_service"), std::string::npos);
    EXPECT_EQ(probe("dn:SomethingElse"), "") << "a probe for other types goes unanswered";
    close(s);
}

// Two domes on one pair: the daemon maps the line "shared", the move reaches
// it and SIGTERM stops each camera on it. (One camera on its own line is the
// ONVIF client test's case.)
TEST_F(DaemonTest, SigtermStopsBothCamerasOnASharedLine) {
    Start(Config("Pelco-D", "  - {name: Yard, token: yard, protocol: Pelco-D, address: 2, line: a}\n"));
    ASSERT_TRUE(Ready()) << Log();
    pty_.Read();
    const std::string reply = Exchange(port, Post(SignedMove("nonce-proc-move1")));
    ASSERT_EQ(reply.rfind("HTTP/1.1 200", 0), 0u) << reply;
    std::this_thread::sleep_for(milliseconds(100));
    const std::string moved = pty_.Read();
    ASSERT_EQ(moved.size(), 7u);
    EXPECT_EQ(static_cast<unsigned char>(moved[3]), 0x04) << "Pelco-D left";
    kill(pid_, SIGTERM);
    EXPECT_EQ(Wait(5000), 0);
    const std::string stopped = pty_.Read();
    std::set<int> stops;  // the addresses of the stop frames
    for (size_t at = 0; at + 7 <= stopped.size(); at += 7)
        if (stopped[at + 2] == 0 && stopped[at + 3] == 0) stops.insert(stopped[at + 1]);
    EXPECT_EQ(stops, std::set<int>({1, 2})) << "a stop frame for each address";
    EXPECT_NE(Log().find("every camera stopped, every line closed"), std::string::npos);
}
