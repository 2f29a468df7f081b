// WS-Discovery: answers a Probe with a ProbeMatch per device we present.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace trevalod {

struct DiscoveredDevice {
    std::string uuid;  // urn:uuid:..., stable for a given address and port
    int port = 0;
    std::string name;
};

// The reply to one datagram, or "" when it is not a Probe we answer.
// xaddrHost is the address the prober reaches us on.
std::string ProbeReply(const char* data, size_t size, const std::vector<DiscoveredDevice>& devices,
                       const std::string& xaddrHost);

class Discovery {
public:
    ~Discovery() { Stop(); }
    // Unicast probes on ADDRESS:PORT; multicast on 239.255.255.250:PORT
    // through the interface of ADDRESS where the network allows (a warning
    // otherwise). PORT 0 picks one for the unicast socket (see Port).
    bool Start(const std::string& address, int port, std::vector<DiscoveredDevice> devices, std::string& error);
    int Port() const { return port_; }
    void Stop();

private:
    void Run();
    std::vector<DiscoveredDevice> devices_;
    std::string address_;
    int unicast_ = -1, multicast_ = -1, wake_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
};

// A stable urn:uuid from a text (SHA-1 based, version 5 layout).
std::string StableUuid(const std::string& seed);

}  // namespace trevalod
