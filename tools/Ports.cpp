#include "Ports.h"

#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdlib>

namespace ports {
namespace {

constexpr int kMaxCom = 255;

std::string EnvName(int n) { return "TREVALO_COM" + std::to_string(n); }

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

}  // namespace

Port Resolve(const std::string& text) {
    Port port;
    if (text.size() > 3 && cli::Lower(text.substr(0, 3)) == "com" &&
        std::isdigit(static_cast<unsigned char>(text[3]))) {
        port.com = static_cast<int>(cli::ParseNumber(text.substr(3), 1, kMaxCom, "COM port number"));
        const char* dev = std::getenv(EnvName(port.com).c_str());
        port.description = "COM" + std::to_string(port.com) + (dev && *dev ? std::string(" (") + dev + ")" : "");
        return port;
    }
    // socket://HOST:PORT and rfc2217://HOST:PORT go to the library as they are.
    const std::string lower = cli::Lower(text);
    const bool url = lower.rfind("socket://", 0) == 0 || lower.rfind("rfc2217://", 0) == 0;
    struct stat st;
    if (!url && (text.empty() || stat(text.c_str(), &st) != 0)) cli::Failed("no such port: " + text);
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
    port.description = "COM" + std::to_string(port.com) + " (" + text + ")";
    return port;
}

actions::LineSettings Settings(const cli::Options& o, int com) {
    actions::LineSettings s;
    s.comPort = com;
    s.baud = static_cast<int>(o.Number("baud", 9600, 1, 4000000));
    const std::string parity = cli::Lower(o.Get("parity", "n"));
    if (parity.size() != 1 || std::string("noems").find(parity) == std::string::npos)
        cli::Usage("--parity must be one of N, O, E, M, S, not \"" + o.Get("parity") + "\"");
    s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity[0])));
    s.dataBits = static_cast<int>(o.Number("data", 8, 5, 8));
    s.stopBits = static_cast<int>(o.Number("stop", 1, 1, 2));
    return s;
}

}  // namespace ports
