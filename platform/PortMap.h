// The TREVALO_PORTMAP file, read the same way on every system: lines
// "COM3=/dev/ttyUSB0" or "COM3=rfc2217://host:3001", "#" starts a comment,
// blanks around names are ignored, the first match wins. Each system reads
// the file its own safe way and hands the text here.
#pragma once

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>

namespace platform {

inline std::string PortMapLookup(const std::string& text, unsigned number) {
    auto trim = [](const std::string& s) {
        size_t b = 0, e = s.size();
        while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
        while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
        return s.substr(b, e - b);
    };
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line.substr(0, line.find('#')));
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (key.size() < 4 || std::toupper(static_cast<unsigned char>(key[0])) != 'C' ||
            std::toupper(static_cast<unsigned char>(key[1])) != 'O' ||
            std::toupper(static_cast<unsigned char>(key[2])) != 'M' || value.empty())
            continue;
        if (key.find_first_not_of("0123456789", 3) != std::string::npos) continue;
        if (std::strtoul(key.c_str() + 3, nullptr, 10) == number) return value;
    }
    return std::string();
}

}  // namespace platform
