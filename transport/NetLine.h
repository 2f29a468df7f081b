// Network kinds of line: socket://HOST:PORT (raw bytes over TCP) and
// rfc2217://HOST:PORT (Telnet with the COM-PORT-OPTION). A dropped
// connection is rebuilt in the background by the watch thread; bytes
// written meanwhile are dropped, never replayed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Net.h"
#include "transport/Line.h"
#include "transport/Telnet.h"

struct NetUrl {
    bool telnet = false;
    std::string host;  // without brackets
    unsigned port = 0;
};

// The kind for a port name, or null when the name is no network URL.
const LineOps* NetLineKind(const std::string& name);
// False with *error naming what is wrong with the text.
bool ParseNetUrl(const std::string& text, NetUrl& out, std::string* error);

// Link state notices (dropped, back, settings the server acknowledged),
// also written as debug lines. The watcher runs on the port's watch thread.
enum LinkEvent { kLinkDown = 0, kLinkUp = 1, kLinkSettings = 2 };
using LinkWatcher = void (*)(void* context, int comPort, int event, const char* text);
void SetLinkWatcher(LinkWatcher watcher, void* context);

class NetLink {
public:
    bool telnet = false;
    unsigned number = 0;
    NetUrl url;
    std::vector<platform::NetAddress> addresses;
    std::string key;  // the held address, for exclusive use
    platform::NetWake wake;

    // Sending and the Telnet state: the host's writes, the watch thread's
    // answers and a reconnect's change of socket never interleave.
    std::mutex sendLock;
    platform::NetSocket sock = platform::kNoSocket;
    std::atomic<bool> up{false};
    std::atomic<bool> rxMask{false};
    bool open = false;  // from a successful open to the close, down or not
    telnet::Client tn;

    bool haveLine = false;
    platform::SerialLine line;
    unsigned writeMsPerByte = 0;
    bool droppedNoted = false;  // one debug line per outage for dropped writes

    // Received data not yet read (watch thread).
    std::vector<uint8_t> rx;
    size_t rxHead = 0;

    unsigned backoffMs = 0;
    uint64_t upSinceUs = 0;
    unsigned long lastError = 0;
    std::string lastReported;
};
