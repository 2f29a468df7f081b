#include "support/PtyRig.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"
#include "trevalo_host.h"

namespace pttest {
namespace {

size_t Entries(const char* dir) {
    size_t n = 0;
    DIR* d = opendir(dir);
    for (; d && readdir(d); ++n) {}
    if (d) closedir(d);
    return n;
}

std::mutex g_debugLock;
std::vector<std::string> g_debug;
void KeepDebug(const char* text) {
    std::lock_guard<std::mutex> guard(g_debugLock);
    g_debug.push_back(text);
}

}  // namespace

Pty::Pty(int com) : m_com(com) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) m_slave = ptsname(m_master);
    setenv(("TREVALO_COM" + std::to_string(com)).c_str(), m_slave.c_str(), 1);
}

Pty::~Pty() {
    HangUp();
    unsetenv(("TREVALO_COM" + std::to_string(m_com)).c_str());
}

void Pty::HangUp() {
    if (m_master >= 0) close(m_master);
    if (m_filler >= 0) close(m_filler);
    m_master = m_filler = -1;
}

// The kernel moves queued bytes on to the master's own buffer in the
// background, so one refusal is not yet a full line: it must last.
bool Pty::Stall() {
    if (m_filler < 0) m_filler = open(m_slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    uint8_t junk[4096] = {};
    for (int refused = 0; m_filler >= 0 && refused < 10;) {
        if (write(m_filler, junk, sizeof junk) > 0) refused = 0;
        else ++refused, usleep(5000);
    }
    return m_filler >= 0;
}

std::vector<uint8_t> Pty::Read(size_t n, unsigned ms) {
    std::vector<uint8_t> got;
    const uint64_t end = platform::MonotonicUs() + ms * 1000ull;
    uint8_t buf[256];
    for (pollfd pf{m_master, POLLIN, 0}; got.size() < n;) {
        const bool late = platform::MonotonicUs() >= end;
        const ssize_t r = poll(&pf, 1, late ? 0 : 20) > 0 ? read(m_master, buf, sizeof buf) : 0;
        if (r > 0) got.insert(got.end(), buf, buf + r);
        else if (late) break;
    }
    return got;
}

// A first thread lets a sanitizer start its own helpers before the count.
// A joined thread can still be listed for a moment after the join returns,
// so the count is taken once it has held still for a few milliseconds.
std::pair<size_t, size_t> Resources() {
    std::thread([] {}).join();
    std::pair<size_t, size_t> last, now{Entries("/proc/self/task"), Entries("/proc/self/fd")};
    for (int i = 0; i < 200 && now != last; ++i) {
        last = now;
        usleep(2000);
        now = {Entries("/proc/self/task"), Entries("/proc/self/fd")};
    }
    return now;
}

PtPortHandle* OpenPelcoD(int channel, int com, int address, int baud, int parity, int bits, int stop) {
    SetPTInit();
    return SetPtOpen(6, channel, address, com, baud, parity, bits, stop);
}

std::vector<uint8_t> Frames(int address, const std::vector<int>& codes) {
    CaptureChannel capture(6, address, 254);
    std::string text;
    for (int code : codes) text += " " + capture.Run(Cmd(code));
    return Hex(text);
}

StreamCheck::StreamCheck(bool listen) {
    auto receive = [](void* self, unsigned long dwData, const unsigned char* data, unsigned n) {
        StreamCheck& c = *static_cast<StreamCheck*>(self);
        if (dwData != TREVALO_COPYDATA_RX || n == 0 || n > 10) c.badMessage = true;
        size_t at = c.got;
        for (unsigned i = 0; i < n; ++i, ++at)
            if (data[i] != StreamByte(at) && c.firstBad == SIZE_MAX) c.firstBad = at;
        c.got = at;
    };
    if (listen) registered = TrevaloRegisterHostWindow("DVR", receive, this);
}
StreamCheck::~StreamCheck() { TrevaloUnregisterHostWindow("DVR"); }

DebugLog::DebugLog() {
    std::lock_guard<std::mutex> guard(g_debugLock);
    g_debug.clear();
    platform::SetDebugHook(&KeepDebug);
}
DebugLog::~DebugLog() { platform::SetDebugHook(nullptr); }
size_t DebugLog::Count(const std::string& line) const {
    std::lock_guard<std::mutex> guard(g_debugLock);
    return static_cast<size_t>(std::count(g_debug.begin(), g_debug.end(), line));
}

}  // namespace pttest
