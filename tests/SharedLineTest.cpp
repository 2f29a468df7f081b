// Several channels on one line: a port mapped "shared" is opened once and
// every operation goes out whole, pauses included, before the next starts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/Platform.h"
#include "platform/PortMap.h"
#include "support/PtTestSupport.h"
#include "support/PtyRig.h"
#include "support/Ser2net.h"
#include "trevalo_host.h"

namespace {

using namespace pttest;

TEST(SharedLine, SharedWordInTheMapping) {
    struct Row { const char* value; bool shared; const char* name; } rows[] = {
        {"/dev/ttyUSB0 shared", true, "/dev/ttyUSB0"},
        {"/dev/ttyUSB0\tSHARED", true, "/dev/ttyUSB0"},
        {"socket://127.0.0.1:4001  shared", true, "socket://127.0.0.1:4001"},
        {"/dev/ttyUSB0", false, "/dev/ttyUSB0"},
        {"/dev/ttyshared", false, "/dev/ttyshared"},
        {"shared", false, "shared"},
        {"/dev/ttyUSB0 shared x", false, "/dev/ttyUSB0 shared x"},
    };
    for (const Row& r : rows) {
        std::string v = r.value;
        EXPECT_EQ(platform::StripShared(v), r.shared) << r.value;
        EXPECT_EQ(v, r.name) << r.value;
    }
}

// One operation as serial mode sends it ("FF 01 | 00 08 | p30"): its bytes
// and its pauses.
struct Op {
    std::vector<uint8_t> bytes;
    unsigned pauseMs = 0;
};

Op Parse(const std::string& text) {
    Op op;
    std::istringstream in(text);
    for (std::string t; in >> t;) {
        if (t[0] == 'p') op.pauseMs += static_cast<unsigned>(std::stoul(t.substr(1)));
        else if (t != "|") op.bytes.push_back(static_cast<uint8_t>(std::stoul(t, nullptr, 16)));
    }
    return op;
}

// Pelco-D writes each frame in two pieces and pauses 30 ms; ViconExt
// pauses between header and block: a lock per write, or one that lets go
// during a pause, tears frames or overlaps pauses.
TEST(SharedLine, EightChannelsThreeProtocolsOneLine) {
    constexpr int kCom = 72, kChannels = 8;
    const int protocols[] = {6, 25, 14};
    const int codes[] = {PT_UP, PT_STOP, PT_LEFT, PT_ZOOM_TELE, PT_STOP, PT_RIGHT};

    // What each channel must put on the line, operation by operation.
    std::vector<std::vector<Op>> expected(kChannels);
    unsigned totalPauseMs = 0;
    size_t totalBytes = 0;
    for (int c = 0; c < kChannels; ++c) {
        SerialRig rig(protocols[c % 3], c + 1);
        ASSERT_TRUE(rig.ok());
        for (int code : codes) {
            expected[c].push_back(Parse(rig.Run(Cmd(code))));
            ASSERT_FALSE(expected[c].back().bytes.empty()) << c << " " << code;
            totalPauseMs += expected[c].back().pauseMs;
            totalBytes += expected[c].back().bytes.size();
        }
    }
    ASSERT_GT(totalPauseMs, 300u);

    RealTime realTime;
    Pty pty(kCom);
    ASSERT_TRUE(pty.ok());
    unsetenv(("TREVALO_COM" + std::to_string(kCom)).c_str());
    const std::string map = TempDir() + "/ports";
    std::ofstream(map) << "COM" << kCom << "=" << pty.slave() << " shared\n";
    setenv("TREVALO_PORTMAP", map.c_str(), 1);
    std::atomic<size_t> received{0};
    ASSERT_EQ(TrevaloRegisterHostWindow(
                  "DVR", [](void* n, unsigned long, const unsigned char*, unsigned count) {
                      *static_cast<std::atomic<size_t>*>(n) += count;
                  }, &received), 1);

    SetPTInit();
    const auto before = Resources();
    PtPortHandle* h[kChannels] = {};
    for (int c = 0; c < kChannels; ++c) {
        h[c] = SetPtOpen(protocols[c % 3], c, c + 1, kCom, 9600, 'N', 8, 1);
        ASSERT_NE(h[c], nullptr) << "channel " << c;
    }
    EXPECT_EQ(Resources().first, before.first + 1) << "one watch thread for the line";

    // Another rate on the same pair is refused, with the reason; the refused
    // open keeps its object in channel 9, as any failed open does, until a
    // capture open and close clears it.
    EXPECT_EQ(SetPtOpen(6, 9, 9, kCom, 4800, 'N', 8, 1), nullptr);
    char why[200] = {};
    TrevaloLastOpenError(9, why, sizeof why);
    EXPECT_NE(std::string(why).find("runs at 9600 8N1, not 4800 8N1"), std::string::npos) << why;
    CaptureChannel(6, 9, 9);

    // Bytes from the line reach the host once, not once per channel.
    const uint8_t reply[] = {1, 2, 3, 4, 5};
    ASSERT_EQ(write(pty.master(), reply, sizeof reply), static_cast<ssize_t>(sizeof reply));
    WaitUntil([&] { return received >= sizeof reply; }, 2000);
    usleep(100000);
    EXPECT_EQ(received.load(), sizeof reply);
    pty.Stray(100);  // whatever the opens sent

    const uint64_t start = platform::MonotonicUs();
    std::vector<std::thread> threads;
    for (int c = 0; c < kChannels; ++c) threads.emplace_back([&, c] { for (int op : codes) SetPtCmd(h[c], c, op); });
    const std::vector<uint8_t> wire = pty.Read(totalBytes, 10000);
    for (auto& t : threads) t.join();
    const uint64_t elapsedMs = (platform::MonotonicUs() - start) / 1000;
    EXPECT_EQ(pty.Stray(100), 0u);

    // The wire must split into whole operations, each channel's in order.
    ASSERT_EQ(wire.size(), totalBytes);
    std::vector<size_t> next(kChannels, 0);
    for (size_t at = 0; at < wire.size();) {
        int who = -1;
        for (int c = 0; c < kChannels && who < 0; ++c) {
            if (next[c] == expected[c].size()) continue;
            const std::vector<uint8_t>& b = expected[c][next[c]].bytes;
            if (at + b.size() <= wire.size() && std::equal(b.begin(), b.end(), wire.begin() + at)) who = c;
        }
        ASSERT_GE(who, 0) << "torn or out of order at byte " << at << ": " << ToHex(wire);
        at += expected[who][next[who]++].bytes.size();
    }
    // Pauses hold the line: serialised, they add up.
    EXPECT_GE(elapsedMs, totalPauseMs);

    // Closing all but one leaves the line working for the last.
    for (int c = 1; c < kChannels; ++c) SetPtClose(h[c], c);
    SetPtCmd(h[0], 0, PT_UP);
    EXPECT_EQ(pty.Read(expected[0][0].bytes.size()), expected[0][0].bytes);
    SetPtClose(h[0], 0);
    EXPECT_EQ(Resources(), before) << "the last close closes the line";

    TrevaloUnregisterHostWindow("DVR");
    unsetenv("TREVALO_PORTMAP");
}

}  // namespace
