#include "support/Ser2net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

namespace pttest {
namespace {

bool Accepts(unsigned port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

unsigned AnyFreePort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    unsigned port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(s);
    return port;
}

}  // namespace

// The kernel may hand out a just-released port again: each port goes out
// once per process.
unsigned FreePort() {
    static std::set<unsigned> given;
    for (int tries = 0; tries < 100; ++tries) {
        const unsigned port = AnyFreePort();
        if (port && given.insert(port).second) return port;
    }
    return 0;
}

std::string Ser2net::Program() {
    for (const char* p : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
        if (access(p, X_OK) == 0) return p;
    return std::string();
}

Ser2net::~Ser2net() {
    Kill();
    if (!m_dir.empty()) {
        unlink((m_dir + "/ser2net.yaml").c_str());
        rmdir(m_dir.c_str());
    }
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
    const std::string config = m_dir + "/ser2net.yaml";
    m_pid = fork();
    if (m_pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(null, 1), dup2(null, 2);
        execl(program.c_str(), "ser2net", "-n", "-u", "-c", config.c_str(), "-P", (m_dir + "/pid").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    if (m_pid < 0) return false;
    for (int i = 0; i < 500; ++i) {  // up to 5 s on a loaded machine
        if (Accepts(m_admin) && Accepts(m_ports.back().tcp)) return true;
        int status;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        usleep(10000);
    }
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
