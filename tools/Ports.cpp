#include "Ports.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <trevalo_host.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace ports {
namespace {

constexpr int kMaxCom = 255;

std::string EnvName(int n) { return "TREVALO_COM" + std::to_string(n); }

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// The library's own lookup for COMn without TREVALO_COMn: the port map
// file, else /dev/ttyS<n-1>. `lookup` says what was tried, for messages.
std::string FromMapOrDefault(int n, std::string* lookup) {
    const std::string key = "COM" + std::to_string(n);
    const char* map = std::getenv("TREVALO_PORTMAP");
    if (!map || !*map) {
        *lookup = "no " + EnvName(n) + " or TREVALO_PORTMAP";
    } else if (std::ifstream in{map}) {
        for (std::string line; std::getline(in, line);) {
            line = Trim(line.substr(0, line.find('#')));
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string name = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
            if (name.size() < 4 || cli::Lower(name.substr(0, 3)) != "com" || value.empty() ||
                name.find_first_not_of("0123456789", 3) != std::string::npos)
                continue;
            if (std::strtoul(name.c_str() + 3, nullptr, 10) == static_cast<unsigned long>(n)) {
                *lookup = "from TREVALO_PORTMAP file " + std::string(map);
                return value;
            }
        }
        *lookup = "no " + EnvName(n) + ", and no " + key + " in TREVALO_PORTMAP file " + map;
    } else {
        *lookup = "no " + EnvName(n) + ", and TREVALO_PORTMAP file " + std::string(map) + " not found";
    }
    return "/dev/ttyS" + std::to_string(n - 1);
}

// Rates the library sets exactly; any other becomes 9600.
bool ExactRate(long baud) {
    static const long kRates[] = {110,  300,   600,   1200,  2400,  4800,  9600, 19200, 38400, 57600,
#ifdef __linux__
                                  14400, 56000, 128000, 256000
#endif
    };
    for (long r : kRates)
        if (r == baud) return true;
    return false;
}

}  // namespace

Port Resolve(const std::string& text) {
    Port port;
    if (text.size() > 3 && cli::Lower(text.substr(0, 3)) == "com" &&
        std::isdigit(static_cast<unsigned char>(text[3]))) {
        port.com = static_cast<int>(cli::ParseNumber(text.substr(3), 1, kMaxCom, "COM port number"));
        const char* dev = std::getenv(EnvName(port.com).c_str());
        port.device = dev && *dev ? std::string(dev) : FromMapOrDefault(port.com, &port.lookup);
        port.description = "COM" + std::to_string(port.com) + " (" + port.device + ")";
        return port;
    }
    // socket://HOST:PORT and rfc2217://HOST:PORT go to the library as they are.
    const std::string lower = cli::Lower(text);
    const bool url = lower.rfind("socket://", 0) == 0 || lower.rfind("rfc2217://", 0) == 0;
    struct stat st;
    if (!url && (text.empty() || stat(text.c_str(), &st) != 0))
        cli::Failed("no such port: " + text + (text.empty() ? "" : std::string(": ") + std::strerror(errno)));
    const std::string device = url ? text : RealPath(text);
    int free = 0;
    for (int n = 1; n <= kMaxCom && !port.com; ++n) {
        const char* dev = std::getenv(EnvName(n).c_str());
        if (!dev || !*dev) {
            if (!free) free = n;
        } else if ((url ? std::string(dev) : RealPath(dev)) == device) {
            port.com = n;
        }
    }
    if (!port.com) {
        if (!free) cli::Failed("no free COM number to map " + text + " to");
        port.com = free;
        setenv(EnvName(free).c_str(), device.c_str(), 1);
    }
    port.device = text;
    port.description = "COM" + std::to_string(port.com) + " (" + text + ")";
    return port;
}

std::string WhyNotOpen(const Port& port) {
    // A network server is only known once the library connects.
    const std::string lower = cli::Lower(port.device);
    if (lower.rfind("socket://", 0) == 0 || lower.rfind("rfc2217://", 0) == 0) return std::string();
    // As the library opens it, then let go at once for the real open.
    const int fd = open(port.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        std::string why = std::strerror(err);
        if (err == ENOENT && !port.lookup.empty()) why += " (" + port.lookup + ")";
        return why;
    }
    std::string why;
    if (!isatty(fd)) why = "not a tty";
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        why = std::string(std::strerror(errno == EWOULDBLOCK ? EBUSY : errno)) + " (another program holds it)";
    close(fd);
    return why;
}

std::string OpenFailure(const Port& port) {
    // The library's own reason for the tool's channel 0 comes first.
    char text[512] = "";
    if (TrevaloLastOpenError(0, text, sizeof text) > 0) return std::string("cannot open ") + text;
    std::string why = WhyNotOpen(port);
    if (why.empty()) why = "the library could not set up the line (TREVALO_DEBUG=1 shows its log)";
    return "cannot open " + port.description + ": " + why;
}

actions::LineSettings Settings(const cli::Options& o, int com) {
    actions::LineSettings s;
    s.comPort = com;
    s.baud = static_cast<int>(o.Number("baud", 9600, 1, 4000000));
    if (!ExactRate(s.baud))
        std::fprintf(stderr, "trevalo: warning: the library cannot set %d baud; the line runs at 9600\n", s.baud);
    const std::string parity = cli::Lower(o.Get("parity", "n"));
    if (parity.size() != 1 || std::string("noems").find(parity) == std::string::npos)
        cli::Usage("--parity must be one of N, O, E, M, S, not \"" + o.Get("parity") + "\"");
    s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity[0])));
    s.dataBits = static_cast<int>(o.Number("data", 8, 5, 8));
    s.stopBits = static_cast<int>(o.Number("stop", 1, 1, 2));
    return s;
}

}  // namespace ports
