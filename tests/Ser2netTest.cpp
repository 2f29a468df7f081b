// Network ports against the real ser2net, started here on loopback with a
// pseudo-terminal as its device: the frames the pty receives, the line
// settings RFC 2217 carries, bytes back to "DVR", and ser2net killed and
// restarted under an open port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <mutex>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"
#include "support/PtyRig.h"
#include "support/Ser2net.h"
#include "trevalo_host.h"

namespace {

using namespace pttest;
using Bytes = std::vector<uint8_t>;

constexpr int kCom = 60;
constexpr int kAddress = 255;  // every Pelco-D frame then starts FF FF

Bytes Frames(const std::vector<int>& codes) {
    CaptureChannel capture(6, kAddress, 254);
    Bytes bytes;
    for (int code : codes)
        for (uint8_t b : Hex(capture.Run(Cmd(code)))) bytes.push_back(b);
    return bytes;
}

void Send(PtPortHandle* h, const std::vector<int>& codes) {
    for (int code : codes) SetPtCmd(h, 0, static_cast<PtCommand>(code));
}

void NoSleep(unsigned) {}

// What the link watcher heard; a wait takes the event it found, so the
// next wait for the same event needs a new one.
struct Links {
    std::mutex lock;
    std::vector<std::pair<int, std::string>> events;
    static void On(void* ctx, int, int event, const char* text) {
        auto* self = static_cast<Links*>(ctx);
        std::lock_guard<std::mutex> g(self->lock);
        self->events.emplace_back(event, text);
    }
    bool WaitFor(int event, const std::string& part, unsigned ms) {
        return WaitUntil([&] {
            std::lock_guard<std::mutex> g(lock);
            const auto it = std::find_if(events.begin(), events.end(), [&](auto& e) {
                return e.first == event && e.second.find(part) != std::string::npos;
            });
            return it != events.end() && (events.erase(it), true);
        }, ms);
    }
};

// One ser2net with one accepter on a fresh pty; the port mapped to COM60.
class Ser2netTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (Ser2net::Program().empty()) GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
        ASSERT_TRUE(m_pty.ok());
        // ser2net opens and closes the slave as clients come and go: a
        // blocking read could catch the moment between poll and read.
        fcntl(m_pty.master(), F_SETFL, fcntl(m_pty.master(), F_GETFL) | O_NONBLOCK);
        m_server.Add(m_pty.slave(), GetParam());
        ASSERT_TRUE(m_server.Start()) << "ser2net did not start";
        setenv("TREVALO_COM60", m_server.Url(0).c_str(), 1);
        TrevaloWatchLinks(&Links::On, &m_links);
        SetPTInit();
    }
    void TearDown() override {
        TrevaloWatchLinks(nullptr, nullptr);
        platform::SetSleepHook(nullptr);
        SetPTUnInit();
        unsetenv("TREVALO_COM60");
    }
    PtPortHandle* Open(int baud = 9600, char parity = 'N', int data = 8, int stop = 1) {
        return SetPtOpen(6, 0, kAddress, kCom, baud, parity, data, stop);
    }

    Pty m_pty{59};
    Ser2net m_server;
    Links m_links;
};

INSTANTIATE_TEST_SUITE_P(Accepters, Ser2netTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "rfc2217" : "raw"; });

// What the "DVR" receiver got: every message tagged as received bytes,
// none longer than 10.
struct Rx {
    std::mutex lock;
    Bytes bytes;
    bool malformed = false;
    static void On(void* ctx, unsigned long dwData, const unsigned char* data, unsigned n) {
        auto* r = static_cast<Rx*>(ctx);
        std::lock_guard<std::mutex> g(r->lock);
        r->bytes.insert(r->bytes.end(), data, data + n);
        r->malformed |= n > 10 || dwData != TREVALO_COPYDATA_RX;
    }
};

