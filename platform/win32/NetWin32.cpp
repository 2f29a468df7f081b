// Network lines on Win32: Winsock, select(), and a loopback UDP socket
// that another thread sends a byte to as the wake-up.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Net.h"
#include "platform/Platform.h"
#include "platform/PortMap.h"

namespace platform {
namespace {

// Once per process; the DLL never calls WSACleanup, as unloading with
// sockets still open would end them under their threads.
bool Started() {
    static const bool ok = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}

SOCKET Sock(intptr_t h) { return static_cast<SOCKET>(h); }

std::string ErrorText(int code) {
    char text[256] = "";
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code),
                        0, text, sizeof text, nullptr))
        std::snprintf(text, sizeof text, "Winsock error %d", code);
    size_t n = std::strlen(text);
    while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) text[--n] = 0;
    return text;
}

// The port map as text; only a disk file is read (a named pipe would block).
std::string PortMapText(const char* file) {
    std::string text;
    HANDLE f = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return text;
    if (GetFileType(f) == FILE_TYPE_DISK) {
        char buf[4096];
        DWORD got = 0;
        while (text.size() < (1u << 20) && ReadFile(f, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    }
    CloseHandle(f);
    return text;
}

void DrainWake(NetWake* w) {
    char buf[64];
    while (recv(Sock(w->waitHandle), buf, sizeof buf, 0) > 0) {
    }
}

}  // namespace

// TREVALO_COM<n> and the port map name network servers here; a device
// path means nothing to Windows, so only URLs count and COM<n> stays the
// Windows port otherwise.
namespace {
std::string Mapped(unsigned number) {
    const std::string com = "COM" + std::to_string(number);
    std::string mapped;
    const std::string var = "TREVALO_" + com;
    if (const char* v = std::getenv(var.c_str()); v && *v) {
        mapped = v;
    } else if (const char* map = std::getenv("TREVALO_PORTMAP"); map && *map) {
        mapped = PortMapLookup(PortMapText(map), number);
    }
    return mapped;
}
}  // namespace

std::string PortName(unsigned number) {
    std::string mapped = Mapped(number);
    StripShared(mapped);
    return mapped.find("://") != std::string::npos ? mapped : "COM" + std::to_string(number);
}

// "COM3=COM3 shared" marks a Windows port shared without renaming it.
bool PortShared(unsigned number) {
    std::string mapped = Mapped(number);
    return StripShared(mapped);
}

bool NetResolve(const std::string& host, unsigned port, std::vector<NetAddress>& out, std::string* error) {
    out.clear();
    if (!Started()) {
        if (error) *error = "Winsock did not start";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) {
        if (error) *error = ErrorText(rc);
        return false;
    }
    for (addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(NetAddress::raw)) continue;
        NetAddress n;
        std::memcpy(n.raw, a->ai_addr, a->ai_addrlen);
        n.length = static_cast<unsigned>(a->ai_addrlen);
        char text[INET6_ADDRSTRLEN] = "?";
        if (a->ai_family == AF_INET) {
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr, text, sizeof text);
            n.text = std::string(text) + ":" + service;
        } else {
            inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr, text, sizeof text);
            n.text = "[" + std::string(text) + "]:" + service;
        }
        out.push_back(n);
    }
    freeaddrinfo(list);
    if (out.empty() && error) *error = "no usable address";
    return !out.empty();
}

bool NetWakeCreate(NetWake& w) {
    if (w.waitHandle != -1) return true;
    if (!Started()) return false;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    u_long nonBlocking = 1;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
        connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        closesocket(s);
        return false;
    }
    w.waitHandle = w.signalHandle = static_cast<intptr_t>(s);
    return true;
}

void NetWakeClose(NetWake& w) {
    if (w.waitHandle != -1) closesocket(Sock(w.waitHandle));
    w.waitHandle = w.signalHandle = -1;
}

