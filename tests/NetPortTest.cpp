// Network ports without ser2net: the Telnet codec by table, the URL forms,
// and a scripted peer on loopback for what a real server does not show
// (negotiations to refuse, no answer at all, accept then close).
#include <gtest/gtest.h>
#include <netdb.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <tuple>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"
#include "support/PtyRig.h"
#include "support/Ser2net.h"
#include "transport/NetLine.h"
#include "transport/Telnet.h"
#include "trevalo_host.h"

namespace {

using namespace pttest;
using Bytes = std::vector<uint8_t>;

size_t Count(const Bytes& hay, const Bytes& needle) {
    size_t n = 0;
    for (auto it = hay.begin(); (it = std::search(it, hay.end(), needle.begin(), needle.end())) != hay.end(); ++it) ++n;
    return n;
}

// --- the codec ---------------------------------------------------------------

TEST(Telnet, DecodesDataAndAnswersOptions) {
    struct Row { const char* what; Bytes in, data, replies; };
    const Row rows[] = {
        {"plain data", {1, 2, 3}, {1, 2, 3}, {}},
        {"IAC IAC is one data byte", {0xFF, 0xFF, 0x01, 0xFF, 0xFF}, {0xFF, 0x01, 0xFF}, {}},
        {"commands are no data", {'A', 0xFF, 241, 'B', 0xFF, 249, 'C'}, {'A', 'B', 'C'}, {}},
        {"a subnegotiation with an escaped IAC", {0xFF, 250, 44, 107, 0xFF, 0xFF, 0xFF, 240, 'x'}, {'x'}, {}},
        {"ECHO refused both ways", {0xFF, 251, 1, 0xFF, 253, 1}, {}, {0xFF, 254, 1, 0xFF, 252, 1}},
        {"unknown options refused", {0xFF, 253, 24, 0xFF, 251, 31}, {}, {0xFF, 252, 24, 0xFF, 254, 31}},
        {"SGA taken both ways", {0xFF, 251, 3, 0xFF, 253, 3}, {}, {0xFF, 253, 3, 0xFF, 251, 3}},
        {"what we asked for gets no second answer", {0xFF, 253, 0, 0xFF, 251, 0, 0xFF, 253, 44}, {}, {}},
        {"an enabled option asked again: no answer", {0xFF, 251, 3, 0xFF, 251, 3}, {}, {0xFF, 253, 3}},
        {"a request refused twice is refused twice", {0xFF, 251, 1, 0xFF, 251, 1}, {}, {0xFF, 254, 1, 0xFF, 254, 1}},
        {"BINARY withdrawn after agreement is acknowledged", {0xFF, 251, 0, 0xFF, 252, 0}, {}, {0xFF, 254, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        telnet::Client c;
        Bytes start, data, replies;
        c.Start(start);
        // Byte by byte: state must survive a split anywhere.
        for (uint8_t b : r.in) c.Feed(&b, 1, data, replies);
        EXPECT_EQ(ToHex(data), ToHex(r.data));
        EXPECT_EQ(ToHex(replies), ToHex(r.replies));
    }
}

TEST(Telnet, LineCommandsOnlyOnceAgreed) {
    telnet::Client c;
    Bytes out, data, replies;
    c.Start(out);
    EXPECT_EQ(ToHex(out), "FF FB 00 FF FD 00 FF FB 2C");
    // 19200 7E1.5 (parity 2 is even, stop bits 1 one and a half), XON/XOFF.
    platform::SerialLine line{19200, 7, 2, 1, false, false, false, false, true};
    out.clear();
    c.LineCommands(line, out);
    EXPECT_TRUE(out.empty()) << "sent before the server agreed";
    const Bytes agree = {0xFF, 253, 44};
    c.Feed(agree.data(), agree.size(), data, replies);
    EXPECT_EQ(c.comPort(), telnet::Client::ComPort::Agreed);
    c.LineCommands(line, out);
    EXPECT_EQ(ToHex(out),
              "FF FA 2C 01 00 00 4B 00 FF F0 FF FA 2C 02 07 FF F0 FF FA 2C 03 03 FF F0 FF FA 2C 04 03 FF F0 "
              "FF FA 2C 05 02 FF F0 FF FA 2C 05 08 FF F0 FF FA 2C 05 0B FF F0");
    // A rate whose bytes hold 0xFF goes out escaped.
    line.baud = 0x0001FFFF;
    out.clear();
    c.LineCommands(line, out);
    EXPECT_TRUE(Contains(out, {0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0}));
    out.clear();
    c.PurgeCommand(out);
    EXPECT_EQ(ToHex(out), "FF FA 2C 0C 03 FF F0");

    // The server's answers to all four settings make one report.
    const Bytes acks = {0xFF, 250, 44, 101, 0, 0, 0x4B, 0, 0xFF, 240, 0xFF, 250, 44, 102, 7, 0xFF, 240,
                        0xFF, 250, 44, 103, 3,  0xFF, 240, 0xFF, 250, 44, 104, 3, 0xFF, 240};
    std::string text;
    c.Feed(acks.data(), acks.size() - 5, data, replies);
    EXPECT_FALSE(c.TakeSettingsReport(text));
    c.Feed(acks.data() + acks.size() - 5, 5, data, replies);
    ASSERT_TRUE(c.TakeSettingsReport(text));
    EXPECT_EQ(text, "19200 7E1.5");
    EXPECT_FALSE(c.TakeSettingsReport(text));
}

TEST(NetUrlParse, Forms) {
    struct Row { const char* text; bool telnet; const char* host; unsigned port; };
    const Row good[] = {
        {"socket://127.0.0.1:4001", false, "127.0.0.1", 4001},
        {"rfc2217://[::1]:2217", true, "::1", 2217},
        {"RFC2217://Dome-Server.example:65535/", true, "Dome-Server.example", 65535},
    };
    for (const Row& r : good) {
        NetUrl u;
        std::string error;
        ASSERT_TRUE(ParseNetUrl(r.text, u, &error)) << r.text << ": " << error;
        EXPECT_EQ(std::tie(u.telnet, u.host, u.port), std::make_tuple(r.telnet, std::string(r.host), r.port)) << r.text;
    }
    for (const char* bad : {"socket://host", "socket://::1:4001", "rfc2217://[::1:4001", "socket://h:0",
                            "socket://h:65536", "socket://h:12ab", "socket://:4001", "telnet://h:23"}) {
        NetUrl u;
        std::string error;
        EXPECT_FALSE(ParseNetUrl(bad, u, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(NetLineKind("/dev/ttyUSB0"), nullptr);
    EXPECT_EQ(NetLineKind("Socket://x:1"), &kSocketLine);
    EXPECT_EQ(NetLineKind("rfc2217://x:1"), &kRfc2217Line);
}

// --- the scripted peer -------------------------------------------------------

enum class Script { Chatty, Silent, AcceptThenClose };

// A loopback server that plays one script on every connection, one client
// at a time.
// The data in a Telnet stream: commands and subnegotiations dropped, each
// IAC IAC one 0xFF.
Bytes TelnetData(const Bytes& s) {
    Bytes out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != 0xFF) {
            out.push_back(s[i]);
        } else if (i + 1 < s.size() && s[i + 1] == 0xFF) {
            out.push_back(s[++i]);
        } else if (i + 1 < s.size() && s[i + 1] == 250) {
            while (i + 1 < s.size() && !(s[i] == 0xFF && s[i + 1] == 240)) ++i;
            ++i;
        } else if (i + 1 < s.size()) {
            i += s[i + 1] >= 251 ? 2 : 1;  // an option verb has its option after it
        }
    }
    return out;
}

class Peer {
public:
    explicit Peer(Script script, const char* address = "127.0.0.1") : m_script(script) {
        addrinfo hints{}, *ai = nullptr;
        hints.ai_flags = AI_NUMERICHOST;
        sockaddr_storage bound{};
        socklen_t len = sizeof bound;
        if (getaddrinfo(address, "0", &hints, &ai) != 0) return;
        const int s = socket(ai->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (bind(s, ai->ai_addr, ai->ai_addrlen) == 0 && listen(s, 16) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&bound), &len) == 0)
            m_listen = s;
        else
            close(s);
        freeaddrinfo(ai);
        m_port = ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);  // where sockaddr_in6 has it too
        if (ok()) m_thread = std::thread([this] { Serve(); });
    }
    ~Peer() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_listen >= 0) close(m_listen);
    }
    bool ok() const { return m_listen >= 0; }
    std::string Url(const char* scheme, const char* host = "127.0.0.1") const {
        return std::string(scheme) + "://" + host + ":" + std::to_string(m_port);
    }
    int connections() const { return m_connections; }
    Bytes received() {
        std::lock_guard<std::mutex> g(m_lock);
        return m_received;
    }

private:
    void Serve() {
        // Options to refuse, a subnegotiation of no interest, the COM port and
        // BINARY agreed; later data with an escaped 0xFF between commands.
        const Bytes greeting = {0xFF, 253, 1, 0xFF, 251, 1, 0xFF, 253, 24, 0xFF, 251, 5, 0xFF, 253, 31, 0xFF, 251,
                                0, 0xFF, 253, 0, 0xFF, 253, 44, 0xFF, 241, 0xFF, 250, 24, 1, 0xFF, 240};
        const Bytes later = {'A', 0xFF, 0xFF, 'B', 0xFF, 249, 0xFF, 253, 1, 'C'}, frameStart = {0xFF, 0xFF, 0xFF, 0xFF};
        const uint64_t end = platform::MonotonicUs() + 60000000u;  // never beyond a minute
        while (!m_stop && platform::MonotonicUs() < end) {
            pollfd pf{m_listen, POLLIN, 0};
            const int c = poll(&pf, 1, 20) > 0 ? accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC) : -1;
            if (c < 0) continue;
            ++m_connections;
            if (m_script == Script::Chatty) (void)!write(c, greeting.data(), greeting.size());
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_received.clear();
            }
            while (m_script != Script::AcceptThenClose && !m_stop && platform::MonotonicUs() < end) {
                pollfd cf{c, POLLIN, 0};
                if (poll(&cf, 1, 20) <= 0) continue;
                uint8_t buf[512];
                const ssize_t r = read(c, buf, sizeof buf);
                if (r <= 0) break;
                std::lock_guard<std::mutex> g(m_lock);
                m_received.insert(m_received.end(), buf, buf + r);
                // Sent once the first frame shows the port open (its open
                // purges what came before).
                if (m_script == Script::Chatty && !m_sentLater && Contains(m_received, frameStart))
                    m_sentLater = write(c, later.data(), later.size()) > 0;
            }
            close(c);
        }
    }

    Script m_script;
    int m_listen = -1;
    unsigned m_port = 0;
    std::atomic<bool> m_stop{false};
    bool m_sentLater = false;
    std::atomic<int> m_connections{0};
    std::mutex m_lock;
    Bytes m_received;
    std::thread m_thread;
};

