// Pseudo-terminals standing in for serial lines: the test holds the master
// (the far end), the library opens the slave as COM<n>.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "trevalo.h"

namespace pttest {

class Pty {
public:
    explicit Pty(int com);  // maps TREVALO_COM<com> to the slave
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return !m_slave.empty(); }
    int master() const { return m_master; }
    const std::string& slave() const { return m_slave; }
    void HangUp();
    // What the library wrote, until n bytes came or the time ran out; bytes
    // already waiting are read even when ms is 0.
    std::vector<uint8_t> Read(size_t n, unsigned ms = 2000);
    // Bytes that arrive within ms (none expected).
    size_t Stray(unsigned ms) { return Read(SIZE_MAX, ms).size(); }
    // Fills the line from a second slave descriptor of the test's own until
    // the kernel refuses more: the far end has stopped reading. Call after
    // the library has opened the port.
    bool Stall();

private:
    int m_com;
    int m_master = -1;
    int m_filler = -1;
    std::string m_slave;
};

// Threads and descriptors of the process, to prove that closes leave nothing.
std::pair<size_t, size_t> Resources();
// CPU time of the whole process: an idle watch thread must not add to it.
inline double CpuMs() { return std::clock() * 1000.0 / CLOCKS_PER_SEC; }

template <class F>
uint64_t UsTaken(F&& f) {
    const uint64_t t0 = platform::MonotonicUs();
    f();
    return platform::MonotonicUs() - t0;
}

// SetPTInit, then a Pelco-D (index 6) channel on COM<com>.
PtPortHandle* OpenPelcoD(int channel, int com, int address = 1, int baud = 9600, int parity = 'N', int bits = 8,
                         int stop = 1);
// What the capture form yields for a run of Pelco-D commands on one object
// (stop and zoom keep bytes of the command before): what the line must carry.
std::vector<uint8_t> Frames(int address, const std::vector<int>& codes);

// A far end's stream: no short period, so a lost, doubled or reordered
// chunk shows.
inline uint8_t StreamByte(size_t i) { return static_cast<uint8_t>((i * 2654435761u) >> 13 ^ i >> 9); }

// The "DVR" window while it lives (no window at all when listen is false):
// checks every byte received against the stream as it comes.
struct StreamCheck {
    explicit StreamCheck(bool listen = true);
    ~StreamCheck();
    std::atomic<size_t> got{0};
    std::atomic<size_t> firstBad{SIZE_MAX};
    std::atomic<bool> badMessage{false};  // not the receive code, empty, or over 10 bytes
    int registered = 0;                   // what the registration returned
};

// The library's debug lines while it lives; watch threads write them too.
struct DebugLog {
    DebugLog();
    ~DebugLog();
    size_t Count(const std::string& line) const;  // lines equal to it, newline and all
};

// Threads and descriptors are back where they were once the test body, and
// every port and pty it made, are gone.
struct Leakless : ::testing::Test {
    const std::pair<size_t, size_t> before = Resources();
    void TearDown() override { EXPECT_EQ(Resources(), before) << "threads, descriptors"; }
};

}  // namespace pttest
