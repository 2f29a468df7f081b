// Serial ports on POSIX: termios for the line, TIOCEXCL and flock for
// exclusive access, poll() on the tty and an eventfd for the watch thread.
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <string>

#ifdef __linux__
#include <sys/eventfd.h>
#endif

#include "platform/Net.h"
#include "platform/Platform.h"
#include "platform/PortMap.h"
#include "platform/Serial.h"
#include "platform/posix/FilePosix.h"
#include "platform/posix/SerialPosix.h"
#include "platform/posix/Text.h"

namespace platform {
namespace {

struct Device {
    std::string path;
    std::string origin;  // for the default device: why no mapping applied
    bool shared = false;
};

// COM<n>: $TREVALO_COM<n>, else the port map file, else /dev/ttyS<n-1>.
Device FindDevice(unsigned number) {
    const std::string com = "COM" + std::to_string(number);
    const std::string var = "TREVALO_" + com;
    if (const char* path = std::getenv(var.c_str()); path && *path) {
        Device d{path, "", false};
        d.shared = StripShared(d.path);
        return d;
    }
    std::string origin = com + ": no " + var;
    if (const char* map = std::getenv("TREVALO_PORTMAP"); map && *map) {
        // Anything but a regular file (a FIFO would block the open) counts as no map.
        std::string text;
        posixfile::ReadText(map, posixfile::Trust::OwnUserOrRoot, text);
        Device d{PortMapLookup(text, number), "", false};
        d.shared = StripShared(d.path);
        if (!d.path.empty()) return d;
        // stat, not open: a FIFO named there must not block the open.
        struct stat st;
        if (::stat(map, &st) != 0)
            origin += ", and TREVALO_PORTMAP file " + std::string(map) + " not found";
        else if (!S_ISREG(st.st_mode))
            origin += ", and TREVALO_PORTMAP " + std::string(map) + " is not a regular file";
        else
            origin += ", and no " + com + " line in TREVALO_PORTMAP file " + map;
    } else {
        origin += " and no TREVALO_PORTMAP";
    }
    if (number == 0) return {"", com + ": no such port", false};
    return {"/dev/ttyS" + std::to_string(number - 1), origin, false};
}

void Fail(SerialPort& p, const Device& d, int error, const char* reason = nullptr) {
    p.lastError = error;
    p.failure = d.origin.empty() ? "" : d.origin + "; ";
    p.failure += d.path + ": " + (reason ? reason : std::strerror(error));
}

// The B constants of the rates that have one; the others go through
// SetArbitraryRate.
struct RateCode {
    uint32_t bps;
    speed_t code;
};
constexpr RateCode kRateCodes[] = {{110, B110},   {300, B300},     {600, B600},     {1200, B1200},
                                   {2400, B2400}, {4800, B4800},   {9600, B9600},   {19200, B19200},
                                   {38400, B38400}, {57600, B57600}};

constexpr bool AllLineRates() {
    for (const RateCode& r : kRateCodes) {
        bool listed = false;
        for (uint32_t bps : kSerialRates) listed = listed || bps == r.bps;
        if (!listed) return false;
    }
    return true;
}
static_assert(AllLineRates(), "a B constant for a rate the line never runs at");

speed_t StandardRate(uint32_t baud) {
    for (const RateCode& r : kRateCodes)
        if (r.bps == baud) return r.code;
    return B0;
}

void SleepUs(uint64_t us) {
    timespec ts{static_cast<time_t>(us / 1000000u), static_cast<long>(us % 1000000u) * 1000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

void ModemLine(int fd, int bit, bool on) {
    // A pty has no modem lines; the error is of no interest.
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit);
}

// Hands the kernel as much of the write as it takes without blocking.
void PushWrite(SerialPort& p) {
    while (p.wrLeft > 0) {
        const ssize_t w = ::write(p.fd, p.wrData, p.wrLeft);
        if (w > 0) {
            p.wrData += w;
            p.wrLeft -= static_cast<size_t>(w);
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else {
            if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                p.lastError = errno;
                p.wrLeft = 0;
                p.wrDone = true;  // the line is gone; the rest is dropped
            }
            return;
        }
    }
}

void EndWrite(SerialPort& p) {
    p.wrData = nullptr;
    p.wrLeft = 0;
    p.wrDone = true;
}

// A device that takes a request only in part (a pty keeps 8 data bits and
// no parity) may report an error for it. What matters for the line to work
// is raw mode and the rate; a UART would take the framing as asked.
bool TookTheLine(int fd, const termios& asked) {
    const int err = errno;
    termios now;
    const bool took = tcgetattr(fd, &now) == 0 && !(now.c_lflag & (ICANON | ECHO | ISIG)) &&
                      !(now.c_oflag & OPOST) && cfgetospeed(&now) == cfgetospeed(&asked) &&
                      cfgetispeed(&now) == cfgetispeed(&asked);
    errno = err;
    return took;
}

}  // namespace

std::string PortName(unsigned number) { return FindDevice(number).path; }
bool PortShared(unsigned number) { return FindDevice(number).shared; }

bool SerialCreateEvents(SerialPort& p) {
    if (p.wakeFd >= 0) return true;
#ifdef __linux__
    p.wakeFd = p.wakeSignalFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
#else
    int fds[2];
    if (pipe(fds) == 0) {
        for (int fd : fds) fcntl(fd, F_SETFL, O_NONBLOCK), fcntl(fd, F_SETFD, FD_CLOEXEC);
        p.wakeFd = fds[0];
        p.wakeSignalFd = fds[1];
    }
#endif
    return p.wakeFd >= 0;
}

void SerialCloseEvents(SerialPort& p) {
    if (p.wakeSignalFd >= 0 && p.wakeSignalFd != p.wakeFd) close(p.wakeSignalFd);
    if (p.wakeFd >= 0) close(p.wakeFd);
    p.wakeFd = p.wakeSignalFd = -1;
}

unsigned long SerialDebugId(const SerialPort& p, int which) {
    return static_cast<unsigned long>(which == 0 ? p.fd : p.wakeFd);
}

bool SerialOpen(SerialPort& p, unsigned number) {
    if (p.fd >= 0) return true;
    const Device device = FindDevice(number);
    p.path = device.path;
    if (device.path.empty()) {
        p.lastError = ENOENT;
        p.failure = device.origin;
        return false;
    }
    const int fd = ::open(device.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(p, device, errno);
        return false;
    }
    // TIOCEXCL refuses later opens (except by root); the lock also stops a
    // second open by root or by this process.
    if (!isatty(fd)) {
        Fail(p, device, ENOTTY, "not a tty");
        close(fd);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        Fail(p, device, EBUSY);
        close(fd);
        return false;
    }
    ioctl(fd, TIOCEXCL);
    p.fd = fd;
    p.hungUp = false;
    p.lastError = 0;
    p.failure.clear();
    EndWrite(p);
    return true;
}

unsigned long SerialLastError(const SerialPort& p) { return static_cast<unsigned long>(p.lastError); }

std::string SerialFailure(const SerialPort& p) { return p.failure; }

bool SerialIsOpen(const SerialPort& p) { return p.fd >= 0; }

bool SerialLineLost(SerialPort& p) {
    if (p.fd < 0) return false;
    pollfd pf{p.fd, 0, 0};
    return poll(&pf, 1, 0) > 0 && (pf.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void SerialClose(SerialPort& p) {
    if (p.fd < 0) return;
    // The exclusive flag outlives this descriptor while another one is
    // open on the tty; clear it so that a later open works.
    ioctl(p.fd, TIOCNXCL);
    close(p.fd);  // releases the lock
    p.fd = -1;
    p.hungUp = false;
    p.rxMask = false;
    EndWrite(p);
}

bool SerialSetRxMask(SerialPort& p, bool on) {
    if (p.fd < 0) return false;
    p.rxMask = on;
    if (!on && p.wakeSignalFd >= 0) {
        const uint64_t one = 1;  // an eventfd takes 8 bytes; a pipe takes any
        (void)!::write(p.wakeSignalFd, &one, sizeof one);
    }
    return true;
}

// Linux tty buffers have a fixed size; only the time-outs are kept.
bool SerialPrepare(SerialPort& p, uint32_t, uint32_t, const SerialTimeouts& t) {
    if (p.fd < 0) return false;
    p.readTimeoutMs = t.readConstant;
    p.writeMsPerByte = t.writeMultiplier;
    return true;
}

void SerialPurge(SerialPort& p) {
    if (p.fd < 0) return;
    tcflush(p.fd, TCIOFLUSH);
    EndWrite(p);
}

namespace posix {

bool NeedsArbitraryRate(uint32_t baud) { return StandardRate(baud) == B0; }

bool TermiosFor(const SerialLine& line, termios& t) {
    static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    if (line.byteSize < 5 || line.byteSize > 8 || line.parity < 0 || line.parity > 4 ||
        line.stopBits < 0 || line.stopBits > 2 || line.baud == 0)
        return false;
    // Raw bytes both ways. Input parity checking stays off: like Win32 with
    // no error character, a byte with a parity error is delivered as received.
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                         IXON | IXOFF | IXANY | INPCK | IGNPAR);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    t.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    t.c_cflag |= CLOCAL | CREAD | kSizes[line.byteSize - 5];
    switch (line.parity) {
        case 1: t.c_cflag |= PARENB | PARODD; break;
        case 2: t.c_cflag |= PARENB; break;
#ifdef CMSPAR
        case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;  // mark
        case 4: t.c_cflag |= PARENB | CMSPAR; break;           // space
#else
        case 3:
        case 4: return false;  // no stick parity on this system
#endif
        default: break;
    }
    // One and a half stop bits: POSIX offers one or two. Two is the nearest
    // that a receiver expecting 1.5 still accepts, and a 16550 sends 1.5
    // for it at 5 data bits.
    if (line.stopBits != 0) t.c_cflag |= CSTOPB;
    if (line.ctsOutFlow || line.rtsHandshake) t.c_cflag |= CRTSCTS;
    if (line.xonXoff) t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = line.xonChar;
    t.c_cc[VSTOP] = line.xoffChar;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    // An arbitrary rate set before leaves BOTHER in the input-rate bits,
    // which would keep the old input rate whatever cfsetispeed says.
#ifdef CIBAUD
    t.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
#endif
    const speed_t standard = StandardRate(line.baud);
    cfsetospeed(&t, standard != B0 ? standard : B9600);
    cfsetispeed(&t, standard != B0 ? standard : B9600);
    return true;
}

}  // namespace posix

bool SerialSetLine(SerialPort& p, const SerialLine& line) {
    if (p.fd < 0) return false;
    termios t;
    const Device device{p.path, "", false};
    if (tcgetattr(p.fd, &t) != 0) {
        Fail(p, device, errno, "not a tty");
        return false;
    }
    if (!posix::TermiosFor(line, t)) {
        Fail(p, device, EINVAL, "line settings out of range");
        return false;
    }
    if (tcsetattr(p.fd, TCSANOW, &t) != 0 && !TookTheLine(p.fd, t)) {
        Fail(p, device, errno ? errno : EINVAL);
        return false;
    }
    if (posix::NeedsArbitraryRate(line.baud) && !posix::SetArbitraryRate(p.fd, line.baud)) {
        Fail(p, device, errno ? errno : EINVAL, "rate refused");
        return false;
    }
    // DTR/DSR handshaking has no POSIX form: DTR stays raised.
    ModemLine(p.fd, TIOCM_DTR, true);
    if (!line.rtsHandshake) ModemLine(p.fd, TIOCM_RTS, true);
    const unsigned bits = 1u + static_cast<unsigned>(line.byteSize) + (line.parity ? 1u : 0u) +
                          (line.stopBits ? 2u : 1u);
    p.charUs = static_cast<unsigned>(bits * 1000000ull / line.baud) + 1;
    return true;
}

void SerialSetDtr(SerialPort& p, bool on) {
    if (p.fd >= 0) ModemLine(p.fd, TIOCM_DTR, on);
}

void SerialWriteStart(SerialPort& p, const uint8_t* data, size_t n) {
    EndWrite(p);
    if (p.fd < 0 || !data || n == 0) return;
    p.wrData = data;
    p.wrLeft = n;
    p.wrDone = false;
    p.wrDeadlineUs =
        p.writeMsPerByte ? MonotonicUs() + static_cast<uint64_t>(p.writeMsPerByte) * n * 1000u : 0;
    PushWrite(p);
}

// A write has ended once the kernel took every byte and the line sent
// them, as an overlapped write to a COM port completes. The time-out stops
// the wait, not the bytes already queued.
bool SerialWriteWait(SerialPort& p, unsigned ms) {
    const uint64_t stepEnd = MonotonicUs() + static_cast<uint64_t>(ms) * 1000u;
    for (;;) {
        if (p.wrDone) return true;
        const uint64_t now = MonotonicUs();
        if (p.wrDeadlineUs && now >= p.wrDeadlineUs) {
            EndWrite(p);
            return true;
        }
        if (now >= stepEnd) return false;
        const uint64_t limit = p.wrDeadlineUs && p.wrDeadlineUs < stepEnd ? p.wrDeadlineUs : stepEnd;
        const uint64_t leftUs = limit - now;

        if (p.wrLeft > 0) {
            pollfd pf{p.fd, POLLOUT, 0};
            const int r = poll(&pf, 1, static_cast<int>((leftUs + 999) / 1000));
            if (r > 0 && (pf.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pf.revents & POLLOUT)) {
                EndWrite(p);  // the line went away
            } else if (r > 0) {
                PushWrite(p);
            }
            continue;
        }
        // Everything is queued: wait, in steps of the expected time, for the
        // driver's queue to empty, then let tcdrain see out the FIFO.
        int queued = 0;
        if (ioctl(p.fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            tcdrain(p.fd);
            EndWrite(p);
            return true;
        }
        const uint64_t expected = static_cast<uint64_t>(queued) * p.charUs;
        SleepUs(expected < leftUs ? expected : leftUs);
    }
}

int SerialBytesWaiting(SerialPort& p) {
    int n = 0;
    if (p.fd < 0 || ioctl(p.fd, FIONREAD, &n) != 0) return 0;
    return n > 0 ? n : 0;
}

SerialIo SerialReadStart(SerialPort& p, uint8_t* data, int max, int* count) {
    *count = 0;
    if (p.fd < 0 || !data || max <= 0) return SerialIo::Failed;
    p.rdData = data;
    p.rdMax = max;
    ssize_t r;
    do {
        r = ::read(p.fd, data, static_cast<size_t>(max));
    } while (r < 0 && errno == EINTR);
    if (r > 0) {
        *count = static_cast<int>(r);
        return SerialIo::Done;
    }
    return r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? SerialIo::Pending : SerialIo::Failed;
}

int SerialReadFinish(SerialPort& p) {
    if (p.fd < 0 || !p.rdData) return 0;
    pollfd pf{p.fd, POLLIN, 0};
    int got = 0;
    if (poll(&pf, 1, static_cast<int>(p.readTimeoutMs)) > 0 && (pf.revents & POLLIN)) {
        const ssize_t r = ::read(p.fd, p.rdData, static_cast<size_t>(p.rdMax));
        got = r > 0 ? static_cast<int>(r) : 0;
    }
    p.rdData = nullptr;
    return got;
}

// The watch thread waits on the port's own wake-up descriptor; POSIX needs
// no object of the thread's own.
bool SerialWatchBegin(SerialPort& p) { return p.wakeFd >= 0; }
unsigned long SerialWatchId(const SerialPort& p) { return static_cast<unsigned long>(p.wakeFd); }
void SerialWatchEnd(SerialPort&) {}

bool SerialWaitEvent(SerialPort& p) {
    pollfd fds[2] = {{p.wakeFd, POLLIN, 0}, {p.fd, POLLIN, 0}};
    const nfds_t n = p.rxMask && !p.hungUp && p.fd >= 0 ? 2 : 1;
    if (poll(fds, n, -1) < 0) {
        if (errno != EINTR) SleepUs(100000);  // never a busy loop, whatever poll says
        return false;
    }
    if (fds[0].revents) {
        uint64_t count;
        (void)!::read(p.wakeFd, &count, sizeof count);
        return false;
    }
    if (n == 2 && fds[1].revents) {
        if ((fds[1].revents & POLLIN) && SerialBytesWaiting(p) > 0) return true;
        // Hung up or in error with nothing to read: from now on only a
        // wake-up can end the wait.
        p.hungUp = true;
    }
    return false;
}

bool SerialLineGone(const SerialPort& p) { return p.hungUp; }

}  // namespace platform