constexpr int kCom = 61;

class NetPort : public ::testing::Test {
protected:
    void SetUp() override { SetPTInit(); }
    void TearDown() override {
        // A failed serial open keeps its protocol object in the channel, as
        // the library defines; a capture open and close clears it.
        for (int ch = 0; ch < 2; ++ch) CaptureChannel(6, 1, ch);
        SetPTUnInit();
        unsetenv("TREVALO_COM61");
        unsetenv("TREVALO_COM62");
    }
    static void Map(int com, const std::string& url) {
        setenv(("TREVALO_COM" + std::to_string(com)).c_str(), url.c_str(), 1);
    }
    static PtPortHandle* Open(int channel = 0, int com = kCom) {
        return SetPtOpen(6, channel, 255, com, 9600, 'N', 8, 1);
    }
    static bool OpensAndCloses(int channel = 0, int com = kCom) {
        PtPortHandle* h = Open(channel, com);
        if (h) SetPtClose(h, channel);
        return h != nullptr;
    }
};

TEST_F(NetPort, RefusesWhatItDoesNotTakeAndPassesOnlyData) {
    Peer peer(Script::Chatty);
    ASSERT_TRUE(peer.ok());
    struct Rx {
        std::mutex lock;
        Bytes bytes;
        static void On(void* ctx, unsigned long, const unsigned char* d, unsigned n) {
            std::lock_guard<std::mutex> g(static_cast<Rx*>(ctx)->lock);
            static_cast<Rx*>(ctx)->bytes.insert(static_cast<Rx*>(ctx)->bytes.end(), d, d + n);
        }
    } rx;
    TrevaloRegisterHostWindow("DVR", &Rx::On, &rx);
    Map(kCom, peer.Url("rfc2217"));
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    SetPtCmd(h, 0, PT_UP);
    const Bytes frame = Hex(CaptureChannel(6, 255, 254).Run(Cmd(PT_UP)));
    WaitUntil([&] { return Contains(TelnetData(peer.received()), frame); }, 3000);
    const Bytes got = peer.received();
    WaitUntil([&] { std::lock_guard<std::mutex> g(rx.lock); return rx.bytes.size() >= 4; }, 3000);
    // The second refusal may still be on its way to the peer's reader.
    WaitUntil([&] { return Count(peer.received(), {0xFF, 252, 1}) >= 2; }, 3000);
    SetPtClose(h, 0);
    TrevaloUnregisterHostWindow("DVR");

    // Pelco-D writes its frame in two parts, so a reply to the server may
    // come between them, as Telnet allows.
    EXPECT_TRUE(Contains(TelnetData(got), frame)) << "the frame with each 0xFF doubled: " << ToHex(got);
    for (const Bytes& refusal : {Bytes{0xFF, 254, 1}, Bytes{0xFF, 252, 24}, Bytes{0xFF, 254, 5},
                                 Bytes{0xFF, 252, 31}})
        EXPECT_EQ(Count(got, refusal), 1u) << ToHex(refusal);
    EXPECT_EQ(Count(peer.received(), {0xFF, 252, 1}), 2u) << "ECHO asked for again mid-session: refused again";
    EXPECT_EQ(Count(got, {0xFF, 251, 0}), 1u) << "BINARY asked once, never answered again";
    EXPECT_EQ(Count(got, {0xFF, 253, 0}), 1u);
    EXPECT_TRUE(Contains(got, {0xFF, 250, 44, 1, 0, 0, 0x25, 0x80, 0xFF, 240})) << "SET-BAUDRATE 9600";
    EXPECT_TRUE(Contains(got, {0xFF, 250, 44, 12, 3, 0xFF, 240})) << "PURGE-DATA";
    std::lock_guard<std::mutex> g(rx.lock);
    EXPECT_EQ(ToHex(rx.bytes), ToHex(Bytes{'A', 0xFF, 'B', 'C'}));
}

