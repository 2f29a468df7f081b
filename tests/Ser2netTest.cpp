// Network ports against the real ser2net, started here on loopback with a
// pseudo-terminal as its device: the frames the pty receives, the line
// settings RFC 2217 carries, bytes back to "DVR", and ser2net killed and
// restarted under an open port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"
#include "support/PtyRig.h"
#include "support/Ser2net.h"
#include "trevalo.h"
#include "trevalo_host.h"

namespace {

using namespace pttest;

constexpr int kCom = 60;
constexpr int kAddress = 255;  // every Pelco-D frame then starts FF FF

std::vector<uint8_t> Frames(const std::vector<int>& codes) {
    CaptureChannel capture(6, kAddress, 254);
    std::vector<uint8_t> bytes;
    for (int code : codes) {
        const std::vector<uint8_t> f = Hex(capture.Run(Cmd(code)));
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    return bytes;
}

bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

void NoSleep(unsigned) {}

// What the link watcher heard.
struct Links {
    std::mutex lock;
    std::vector<std::pair<int, std::string>> events;
    static void On(void* ctx, int, int event, const char* text) {
        auto* self = static_cast<Links*>(ctx);
        std::lock_guard<std::mutex> g(self->lock);
        self->events.emplace_back(event, text);
    }
    bool WaitFor(int event, const std::string& part, unsigned ms) {
        for (unsigned waited = 0;; waited += 10, usleep(10000)) {
            std::lock_guard<std::mutex> g(lock);
            for (auto& e : events)
                if (e.first == event && e.second.find(part) != std::string::npos) return true;
            if (waited >= ms) return false;
        }
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

// Every Pelco-D command (each frame with FF in its data), then 1,000 more.
TEST_P(Ser2netTest, FramesArriveIntact) {
    const auto before = Resources();
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    std::vector<int> codes;
    for (int code = PT_UP; code <= PT_ZONE_END; ++code) codes.push_back(code);
    const std::vector<uint8_t> expected = Frames(codes);
    for (int code : codes) SetPtCmd(h, 0, static_cast<PtCommand>(code));
    EXPECT_EQ(ToHex(m_pty.Read(expected.size(), 3000)), ToHex(expected));

    platform::SetSleepHook(&NoSleep);  // the protocol's 30 ms pauses would make this 30 s
    std::vector<int> run;
    for (int i = 0; i < 1000; ++i) run.push_back(i % 3 == 0 ? PT_UP : i % 3 == 1 ? PT_ZOOM_TELE : PT_STOP);
    const std::vector<uint8_t> bulk = Frames(run);
    for (int code : run) SetPtCmd(h, 0, static_cast<PtCommand>(code));
    const std::vector<uint8_t> got = m_pty.Read(bulk.size(), 10000);
    EXPECT_TRUE(got == bulk) << "the 1,000-command run differs from its capture: " << got.size() << " bytes";
    EXPECT_EQ(m_pty.Stray(100), 0u);
    SetPtClose(h, 0);
    EXPECT_EQ(Resources(), before) << "threads, descriptors";
}

// Every byte value from the device side reaches the receiver once, in
// order, at most 10 bytes a message.
TEST_P(Ser2netTest, DeviceBytesReachTheReceiver) {
    struct Rx {
        std::mutex lock;
        std::vector<uint8_t> bytes;
        unsigned largest = 0;
        bool badTag = false;
    } rx;
    TrevaloRegisterHostWindow(
        "DVR",
        [](void* ctx, unsigned long dwData, const unsigned char* data, unsigned n) {
            auto* r = static_cast<Rx*>(ctx);
            std::lock_guard<std::mutex> g(r->lock);
            r->bytes.insert(r->bytes.end(), data, data + n);
            r->largest = std::max(r->largest, n);
            r->badTag |= dwData != TREVALO_COPYDATA_RX;
        },
        &rx);
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    std::vector<uint8_t> sent;
    for (int i = 0; i < 512; ++i) sent.push_back(static_cast<uint8_t>(255 - i % 256));
    SetPtCmd(h, 0, PT_STOP);  // once it arrives, ser2net has the device open
    ASSERT_EQ(m_pty.Read(7).size(), 7u);
    ASSERT_EQ(write(m_pty.master(), sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    for (int i = 0; i < 300; ++i) {
        {
            std::lock_guard<std::mutex> g(rx.lock);
            if (rx.bytes.size() >= sent.size()) break;
        }
        usleep(10000);
    }
    SetPtClose(h, 0);
    TrevaloUnregisterHostWindow("DVR");
    EXPECT_EQ(ToHex(rx.bytes), ToHex(sent));
    EXPECT_LE(rx.largest, 10u);
    EXPECT_FALSE(rx.badTag);
}

// ser2net dies under an open port: commands meanwhile return at once and
// never arrive; after the restart the port is back by itself.
TEST_P(Ser2netTest, ServerKilledAndRestarted) {
    const auto before = Resources();
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    SetPtCmd(h, 0, PT_UP);
    ASSERT_EQ(m_pty.Read(7).size(), 7u);

    m_server.Kill();
    ASSERT_TRUE(m_links.WaitFor(TREVALO_LINK_DOWN, "dropped", 3000));
    const std::vector<int> outage = {PT_FOCUS_NEAR, PT_FOCUS_FAR, PT_IRIS_OPEN, PT_IRIS_CLOSE};
    for (int code : outage) {
        const uint64_t start = platform::MonotonicUs();
        SetPtCmd(h, 0, static_cast<PtCommand>(code));
        EXPECT_LT(platform::MonotonicUs() - start, 1000000u) << "a command while the link is down";
    }
    ASSERT_TRUE(m_server.Start());
    ASSERT_TRUE(m_links.WaitFor(TREVALO_LINK_UP, "back", 6000)) << "no reconnect within 6 s";
    const std::vector<int> after = {PT_DOWN, PT_STOP, PT_LEFT, PT_STOP};
    for (int code : after) SetPtCmd(h, 0, static_cast<PtCommand>(code));
    const std::vector<uint8_t> expected = Frames(after);
    const std::vector<uint8_t> got = m_pty.Read(expected.size() + 7, 2000);
    EXPECT_EQ(ToHex(got), ToHex(expected)) << "the first command after the return goes out, nothing before it";
    for (int code : outage) EXPECT_FALSE(Contains(got, Frames({code}))) << "command " << code << " replayed";
    SetPtClose(h, 0);
    EXPECT_EQ(Resources(), before) << "threads, descriptors";
}

// A close while the port waits out its back-off returns as a serial close does.
TEST_P(Ser2netTest, CloseDuringReconnect) {
    PtPortHandle* h = Open();
    ASSERT_NE(h, nullptr);
    m_server.Kill();
    ASSERT_TRUE(m_links.WaitFor(TREVALO_LINK_DOWN, "dropped", 3000));
    usleep(1600000);  // the back-off has grown past a second
    const uint64_t start = platform::MonotonicUs();
    SetPtClose(h, 0);
    EXPECT_LT(platform::MonotonicUs() - start, 1000000u);
}

// RFC 2217 only (a raw accepter keeps its own settings): the settings of
// the open reach the serial side. A pty keeps the rate and the stop bits;
// data bits and parity are read from what ser2net acknowledged.
class Ser2netSettings : public Ser2netTest {};
INSTANTIATE_TEST_SUITE_P(Accepters, Ser2netSettings, ::testing::Values(true),
                         [](const ::testing::TestParamInfo<bool>&) { return "rfc2217"; });

TEST_P(Ser2netSettings, LineSettingsReachTheDevice) {
    struct Row {
        int baud;
        char parity;
        int data, stop;
        speed_t speed;
        const char* acknowledged;
    };
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
