// Network lines on POSIX: BSD sockets, poll(), and an eventfd (or a pipe)
// as the wake-up.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifdef __linux__
#include <sys/eventfd.h>
#endif

#include "platform/Net.h"
#include "platform/Platform.h"

namespace platform {
namespace {

std::string AddressText(const sockaddr* sa) {
    char host[INET6_ADDRSTRLEN] = "?";
    unsigned port = 0;
    if (sa->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
        inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        port = ntohs(in->sin_port);
        return std::string(host) + ":" + std::to_string(port);
    }
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(sa);
    inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
    port = ntohs(in6->sin6_port);
    return "[" + std::string(host) + "]:" + std::to_string(port);
}

void DrainWake(NetWake* w) {
    uint64_t count[8];
    while (::read(static_cast<int>(w->waitHandle), count, sizeof count) > 0) {
    }
}

}  // namespace

bool NetResolve(const std::string& host, unsigned port, std::vector<NetAddress>& out, std::string* error) {
    out.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) {
        if (error) *error = gai_strerror(rc);
        return false;
    }
    for (addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(NetAddress::raw)) continue;
        NetAddress n;
        std::memcpy(n.raw, a->ai_addr, a->ai_addrlen);
        n.length = static_cast<unsigned>(a->ai_addrlen);
        n.text = AddressText(a->ai_addr);
        out.push_back(n);
    }
    freeaddrinfo(list);
    if (out.empty() && error) *error = "no usable address";
    return !out.empty();
}

bool NetWakeCreate(NetWake& w) {
    if (w.waitHandle >= 0) return true;
#ifdef __linux__
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return false;
    w.waitHandle = w.signalHandle = fd;
#else
    int fds[2];
    if (pipe(fds) != 0) return false;
    for (int fd : fds) fcntl(fd, F_SETFL, O_NONBLOCK), fcntl(fd, F_SETFD, FD_CLOEXEC);
    w.waitHandle = fds[0];
    w.signalHandle = fds[1];
#endif
    return true;
}

void NetWakeClose(NetWake& w) {
    if (w.signalHandle >= 0 && w.signalHandle != w.waitHandle) close(static_cast<int>(w.signalHandle));
    if (w.waitHandle >= 0) close(static_cast<int>(w.waitHandle));
    w.waitHandle = w.signalHandle = -1;
}

void NetWakeSignal(NetWake& w) {
    if (w.signalHandle < 0) return;
    const uint64_t one = 1;  // an eventfd takes 8 bytes; a pipe takes any
    (void)!::write(static_cast<int>(w.signalHandle), &one, sizeof one);
}

NetSocket NetConnect(const std::vector<NetAddress>& to, unsigned timeoutMs, NetWake* wake, std::string* error,
                     bool* woken) {
    if (woken) *woken = false;
    const uint64_t end = MonotonicUs() + static_cast<uint64_t>(timeoutMs) * 1000u;
    std::string why = "no address";
    for (const NetAddress& a : to) {
        const auto* sa = reinterpret_cast<const sockaddr*>(a.raw);
        const int s = socket(sa->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
        if (s < 0) {
            why = std::strerror(errno);
            continue;
        }
        const int one = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int rc = ::connect(s, sa, a.length);
        if (rc != 0 && errno == EINPROGRESS) {
            const uint64_t now = MonotonicUs();
            const int left = now < end ? static_cast<int>((end - now + 999) / 1000) : 0;
            const NetWaitResult r = NetWait(s, true, wake, left);
            if (r == NetWaitResult::Woken) {
                close(s);
                if (woken) *woken = true;
                if (error) *error = "interrupted";
                return kNoSocket;
            }
            int soError = ETIMEDOUT;
            socklen_t len = sizeof soError;
            if (r == NetWaitResult::Ready) getsockopt(s, SOL_SOCKET, SO_ERROR, &soError, &len);
            rc = soError == 0 ? 0 : -1;
            errno = soError;
        }
        if (rc == 0) return s;
        why = std::strerror(errno);
        close(s);
        if (MonotonicUs() >= end) break;
    }
    if (error) *error = why;
    return kNoSocket;
}

void NetClose(NetSocket s) {
    if (s >= 0) close(static_cast<int>(s));
}

void NetShutdown(NetSocket s) {
    if (s >= 0) shutdown(static_cast<int>(s), SHUT_RDWR);
}

long NetSend(NetSocket s, const uint8_t* data, size_t n) {
    for (;;) {
        const ssize_t w = ::send(static_cast<int>(s), data, n, MSG_NOSIGNAL);
        if (w >= 0) return static_cast<long>(w);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

long NetRecv(NetSocket s, uint8_t* data, size_t n) {
    for (;;) {
        const ssize_t r = ::recv(static_cast<int>(s), data, n, 0);
        if (r >= 0) return static_cast<long>(r);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? kNetWouldBlock : -1;
    }
}

NetWaitResult NetWait(NetSocket s, bool forWrite, NetWake* wake, int timeoutMs) {
    pollfd fds[2];
    nfds_t n = 0;
    int wakeAt = -1, sockAt = -1;
    if (wake && wake->waitHandle >= 0) {
        fds[n] = {static_cast<int>(wake->waitHandle), POLLIN, 0};
        wakeAt = static_cast<int>(n++);
    }
    if (s >= 0) {
        fds[n] = {static_cast<int>(s), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        sockAt = static_cast<int>(n++);
    }
    const int r = poll(fds, n, timeoutMs);
    if (r < 0) return errno == EINTR ? NetWaitResult::Timeout : NetWaitResult::Failed;
    if (r == 0) return NetWaitResult::Timeout;
    if (wakeAt >= 0 && fds[wakeAt].revents) {
        DrainWake(wake);
        return NetWaitResult::Woken;
    }
    // An error or a hang-up counts as ready: the next call reports it.
    return sockAt >= 0 && fds[sockAt].revents ? NetWaitResult::Ready : NetWaitResult::Timeout;
}

std::string NetLastError() { return std::strerror(errno); }

}  // namespace platform
