// The trevalod process itself on ptys: bad config, abusive HTTP clients,
// discovery, and a SIGTERM that stops a moving camera.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "Auth.h"

using namespace std::chrono;

namespace {

struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        slave = ptsname(master);
        fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~Pty() { close(master); }
    std::string Read() {
        std::string out;
        char buf[4096];
        ssize_t n;
        while ((n = read(master, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
        return out;
    }
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Daemon {
public:
    Daemon(const std::string& dir, const std::string& config) : log_(dir + "/log") {
        const std::string file = dir + "/trevalod.yaml";
        std::ofstream(file) << config;
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 2);
            execl(TREVALOD_BIN, "trevalod", "--config", file.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Daemon() {
        if (pid_ > 0 && Wait(0) < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Ready(int& port, int& discovery) {
        const std::regex re("listening on 127\\.0\\.0\\.1:([0-9]+).*discovery on port ([0-9]+)");
        for (int i = 0; i < 500; ++i) {
            std::smatch m;
            const std::string text = Log();
            if (std::regex_search(text, m, re)) {
                port = std::stoi(m[1]);
                discovery = std::stoi(m[2]);
                return true;
            }
            std::this_thread::sleep_for(milliseconds(10));
        }
        return false;
    }
    // Exit status, or -1 while still running after MS milliseconds.
    int Wait(int ms) {
        for (int waited = 0;; waited += 10) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (waited >= ms) return -1;
            std::this_thread::sleep_for(milliseconds(10));
        }
    }
    void Signal(int sig) { kill(pid_, sig); }
    std::string Log() { return Slurp(log_); }

private:
    std::string log_;
    pid_t pid_ = -1;
};

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int Connect(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(s);
        return -1;
    }
    return s;
}

// Everything the server sends until it closes or MS pass.
std::string Receive(int s, int ms) {
    std::string out;
    const auto end = steady_clock::now() + milliseconds(ms);
    while (steady_clock::now() < end) {
        pollfd p{s, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        char buf[8192];
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

std::string PostRequest(const std::string& body) {
    return "POST /onvif/device_service HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
           "Content-Type: application/soap+xml\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Post(int port, const std::string& body) { return Exchange(port, PostRequest(body)); }

const std::string kClock = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>"
                           "<GetSystemDateAndTime xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/></s:Body></s:Envelope>";

std::string SignedMove(const std::string& nonce) {
    const time_t now = time(nullptr);
    char created[32];
    struct tm tm;
    gmtime_r(&now, &tm);
    strftime(created, sizeof created, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return std::string("<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Header>"
                       "<Security xmlns=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\">"
                       "<UsernameToken><Username>admin</Username><Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
                       "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">") +
           trevalod::PasswordDigest(nonce, created, "secret-pass") + "</Password><Nonce>" +
           trevalod::Base64Encode(nonce) + "</Nonce><Created>" + created +
           "</Created></UsernameToken></Security></s:Header><s:Body><ContinuousMove "
           "xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>gate</ProfileToken><Velocity><PanTilt x=\"-1\" "
           "y=\"0\" xmlns=\"http://www.onvif.org/ver10/schema\"/></Velocity></ContinuousMove></s:Body></s:Envelope>";
}

class DaemonTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/trevalod-proc.XXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        dir_ = dir;
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
    std::string Config(const std::string& protocol = "Pelco-D") {
        return "listen: {address: 127.0.0.1, port: 0}\ndiscovery_port: 0\nstate_file: " + dir_ +
               "/state.yaml\nlines:\n  - {name: a, device: " + pty_.slave + "}\ncameras:\n  - {name: Gate, token: gate, "
               "protocol: " + protocol + ", address: 1, line: a}\nusers:\n  - {name: admin, password: secret-pass}\n";
    }
    std::string dir_;
    Pty pty_;
    int port = 0, discovery = 0;
};

}  // namespace

TEST_F(DaemonTest, BadConfigExitsWithOneLineAndOpensNothing) {
    Daemon d(dir_, Config("Pelco-Q"));
    EXPECT_EQ(d.Wait(5000), 2);
    const std::string log = d.Log();
    EXPECT_EQ(log, "trevalod: " + dir_ + "/trevalod.yaml:7: cameras[0].protocol: unknown protocol \"Pelco-Q\"\n");
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(pty_.Read(), "") << "the line was never opened";
}

TEST_F(DaemonTest, AbusiveClientsGetFaultsOrClosedConnectionsAndOthersAreServed) {
    Daemon d(dir_, Config());
    ASSERT_TRUE(d.Ready(port, discovery)) << d.Log();

    // A client that sends half a request and stalls holds only its own connection.
    const int stalled = Connect(port);
    const std::string half = "POST /onvif/device_service HTTP/1.1\r\nHost: x\r\nContent-Length: 500\r\n\r\n<s:Env";
    ASSERT_EQ(send(stalled, half.data(), half.size(), MSG_NOSIGNAL), static_cast<ssize_t>(half.size()));

    // Chunked has no length to refuse it by: cut off at the limit.
    std::string chunked = "POST /onvif/device_service HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 80; ++i) chunked += "400\r\n" + std::string(1024, 'y') + "\r\n";
    std::string plain = SignedMove("nonce-proc-0001");
    struct Case {
        const char* what;
        std::string request;
        const char* status;
        const char* says;
    };
    const Case cases[] = {
        {"oversized body", PostRequest(std::string(70000, 'x')), "HTTP/1.1 413", "too large"},
        {"malformed XML", PostRequest("<s:Envelope"), "HTTP/1.1 400", "malformed XML"},
        {"unknown action", PostRequest("<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body><Foo "
                                       "xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/></s:Body></s:Envelope>"),
         "HTTP/1.1 400", "NotAuthorized"},
        {"no digest", PostRequest(plain.replace(plain.find("PasswordDigest"), 14, "PasswordText")), "HTTP/1.1 400",
         "NotAuthorized"},
        {"clock", PostRequest(kClock), "HTTP/1.1 200", "GetSystemDateAndTimeResponse"},
        {"chunked", chunked + "0\r\n\r\n", "HTTP/1.1 413", "HTTP"},
        {"a GET", "GET /onvif/device_service HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", "HTTP/1.1 405",
         "HTTP"},
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
    EXPECT_EQ(Post(port, kClock).rfind("HTTP/1.1 200", 0), 0u) << "still serving";
    const std::string log = d.Log();
    EXPECT_NE(log.find("POST /onvif/device_service - user=- 413"), std::string::npos) << log;
    EXPECT_NE(log.find("POST /onvif/device_service Foo user=- 400"), std::string::npos) << log;
}

TEST_F(DaemonTest, UnicastProbeGetsAProbeMatch) {
    Daemon d(dir_, Config());
    ASSERT_TRUE(d.Ready(port, discovery)) << d.Log();
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to = Loopback(discovery);
    auto probe = [&](const std::string& types) {
        const std::string msg =
            "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
            "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\"><s:Header><a:MessageID>urn:uuid:probe-1"
            "</a:MessageID></s:Header><s:Body><d:Probe xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
            "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\"><d:Types>" + types + "</d:Types></d:Probe></s:Body></s:Envelope>";
        sendto(s, msg.data(), msg.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        pollfd p{s, POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) return std::string();
        char buf[16384];
        const ssize_t n = recv(s, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    };
    const std::string reply = probe("dn:NetworkVideoTransmitter");
    EXPECT_NE(reply.find("<d:ProbeMatch>"), std::string::npos) << reply;
    EXPECT_NE(reply.find("<a:RelatesTo>urn:uuid:probe-1</a:RelatesTo>"), std::string::npos);
    EXPECT_NE(reply.find("http://127.0.0.1:" + std::to_string(port) + "/onvif/device_service"), std::string::npos);
    EXPECT_EQ(probe("dn:SomethingElse"), "") << "a probe for other types goes unanswered";
    close(s);
}

TEST_F(DaemonTest, SigtermStopsTheMovingCameraAndClosesTheLine) {
    Daemon d(dir_, Config());
    ASSERT_TRUE(d.Ready(port, discovery)) << d.Log();
    pty_.Read();
    const std::string reply = Post(port, SignedMove("nonce-proc-move1"));
    ASSERT_EQ(reply.rfind("HTTP/1.1 200", 0), 0u) << reply;
    std::this_thread::sleep_for(milliseconds(100));
    const std::string moved = pty_.Read();
    ASSERT_EQ(moved.size(), 7u);
    EXPECT_EQ(static_cast<unsigned char>(moved[3]), 0x04) << "Pelco-D left";
    d.Signal(SIGTERM);
    EXPECT_EQ(d.Wait(5000), 0);
    const std::string stopped = pty_.Read();
    ASSERT_GE(stopped.size(), 7u) << "a stop frame after SIGTERM";
    EXPECT_EQ(static_cast<unsigned char>(stopped[3]), 0x00) << "Pelco-D stop";
    EXPECT_NE(d.Log().find("every camera stopped, every line closed"), std::string::npos);
}

// Two domes on one pair: the daemon maps the line "shared" and both open;
// SIGTERM stops each on the one line.
TEST_F(DaemonTest, TwoCamerasShareOneLine) {
    std::string config = Config();
    const std::string second = "\n  - {name: Yard, token: yard, protocol: Pelco-D, address: 2, line: a}";
    config.insert(config.find("\nusers:"), second);
    Daemon d(dir_, config);
    int port = 0, discovery = 0;
    ASSERT_TRUE(d.Ready(port, discovery)) << d.Log();
    pty_.Read();
    d.Signal(SIGTERM);
    EXPECT_EQ(d.Wait(5000), 0);
    const std::string stopped = pty_.Read();
    bool first = false, other = false;
    for (size_t at = 0; at + 7 <= stopped.size(); at += 7) {
        first = first || stopped[at + 1] == 1;
        other = other || stopped[at + 1] == 2;
    }
    EXPECT_TRUE(first && other) << "a stop frame for each address";
}
