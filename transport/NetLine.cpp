#include "transport/NetLine.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/Platform.h"

namespace {

using platform::kNoSocket;
using platform::NetSocket;
using platform::NetWaitResult;

// One attempt: the TCP connect, then for RFC 2217 the server's answer to
// COM-PORT-OPTION. A loopback ser2net answers in well under a millisecond;
// a server that is silent this long is no RFC 2217 server.
constexpr unsigned kConnectMs = 1000;
constexpr unsigned kNegotiateMs = 500;
// Reconnect back-off: the first retry soon, then doubling up to the cap.
// A link that drops within kSettledUs of coming back keeps its back-off.
constexpr unsigned kFirstRetryMs = 50;
constexpr unsigned kMaxRetryMs = 2000;
constexpr uint64_t kSettledUs = 2000000;
// Like the serial driver's input queue.
constexpr size_t kRxMax = 4096;
constexpr uint64_t kWriteCapUs = 10000000;
// Error values for the "Error!!!" debug line, as errno would have them.
constexpr unsigned long kErrBadName = 22, kErrBusy = 16, kErrUnreachable = 111, kErrNoAnswer = 71;

// Addresses held by an open network port of this process.
std::mutex g_heldLock;
std::set<std::string> g_held;

std::recursive_mutex g_watchLock;
LinkWatcher g_watcher = nullptr;
void* g_watcherContext = nullptr;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void Report(const NetLink& n, int event, const std::string& text) {
    char line[300];
    std::snprintf(line, sizeof line, "COM%u %s://%s: %s\n", n.number, n.telnet ? "rfc2217" : "socket",
                  n.key.c_str(), text.c_str());
    platform::DebugOut(line);
    std::lock_guard<std::recursive_mutex> g(g_watchLock);
    if (g_watcher) g_watcher(g_watcherContext, static_cast<int>(n.number), event, text.c_str());
}

// A failed open attempt: one debug line per new reason, not nine.
void Failed(NetLink& n, unsigned long code, const std::string& why) {
    n.lastError = code;
    if (why == n.lastReported) return;
    n.lastReported = why;
    char line[300];
    std::snprintf(line, sizeof line, "COM%u: cannot open the network port: %s\n", n.number, why.c_str());
    platform::DebugOut(line);
}

// Sends all of it within the deadline; false if the link failed or the
// time ran out with bytes left.
bool SendAll(NetSocket s, const std::vector<uint8_t>& bytes, uint64_t deadlineUs) {
    size_t done = 0;
    while (done < bytes.size()) {
        const long w = platform::NetSend(s, bytes.data() + done, bytes.size() - done);
        if (w < 0) return false;
        done += static_cast<size_t>(w);
        if (done == bytes.size()) break;
        const uint64_t now = platform::MonotonicUs();
        if (now >= deadlineUs) return false;
        const uint64_t left = (deadlineUs - now + 999) / 1000;
        platform::NetWait(s, true, nullptr, static_cast<int>(left < 100 ? left : 100));
    }
    return true;
}

bool SendNow(NetSocket s, const std::vector<uint8_t>& bytes) {
    return bytes.empty() || SendAll(s, bytes, platform::MonotonicUs() + kWriteCapUs);
}

void KeepReceived(NetLink& n, const std::vector<uint8_t>& data) {
    if (n.rxHead == n.rx.size()) {
        n.rx.clear();
        n.rxHead = 0;
    }
    const size_t room = kRxMax > n.rx.size() - n.rxHead ? kRxMax - (n.rx.size() - n.rxHead) : 0;
    n.rx.insert(n.rx.end(), data.begin(), data.begin() + static_cast<long>(data.size() < room ? data.size() : room));
}

// The Telnet opening on a fresh connection: our requests out, then the
// server's traffic until it has answered COM-PORT-OPTION.
bool Negotiate(NetLink& n, NetSocket s, std::string* why, bool* woken) {
    std::vector<uint8_t> out, data, replies;
    n.tn.Start(out);
    if (!SendNow(s, out)) {
        *why = "the connection failed during Telnet negotiation";
        return false;
    }
    const uint64_t end = platform::MonotonicUs() + kNegotiateMs * 1000u;
    uint8_t buf[512];
    while (!n.tn.Answered()) {
        const uint64_t now = platform::MonotonicUs();
        if (now >= end) {
            *why = "the server does not answer COM-PORT-OPTION (no RFC 2217 server?)";
            return false;
        }
        const NetWaitResult r = platform::NetWait(s, false, &n.wake, static_cast<int>((end - now + 999) / 1000));
        if (r == NetWaitResult::Woken) {
            *woken = true;
            return false;
        }
        if (r != NetWaitResult::Ready) continue;
        const long got = platform::NetRecv(s, buf, sizeof buf);
        if (got == platform::kNetWouldBlock) continue;
        if (got <= 0) {
            *why = "the server closed the connection during Telnet negotiation";
            return false;
        }
        data.clear();
        replies.clear();
        n.tn.Feed(buf, static_cast<size_t>(got), data, replies);
        KeepReceived(n, data);
        if (!SendNow(s, replies)) {
            *why = "the connection failed during Telnet negotiation";
            return false;
        }
    }
    if (n.tn.comPort() == telnet::Client::ComPort::Refused)
        Report(n, kLinkSettings, "the server refuses COM-PORT-OPTION: line settings stay as it has them");
    return true;
}

// A connection, negotiated when it is Telnet; kNoSocket on failure.
NetSocket Connect(NetLink& n, std::string* why, bool* woken) {
    *woken = false;
    NetSocket s = platform::NetConnect(n.addresses, kConnectMs, &n.wake, why, woken);
    if (s == kNoSocket) return kNoSocket;
    if (n.telnet && !Negotiate(n, s, why, woken)) {
        platform::NetClose(s);
        return kNoSocket;
    }
    return s;
}

NetLink& Net(Line& l) { return *l.net; }

bool CreateEvents(Line& l) {
    if (!l.net) l.net.reset(new NetLink);
    l.net->telnet = l.ops == &kRfc2217Line;
    l.net->addresses.clear();  // the name may map elsewhere since the last open
    l.net->lastReported.clear();
    return platform::NetWakeCreate(l.net->wake);
}

void CloseEvents(Line& l) {
    if (l.net) platform::NetWakeClose(l.net->wake);
}

unsigned long DebugId(const Line& l, int which) {
    if (!l.net) return 0;
    return static_cast<unsigned long>(which == 0 ? l.net->sock : l.net->wake.waitHandle);
}

bool Open(Line& l, unsigned number) {
    NetLink& n = Net(l);
    if (n.open) return true;
    n.number = number;
    std::string why;
    if (!ParseNetUrl(l.name, n.url, &why)) {
        Failed(n, kErrBadName, l.name + ": " + why);
        return false;
    }
    if (n.addresses.empty() && !platform::NetResolve(n.url.host, n.url.port, n.addresses, &why)) {
        Failed(n, kErrBadName, n.url.host + ": " + why);
        return false;
    }
    n.key = n.addresses.front().text;
    {
        std::lock_guard<std::mutex> g(g_heldLock);
        if (!g_held.insert(n.key).second) {
            Failed(n, kErrBusy, n.key + " is in use by another channel");
            return false;
        }
    }
    bool woken = false;
    const NetSocket s = Connect(n, &why, &woken);
    if (s == kNoSocket) {
        std::lock_guard<std::mutex> g(g_heldLock);
        g_held.erase(n.key);
        Failed(n, n.telnet && why.find("COM-PORT") != std::string::npos ? kErrNoAnswer : kErrUnreachable,
               n.key + ": " + why);
        return false;
    }
    std::lock_guard<std::mutex> g(n.sendLock);
    n.sock = s;
    n.up = true;
    n.open = true;
    n.upSinceUs = platform::MonotonicUs();
    n.backoffMs = kFirstRetryMs;
    n.lastReported.clear();
    return true;
}

unsigned long LastError(const Line& l) { return l.net ? l.net->lastError : 0; }
std::string Failure(const Line& l) {
    return l.name + ": " + (l.net && !l.net->lastReported.empty() ? l.net->lastReported : "cannot connect");
}
// A dropped link reconnects by itself, so it is never gone for good.
bool Gone(Line&) { return false; }

bool IsOpen(const Line& l) { return l.net && l.net->open; }

void Close(Line& l) {
    if (!l.net || !l.net->open) return;
    NetLink& n = Net(l);
    {
        std::lock_guard<std::mutex> g(n.sendLock);
        platform::NetClose(n.sock);
        n.sock = kNoSocket;
        n.up = false;
        n.open = false;
    }
    n.rxMask = false;
    n.rx.clear();
    n.rxHead = 0;
    n.haveLine = false;
    std::lock_guard<std::mutex> g(g_heldLock);
    g_held.erase(n.key);
}

bool SetRxMask(Line& l, bool on) {
    if (!IsOpen(l)) return false;
    l.net->rxMask = on;
    if (!on) platform::NetWakeSignal(l.net->wake);
    return true;
}

bool Prepare(Line& l, uint32_t, uint32_t, const platform::SerialTimeouts& t) {
    if (!IsOpen(l)) return false;
    l.net->writeMsPerByte = t.writeMultiplier;
    return true;
}

// Under the send lock, on a link that is up: Telnet commands out now.
template <typename Build>
void SendCommands(NetLink& n, Build build) {
    std::lock_guard<std::mutex> g(n.sendLock);
    if (!n.up || !n.telnet) return;
    std::vector<uint8_t> out;
    build(out);
    if (!SendNow(n.sock, out)) platform::NetShutdown(n.sock);
}

void Purge(Line& l) {
    if (!IsOpen(l)) return;
    NetLink& n = Net(l);
    n.rx.clear();
    n.rxHead = 0;
    SendCommands(n, [&](std::vector<uint8_t>& out) { n.tn.PurgeCommand(out); });
}

// The same settings a serial line takes; a raw TCP server keeps its own.
bool SetLine(Line& l, const platform::SerialLine& line) {
    if (!IsOpen(l)) return false;
    if (line.byteSize < 5 || line.byteSize > 8 || line.parity < 0 || line.parity > 4 || line.stopBits < 0 ||
        line.stopBits > 2 || line.baud == 0)
        return false;
    NetLink& n = Net(l);
    {
        std::lock_guard<std::mutex> g(n.sendLock);
        n.line = line;
        n.haveLine = true;
    }
    SendCommands(n, [&](std::vector<uint8_t>& out) { n.tn.LineCommands(line, out); });
    return true;
}

void SetDtr(Line& l, bool on) {
    if (!IsOpen(l)) return;
    NetLink& n = Net(l);
    SendCommands(n, [&](std::vector<uint8_t>& out) { n.tn.DtrCommand(on, out); });
}

// The whole write happens here, within the write bound; WriteWait then
// has nothing left to wait for.
void WriteStart(Line& l, const uint8_t* data, size_t count) {
    if (!IsOpen(l) || !data || count == 0) return;
    NetLink& n = Net(l);
    std::vector<uint8_t> out;
    if (n.telnet)
        telnet::Escape(data, count, out);
    else
        out.assign(data, data + count);
    std::lock_guard<std::mutex> g(n.sendLock);
    if (!n.up) {
        if (!n.droppedNoted) {
            char line[200];
            std::snprintf(line, sizeof line, "COM%u: link down: writes are dropped until it returns\n", n.number);
            platform::DebugOut(line);
        }
        n.droppedNoted = true;
        return;
    }
    const uint64_t boundUs = n.writeMsPerByte ? static_cast<uint64_t>(n.writeMsPerByte) * count * 1000u : kWriteCapUs;
    if (!SendAll(n.sock, out, platform::MonotonicUs() + (boundUs < kWriteCapUs ? boundUs : kWriteCapUs))) {
        // A stream cut inside a write (perhaps inside an IAC pair) cannot
        // go on: start afresh rather than send a torn command later.
        platform::NetShutdown(n.sock);
    }
}

bool WriteWait(Line&, unsigned) { return true; }

int BytesWaiting(Line& l) { return l.net ? static_cast<int>(l.net->rx.size() - l.net->rxHead) : 0; }

platform::SerialIo ReadStart(Line& l, uint8_t* data, int max, int* count) {
    *count = 0;
    if (!l.net || !data || max <= 0) return platform::SerialIo::Failed;
    NetLink& n = Net(l);
    const size_t waiting = n.rx.size() - n.rxHead;
    const size_t take = waiting < static_cast<size_t>(max) ? waiting : static_cast<size_t>(max);
    if (!take) return platform::SerialIo::Failed;
    std::memcpy(data, n.rx.data() + n.rxHead, take);
    n.rxHead += take;
    *count = static_cast<int>(take);
    return platform::SerialIo::Done;
}

int ReadFinish(Line&) { return 0; }

bool WatchBegin(Line& l) { return l.net && l.net->wake.waitHandle >= 0; }
unsigned long WatchId(const Line& l) { return l.net ? static_cast<unsigned long>(l.net->wake.waitHandle) : 0; }
void WatchEnd(Line&) {}

void LinkDown(NetLink& n, const std::string& why) {
    {
        std::lock_guard<std::mutex> g(n.sendLock);
        platform::NetClose(n.sock);
        n.sock = kNoSocket;
        n.up = false;
        n.droppedNoted = false;
    }
    const uint64_t lived = platform::MonotonicUs() - n.upSinceUs;
    n.backoffMs = lived >= kSettledUs ? kFirstRetryMs
                                      : (n.backoffMs * 2 < kMaxRetryMs ? n.backoffMs * 2 : kMaxRetryMs);
    Report(n, kLinkDown, "link dropped (" + why + ")");
}

// One reconnect attempt after the back-off; false while still down.
void Reconnect(NetLink& n) {
    if (platform::NetWait(kNoSocket, false, &n.wake, static_cast<int>(n.backoffMs)) == NetWaitResult::Woken) return;
    if (!n.rxMask) return;
    std::string why;
    bool woken = false;
    const NetSocket s = Connect(n, &why, &woken);
    if (s == kNoSocket) {
        if (!woken) n.backoffMs = n.backoffMs * 2 < kMaxRetryMs ? n.backoffMs * 2 : kMaxRetryMs;
        return;
    }
    {
        std::lock_guard<std::mutex> g(n.sendLock);
        n.sock = s;
        n.up = true;
        n.upSinceUs = platform::MonotonicUs();
        if (n.telnet && n.haveLine) {
            std::vector<uint8_t> out;
            n.tn.LineCommands(n.line, out);
            if (!SendNow(s, out)) platform::NetShutdown(s);
        }
    }
    Report(n, kLinkUp, "link back");
}

bool WaitEvent(Line& l) {
    NetLink& n = Net(l);
    if (!n.rxMask || !n.open) {
        platform::NetWait(kNoSocket, false, &n.wake, -1);
        return false;
    }
    if (n.rxHead < n.rx.size()) return true;
    if (!n.up) {
        Reconnect(n);
        return false;
    }
    const NetWaitResult r = platform::NetWait(n.sock, false, &n.wake, -1);
    if (r == NetWaitResult::Woken) return false;
    if (r == NetWaitResult::Failed) {
        platform::SleepMs(100);  // never a busy loop, whatever the wait says
        return false;
    }
    if (r != NetWaitResult::Ready) return false;
    uint8_t buf[1024];
    const long got = platform::NetRecv(n.sock, buf, sizeof buf);
    if (got == platform::kNetWouldBlock) return false;
    if (got <= 0) {
        LinkDown(n, got == 0 ? "closed by the server" : platform::NetLastError());
        return false;
    }
    std::vector<uint8_t> data;
    std::string settings;
    bool report = false;
    if (n.telnet) {
        std::vector<uint8_t> replies;
        std::lock_guard<std::mutex> g(n.sendLock);
        n.tn.Feed(buf, static_cast<size_t>(got), data, replies);
        if (!SendNow(n.sock, replies)) platform::NetShutdown(n.sock);
        report = n.tn.TakeSettingsReport(settings);
    } else {
        data.assign(buf, buf + got);
    }
    if (report) Report(n, kLinkSettings, "the server set " + settings);
    KeepReceived(n, data);
    return n.rxHead < n.rx.size();
}

}  // namespace

