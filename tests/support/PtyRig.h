// Pseudo-terminals standing in for serial lines: the test holds the master
// (the far end), the library opens the slave as COM<n>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pttest {

class Pty {
public:
    explicit Pty(int com);  // maps TREVALO_COM<com> to the slave
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return !m_slave.empty(); }
    int master() const { return m_master; }
    const std::string& slave() const { return m_slave; }
    void HangUp();
    // What the library wrote, until n bytes came or the time ran out.
    std::vector<uint8_t> Read(size_t n, unsigned ms = 2000);
    // Bytes that arrive within ms (none expected).
    size_t Stray(unsigned ms);
    // Fills the line from a second slave descriptor of the test's own until
    // the kernel refuses more: the far end has stopped reading. Call after
    // the library has opened the port.
    bool Stall();

private:
    int m_com;
    int m_master = -1;
    int m_filler = -1;
    std::string m_slave;
};

// Threads and descriptors of the process, to prove that closes leave nothing.
std::pair<size_t, size_t> Resources();
double CpuMs();

}  // namespace pttest
