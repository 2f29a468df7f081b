// Debian's ser2net started by a test on loopback ports it picks, with
// pseudo-terminals (or any devices) behind its accepters; and the small
// helpers the network tests share.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pttest {

// A loopback TCP port that was free a moment ago.
unsigned FreePort();
// Asks done every 10 ms, at most ms long: a bound in count, so a loaded
// machine stretches the wait instead of failing it.
bool WaitUntil(const std::function<bool()>& done, unsigned ms);
// Seconds a call took.
inline double Timed(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
inline bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

class Ser2net {
public:
    Ser2net() = default;
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    static std::string Program();  // empty when ser2net is not installed
    unsigned Add(const std::string& device, bool rfc2217);  // index of the port
    // Writes the configuration (first time only) and starts the server;
    // true once it accepts connections.
    bool Start();
    void Kill();  // at once, as a crash would
    std::string Url(unsigned i) const;

private:
    struct Port { std::string device; bool rfc2217; unsigned tcp; };
    std::vector<Port> m_ports;
    unsigned m_admin = 0;
    std::string m_dir;
    int m_pid = -1;
};

}  // namespace pttest