const LineOps kSocketLine = {"socket",   CreateEvents, CloseEvents, DebugId,      Open,      LastError,
                             IsOpen,     Close,        SetRxMask,   Prepare,      Purge,     SetLine,
                             SetDtr,     WriteStart,   WriteWait,   BytesWaiting, ReadStart, ReadFinish,
                             WatchBegin, WatchId,      WatchEnd,    WaitEvent,    Failure,   Gone};
const LineOps kRfc2217Line = {"rfc2217",  CreateEvents, CloseEvents, DebugId,      Open,      LastError,
                              IsOpen,     Close,        SetRxMask,   Prepare,      Purge,     SetLine,
                              SetDtr,     WriteStart,   WriteWait,   BytesWaiting, ReadStart, ReadFinish,
                              WatchBegin, WatchId,      WatchEnd,    WaitEvent,    Failure,   Gone};

const LineOps* NetLineKind(const std::string& name) {
    const std::string lower = Lower(name.substr(0, 10));
    if (lower.compare(0, 9, "socket://") == 0) return &kSocketLine;
    if (lower.compare(0, 10, "rfc2217://") == 0) return &kRfc2217Line;
    return nullptr;
}

bool ParseNetUrl(const std::string& text, NetUrl& out, std::string* error) {
    const size_t sep = text.find("://");
    const std::string scheme = Lower(text.substr(0, sep));
    if (sep == std::string::npos || (scheme != "socket" && scheme != "rfc2217")) {
        *error = "not a socket:// or rfc2217:// URL";
        return false;
    }
    std::string rest = text.substr(sep + 3);
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    std::string host, port;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            *error = "a bracketed IPv6 address needs \"]:PORT\"";
            return false;
        }
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const size_t colon = rest.rfind(':');
        if (colon == std::string::npos) {
            *error = "no :PORT";
            return false;
        }
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string::npos) {
            *error = "an IPv6 address goes in brackets, as [::1]:PORT";
            return false;
        }
    }
    if (host.empty() || host.find_first_of("/?#@ ") != std::string::npos) {
        *error = "no usable host name";
        return false;
    }
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(port) == 0 || std::stoul(port) > 65535) {
        *error = "the port must be a number from 1 to 65535";
        return false;
    }
    out.telnet = scheme == "rfc2217";
    out.host = host;
    out.port = static_cast<unsigned>(std::stoul(port));
    return true;
}

void SetLinkWatcher(LinkWatcher watcher, void* context) {
    std::lock_guard<std::recursive_mutex> g(g_watchLock);
    g_watcher = watcher;
    g_watcherContext = context;
}