// Every Pelco-D command (each frame with FF in its data), then 1,000 more;
// then every byte value from the device side reaches the receiver once, in order.
TEST_P(Ser2netTest, FramesOutAndDeviceBytesBackIntact) {
    const auto before = Resources();
    Rx rx;
    TrevaloRegisterHostWindow("DVR", &Rx::On, &rx);
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    std::vector<int> codes, run;
    for (int code = PT_UP; code <= PT_ZONE_END; ++code) codes.push_back(code);
    const Bytes expected = Frames(codes);
    Send(h, codes);
    EXPECT_EQ(ToHex(m_pty.Read(expected.size(), 3000)), ToHex(expected));

    platform::SetSleepHook(&NoSleep);  // the protocol's 30 ms pauses would make this 30 s
    for (int i = 0; i < 1000; ++i) run.push_back(i % 3 == 0 ? PT_UP : i % 3 == 1 ? PT_ZOOM_TELE : PT_STOP);
    const Bytes bulk = Frames(run);
    Send(h, run);
    const Bytes got = m_pty.Read(bulk.size(), 10000);
    EXPECT_TRUE(got == bulk) << "the 1,000-command run differs from its capture: " << got.size() << " bytes";
    EXPECT_EQ(m_pty.Stray(100), 0u);

    Bytes sent;
    for (int i = 0; i < 512; ++i) sent.push_back(static_cast<uint8_t>(255 - i % 256));
    ASSERT_EQ(write(m_pty.master(), sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    WaitUntil([&] { std::lock_guard<std::mutex> g(rx.lock); return rx.bytes.size() >= sent.size(); }, 3000);
    SetPtClose(h, 0);
    TrevaloUnregisterHostWindow("DVR");
    EXPECT_EQ(ToHex(rx.bytes), ToHex(sent));
    EXPECT_FALSE(rx.malformed);
    EXPECT_EQ(Resources(), before) << "threads, descriptors";
}

// ser2net dies under an open port: commands meanwhile return at once and
// never arrive; after the restart the port is back by itself. Killed again,
// a close while the port waits out its back-off returns as a serial close does.
TEST_P(Ser2netTest, ServerKilledRestartedThenClosedDuringReconnect) {
    const auto before = Resources();
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    SetPtCmd(h, 0, PT_UP);
    ASSERT_EQ(m_pty.Read(7).size(), 7u);

    m_server.Kill();
    ASSERT_TRUE(m_links.WaitFor(TREVALO_LINK_DOWN, "dropped", 3000));
    const std::vector<int> outage = {PT_FOCUS_NEAR, PT_FOCUS_FAR, PT_IRIS_OPEN, PT_IRIS_CLOSE};
    for (int code : outage)
        EXPECT_LT(Timed([&] { Send(h, {code}); }), 1.0) << "a command while the link is down";
    ASSERT_TRUE(m_server.Start());
    ASSERT_TRUE(m_links.WaitFor(TREVALO_LINK_UP, "back", 6000)) << "no reconnect within 6 s";
    const std::vector<int> after = {PT_DOWN, PT_STOP, PT_LEFT, PT_STOP};
    Send(h, after);
    const Bytes expected = Frames(after), got = m_pty.Read(expected.size() + 7, 2000);
    EXPECT_EQ(ToHex(got), ToHex(expected)) << "the first command after the return goes out, nothing before it";
    for (int code : outage) EXPECT_FALSE(Contains(got, Frames({code}))) << "command " << code << " replayed";

    m_server.Kill();
    ASSERT_TRUE(m_links.WaitFor(TREVALO_LINK_DOWN, "dropped", 3000));
    usleep(1600000);  // the back-off has grown past a second
    EXPECT_LT(Timed([&] { SetPtClose(h, 0); }), 1.0);
    EXPECT_EQ(Resources(), before) << "threads, descriptors";
}

// RFC 2217 only (a raw accepter keeps its own settings): the settings of
// the open reach the serial side. A pty keeps the rate and the stop bits;
// data bits and parity are read from what ser2net acknowledged.
class Ser2netSettings : public Ser2netTest {};
INSTANTIATE_TEST_SUITE_P(Accepters, Ser2netSettings, ::testing::Values(true),
                         [](const ::testing::TestParamInfo<bool>&) { return "rfc2217"; });

TEST_P(Ser2netSettings, LineSettingsReachTheDevice) {
    struct Row { int baud; char parity; int data, stop; speed_t speed; const char* acknowledged; };
    const Row rows[] = {{19200, 'E', 7, 2, B19200, "19200 7E2"},
                        {4800, 'O', 8, 1, B4800, "4800 8O1"},
                        {115200, 'N', 8, 1, B9600, "9600 8N1"}};  // an unlisted rate runs at 9600
    for (const Row& r : rows) {
        SCOPED_TRACE(r.acknowledged);
        PtPortHandle* h = Open(r.baud, r.parity, r.data, r.stop);
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(m_links.WaitFor(TREVALO_LINK_SETTINGS, std::string("set ") + r.acknowledged, 3000));
        SetPtCmd(h, 0, PT_UP);  // the device is open and set once bytes pass
        ASSERT_EQ(m_pty.Read(7).size(), 7u);
        termios t;
        ASSERT_EQ(tcgetattr(m_pty.master(), &t), 0);
        EXPECT_EQ(cfgetospeed(&t), r.speed);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, r.stop == 2);
        SetPtClose(h, 0);
    }
}

}  // namespace
