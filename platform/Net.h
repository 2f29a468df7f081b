// The per-system half of a network line: TCP sockets and a wake-up that
// ends a wait from another thread. transport/NetLine holds the algorithm
// (connecting, Telnet, reconnecting) and calls only these functions; each
// system implements them once (posix/NetPosix.cpp with BSD sockets and
// poll, win32/NetWin32.cpp with Winsock and select).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// What COM<number> is mapped to: a device path, a URL, or the system's
// own name for the port when nothing maps it.
std::string PortName(unsigned number);
// Whether the mapping marks COM<number> "shared": channels opened on it
// use one open device.
bool PortShared(unsigned number);

// One resolved address, as the system's sockaddr.
struct NetAddress {
    unsigned char raw[128] = {};
    unsigned length = 0;
    std::string text;  // "127.0.0.1:4001", "[::1]:4001"
};

// Host (a name or a numeric address, without brackets) and port to
// addresses; false with *error set when nothing resolves.
bool NetResolve(const std::string& host, unsigned port, std::vector<NetAddress>& out, std::string* error);

// Something another thread can signal to end a NetWait or NetConnect at once.
struct NetWake {
    intptr_t waitHandle = -1;    // POSIX: eventfd or pipe read end; Win32: a loopback UDP socket
    intptr_t signalHandle = -1;  // POSIX: the eventfd or pipe write end; Win32: the same socket
};
bool NetWakeCreate(NetWake& w);
void NetWakeClose(NetWake& w);
void NetWakeSignal(NetWake& w);

using NetSocket = intptr_t;
constexpr NetSocket kNoSocket = -1;

enum class NetWaitResult { Ready, Woken, Timeout, Failed };

// Connects to the first address that answers within timeoutMs in all; the
// socket is non-blocking, without Nagle's delay. kNoSocket on failure, with
// *error (a system error text) set; Woken ends it at once.
NetSocket NetConnect(const std::vector<NetAddress>& to, unsigned timeoutMs, NetWake* wake, std::string* error,
                     bool* woken);
void NetClose(NetSocket s);
// Ends the connection without freeing the socket: a waiting reader sees
// the end at once.
void NetShutdown(NetSocket s);

// Bytes the system took (0 when it takes none now), or -1 once the
// connection failed. Never raises a signal.
long NetSend(NetSocket s, const uint8_t* data, size_t n);
constexpr long kNetWouldBlock = -2;
// Bytes read; 0 when the peer closed; kNetWouldBlock; -1 on failure.
long NetRecv(NetSocket s, uint8_t* data, size_t n);

// Waits until the socket is readable (or writable), the wake is signalled
// (it is then reset), or timeoutMs passes (-1: no limit). With kNoSocket it
// waits on the wake alone.
NetWaitResult NetWait(NetSocket s, bool forWrite, NetWake* wake, int timeoutMs);

// The last socket error of this thread, as text.
std::string NetLastError();

}  // namespace platform