// Not an RFC 2217 server (a raw one, say): the open fails, as for a
// missing device, instead of sending doubled bytes to the camera.
TEST_F(NetPort, ServerThatNeverAnswersFailsTheOpen) {
    Peer peer(Script::Silent);
    ASSERT_TRUE(peer.ok());
    Map(kCom, peer.Url("rfc2217"));
    const double took = Timed([&] { EXPECT_EQ(Open(), nullptr); });
    EXPECT_GT(took, 0.8);
    EXPECT_LT(took, 15.0);
    EXPECT_EQ(peer.connections(), 9);
}

TEST_F(NetPort, AcceptThenClose) {
    Peer peer(Script::AcceptThenClose);
    const auto before = Resources();
    ASSERT_TRUE(peer.ok());
    Map(kCom, peer.Url("rfc2217"));
    EXPECT_LT(Timed([&] { EXPECT_EQ(Open(), nullptr); }), 5.0);

    // Raw TCP cannot tell: the open works, then the port backs off.
    Map(kCom, peer.Url("socket"));
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    const int first = peer.connections();
    // Dropped or lost; never a hang.
    const double spent = Timed([&] { for (int i = 0; i < 15; ++i, usleep(100000)) SetPtCmd(h, 0, PT_UP); });
    const int reconnects = peer.connections() - first;
    EXPECT_GE(reconnects, 2) << "no reconnect";
    EXPECT_LE(reconnects, 10) << "in " << spent << " s: the back-off does not grow";
    // Room for a loaded machine, still short of the 2 s back-off a close must not wait for.
    EXPECT_LT(Timed([&] { SetPtClose(h, 0); }), 1.8);
    EXPECT_EQ(Resources(), before) << "threads, descriptors";
}

