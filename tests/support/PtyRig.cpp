#include "support/PtyRig.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <thread>

#include "platform/Platform.h"

namespace pttest {
namespace {

std::string ComVariable(int com) { return "TREVALO_COM" + std::to_string(com); }

size_t Entries(const char* dir) {
    size_t n = 0;
    if (DIR* d = opendir(dir)) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

}  // namespace

Pty::Pty(int com) : m_com(com) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) m_slave = ptsname(m_master);
    setenv(ComVariable(com).c_str(), m_slave.c_str(), 1);
}

Pty::~Pty() {
    HangUp();
    unsetenv(ComVariable(m_com).c_str());
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
    if (m_filler < 0) return false;
    uint8_t junk[4096] = {};
    for (int refused = 0; refused < 10;) {
        if (write(m_filler, junk, sizeof junk) > 0) {
            refused = 0;
        } else {
            ++refused;
            usleep(5000);
        }
    }
    return true;
}

std::vector<uint8_t> Pty::Read(size_t n, unsigned ms) {
    std::vector<uint8_t> got;
    const uint64_t end = platform::MonotonicUs() + ms * 1000ull;
    while (got.size() < n && platform::MonotonicUs() < end) {
        pollfd pf{m_master, POLLIN, 0};
        if (poll(&pf, 1, 50) <= 0) continue;
        uint8_t buf[256];
        const ssize_t r = read(m_master, buf, sizeof buf);
        if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    return got;
}

size_t Pty::Stray(unsigned ms) {
    size_t n = 0;
    pollfd pf{m_master, POLLIN, 0};
    while (poll(&pf, 1, static_cast<int>(ms)) > 0 && (pf.revents & POLLIN)) {
        uint8_t buf[256];
        const ssize_t r = read(m_master, buf, sizeof buf);
        if (r <= 0) break;
        n += static_cast<size_t>(r);
    }
    return n;
}

// A first thread lets a sanitizer start its own helpers before the count.
// A joined thread can still be listed for a moment after the join returns,
// so the count is taken once it has held still for a few milliseconds.
std::pair<size_t, size_t> Resources() {
    std::thread([] {}).join();
    std::pair<size_t, size_t> last{Entries("/proc/self/task"), Entries("/proc/self/fd")};
    for (int i = 0; i < 200; ++i) {
        usleep(2000);
        const std::pair<size_t, size_t> now{Entries("/proc/self/task"), Entries("/proc/self/fd")};
        if (now == last) break;
        last = now;
    }
    return last;
}

double CpuMs() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

}  // namespace pttest
