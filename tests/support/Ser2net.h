// Debian's ser2net started by a test on loopback ports it picks, with
// pseudo-terminals (or any devices) behind its accepters.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pttest {

// A loopback TCP port that was free a moment ago.
unsigned FreePort();

class Ser2net {
public:
    struct Port {
        std::string device;
        bool rfc2217 = false;
        unsigned tcp = 0;  // picked by Start
    };
    Ser2net() = default;
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // The ser2net program, or empty when it is not installed.
    static std::string Program();

    unsigned Add(const std::string& device, bool rfc2217);  // index of the port
    // Writes the configuration (first time only) and starts the server;
    // true once it accepts connections.
    bool Start();
    void Kill();  // at once, as a crash would
    bool running() const { return m_pid > 0; }
    const Port& port(unsigned i) const { return m_ports[i]; }
    std::string Url(unsigned i) const;

private:
    std::vector<Port> m_ports;
    unsigned m_admin = 0;
    std::string m_dir;
    pid_t m_pid = -1;
};

}  // namespace pttest
