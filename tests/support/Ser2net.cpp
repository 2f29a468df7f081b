#include "support/Ser2net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace pttest {
namespace {

// Connects to a loopback port, or with 0 binds any free one: the port, or 0 when that failed.
unsigned Loopback(unsigned port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    auto* sa = reinterpret_cast<sockaddr*>(&a);
    const bool ok = port ? connect(s, sa, len) == 0 : bind(s, sa, len) == 0 && getsockname(s, sa, &len) == 0;
    close(s);
    return ok ? ntohs(a.sin_port) : 0;
}

}  // namespace

// The kernel may hand out a just-released port again: each port goes out
// once per process.
unsigned FreePort() {
    static std::set<unsigned> given;
    for (int tries = 0; tries < 100; ++tries)
        if (const unsigned port = Loopback(0); port && given.insert(port).second) return port;
    return 0;
}

bool WaitUntil(const std::function<bool()>& done, unsigned ms) {
    for (unsigned waited = 0; !done(); waited += 10, usleep(10000))
        if (waited >= ms) return false;
    return true;
}

std::string Ser2net::Program() {
    for (const char* p : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
        if (access(p, X_OK) == 0) return p;
    return std::string();
}

Ser2net::~Ser2net() {
    Kill();
    std::error_code ignored;
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ignored);
}

unsigned Ser2net::Add(const std::string& device, bool rfc2217) {
    m_ports.push_back(Port{device, rfc2217, 0});
    return static_cast<unsigned>(m_ports.size() - 1);
}

std::string Ser2net::Url(unsigned i) const {
    return std::string(m_ports[i].rfc2217 ? "rfc2217" : "socket") + "://127.0.0.1:" + std::to_string(m_ports[i].tcp);
}

bool Ser2net::Start() {
    const std::string program = Program();
    if (program.empty() || m_pid > 0) return false;
    if (m_dir.empty()) {
        char dir[] = "/tmp/trevalo-ser2net-XXXXXX";
        if (!mkdtemp(dir)) return false;
        m_dir = dir;
        m_admin = FreePort();
        std::ofstream y(m_dir + "/ser2net.yaml");
        y << "%YAML 1.1\n---\nadmin:\n  accepter: tcp,127.0.0.1," << m_admin << "\n";
        for (size_t i = 0; i < m_ports.size(); ++i) {
            m_ports[i].tcp = FreePort();
            y << "connection: &p" << i << "\n  accepter: " << (m_ports[i].rfc2217 ? "telnet(rfc2217),tcp" : "tcp")
              << ",127.0.0.1," << m_ports[i].tcp << "\n  connector: serialdev," << m_ports[i].device
              << ",9600n81,local\n  options:\n    kickolduser: true\n";
        }
    }
    // Built before the fork: the child of a threaded process only execs.
    const std::string config = m_dir + "/ser2net.yaml", pidFile = m_dir + "/pid";
    m_pid = fork();
    if (m_pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(null, 1), dup2(null, 2);
        execl(program.c_str(), "ser2net", "-n", "-u", "-c", config.c_str(), "-P", pidFile.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    bool exited = false;  // a bad configuration ends it at once
    const bool up = m_pid > 0 && WaitUntil([&] {  // up to 5 s on a loaded machine
        exited = waitpid(m_pid, nullptr, WNOHANG) == m_pid;
        return exited || (Loopback(m_admin) && Loopback(m_ports.back().tcp));
    }, 5000);
    if (exited) m_pid = -1;
    if (up && !exited) return true;
    Kill();
    return false;
}

void Ser2net::Kill() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

}  // namespace pttest