TEST_F(NetPort, NothingListeningFailsLikeAMissingDevice) {
    Map(kCom, "socket://127.0.0.1:" + std::to_string(FreePort()));
    EXPECT_EQ(Open(), nullptr);
    Map(kCom, "socket://no-such-host.invalid:4001");
    EXPECT_EQ(Open(), nullptr);
}

TEST_F(NetPort, OneChannelPerServerPortInTheProcess) {
    Peer peer(Script::Silent);
    ASSERT_TRUE(peer.ok());
    Map(kCom, peer.Url("socket"));
    Map(kCom + 1, peer.Url("socket"));
    PtPortHandle* a = Open(0, kCom);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Open(1, kCom + 1), nullptr);
    SetPtClose(a, 0);
    EXPECT_TRUE(OpensAndCloses(1, kCom + 1)) << "free again after the close";
}

TEST_F(NetPort, Ipv6AndNames) {
    Peer v6(Script::Chatty, "::1");
    if (!v6.ok()) GTEST_SKIP() << "no IPv6 loopback here";
    Map(kCom, v6.Url("rfc2217", "[::1]"));
    EXPECT_TRUE(OpensAndCloses());
    Peer v4(Script::Silent);
    Map(kCom, v4.Url("socket", "localhost"));
    EXPECT_TRUE(OpensAndCloses()) << "a name with IPv4 and IPv6 addresses";
}

}  // namespace
