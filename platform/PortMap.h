// The TREVALO_PORTMAP file, read the same way on every system: lines
// "COM3=/dev/ttyUSB0" or "COM3=rfc2217://host:3001", "#" starts a comment,
// blanks around names are ignored, the first match wins. Each system reads
// the file its own safe way and hands the text here. A trailing word
// "shared" (port map or TREVALO_COM<n>) lets several channels use the port.
#pragma once

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>

namespace platform {

// Strips a trailing " shared" from a mapped name; true if it was there.
inline bool StripShared(std::string& value) {
    static const char kWord[] = "shared";
    const size_t n = sizeof kWord - 1;
    if (value.size() <= n) return false;
    const size_t at = value.size() - n;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(value[at + i])) != kWord[i]) return false;
    size_t end = at;
    while (end > 0 && std::isspace(static_cast<unsigned char>(value[end - 1]))) --end;
    if (end == at || end == 0) return false;  // part of the name, or the name alone
    value.erase(end);
    return true;
}

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