void NetWakeSignal(NetWake& w) {
    if (w.signalHandle == -1) return;
    const char one = 1;
    send(Sock(w.signalHandle), &one, 1, 0);
}

NetSocket NetConnect(const std::vector<NetAddress>& to, unsigned timeoutMs, NetWake* wake, std::string* error,
                     bool* woken) {
    if (woken) *woken = false;
    const uint64_t end = MonotonicUs() + static_cast<uint64_t>(timeoutMs) * 1000u;
    std::string why = "no address";
    for (const NetAddress& a : to) {
        const auto* sa = reinterpret_cast<const sockaddr*>(a.raw);
        SOCKET s = WSASocketA(sa->sa_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
        if (s == INVALID_SOCKET) {
            why = ErrorText(WSAGetLastError());
            continue;
        }
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        BOOL one = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        int rc = ::connect(s, sa, static_cast<int>(a.length));
        int code = rc == 0 ? 0 : WSAGetLastError();
        if (rc != 0 && code == WSAEWOULDBLOCK) {
            const uint64_t now = MonotonicUs();
            const int left = now < end ? static_cast<int>((end - now + 999) / 1000) : 0;
            const NetWaitResult r = NetWait(static_cast<NetSocket>(s), true, wake, left);
            if (r == NetWaitResult::Woken) {
                closesocket(s);
                if (woken) *woken = true;
                if (error) *error = "interrupted";
                return kNoSocket;
            }
            code = WSAETIMEDOUT;
            int len = sizeof code;
            if (r == NetWaitResult::Ready) getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &len);
        }
        if (code == 0) return static_cast<NetSocket>(s);
        why = ErrorText(code);
        closesocket(s);
        if (MonotonicUs() >= end) break;
    }
    if (error) *error = why;
    return kNoSocket;
}

void NetClose(NetSocket s) {
    if (s != kNoSocket) closesocket(Sock(s));
}

void NetShutdown(NetSocket s) {
    if (s != kNoSocket) shutdown(Sock(s), SD_BOTH);
}

long NetSend(NetSocket s, const uint8_t* data, size_t n) {
    const int w = send(Sock(s), reinterpret_cast<const char*>(data), static_cast<int>(n), 0);
    if (w >= 0) return w;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

long NetRecv(NetSocket s, uint8_t* data, size_t n) {
    const int r = recv(Sock(s), reinterpret_cast<char*>(data), static_cast<int>(n), 0);
    if (r >= 0) return r;
    return WSAGetLastError() == WSAEWOULDBLOCK ? kNetWouldBlock : -1;
}

// A failed connect shows in the exception set; it counts as ready, and
// SO_ERROR then tells.
NetWaitResult NetWait(NetSocket s, bool forWrite, NetWake* wake, int timeoutMs) {
    fd_set reads, writes, errors;
    FD_ZERO(&reads);
    FD_ZERO(&writes);
    FD_ZERO(&errors);
    const bool haveWake = wake && wake->waitHandle != -1;
    if (haveWake) FD_SET(Sock(wake->waitHandle), &reads);
    if (s != kNoSocket) {
        FD_SET(Sock(s), forWrite ? &writes : &reads);
        FD_SET(Sock(s), &errors);
    }
    if (!haveWake && s == kNoSocket) {
        Sleep(timeoutMs < 0 ? 100 : static_cast<DWORD>(timeoutMs));
        return NetWaitResult::Timeout;
    }
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int r = select(0, &reads, &writes, &errors, timeoutMs < 0 ? nullptr : &tv);
    if (r == SOCKET_ERROR) return NetWaitResult::Failed;
    if (r == 0) return NetWaitResult::Timeout;
    if (haveWake && FD_ISSET(Sock(wake->waitHandle), &reads)) {
        DrainWake(wake);
        return NetWaitResult::Woken;
    }
    return NetWaitResult::Ready;
}

std::string NetLastError() { return ErrorText(WSAGetLastError()); }

}  // namespace platform
