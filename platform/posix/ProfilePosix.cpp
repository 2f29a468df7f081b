// INI files with the semantics of GetPrivateProfileIntA and
// WritePrivateProfileStringA: section and key names compare without case,
// a missing file, section or key yields the default, and a write changes
// one line (or appends one) and keeps everything else as it was.
#include <strings.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/Text.h"

namespace platform {
namespace {

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool ReadLines(const std::string& file, std::vector<std::string>& lines) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return true;
}

// "[name]" gives name; anything else gives false.
bool SectionOf(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// "key = value" gives both; comments and blank lines give false.
bool KeyOf(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return true;
}

// Leading integer as the profile functions read it: optional sign, then
// decimal or 0x hexadecimal; text that is no number reads as 0.
int ParseProfileInt(const std::string& v) {
    const char* p = v.c_str();
    bool neg = false;
    if (*p == '+' || *p == '-') neg = (*p++ == '-');
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    unsigned long n = 0;
    for (; *p; ++p) {
        int d = std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0'
                : (base == 16 && std::isxdigit(static_cast<unsigned char>(*p)))
                    ? std::tolower(static_cast<unsigned char>(*p)) - 'a' + 10
                    : -1;
        if (d < 0) break;
        n = n * static_cast<unsigned long>(base) + static_cast<unsigned long>(d);
    }
    return static_cast<int>(neg ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n));
}

}  // namespace

int ProfileGetInt(const std::string& file, const char* section, const char* key, int def) {
    std::vector<std::string> lines;
    if (!ReadLines(file, lines)) return def;
    bool inSection = false;
    for (const std::string& line : lines) {
        std::string name, k, v;
        if (SectionOf(line, name)) {
            inSection = SameName(name, section);
        } else if (inSection && KeyOf(line, k, v) && SameName(k, key)) {
            return v.empty() ? def : ParseProfileInt(v);
        }
    }
    return def;
}

bool ProfileWriteString(const std::string& file, const char* section, const char* key,
                        const char* value) {
    std::vector<std::string> lines;
    ReadLines(file, lines);  // a missing file starts empty
    const std::string entry = std::string(key) + "=" + value;

    bool inSection = false, done = false;
    size_t sectionEnd = std::string::npos;  // index after the section's last key
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (SectionOf(lines[i], name)) {
            if (inSection) break;
            inSection = SameName(name, section);
            if (inSection) sectionEnd = i + 1;
        } else if (inSection && KeyOf(lines[i], k, v)) {
            if (SameName(k, key)) {
                lines[i] = k + "=" + value;  // the key keeps its spelling
                done = true;
            }
            sectionEnd = i + 1;
        }
    }
    if (!done) {
        if (sectionEnd != std::string::npos) {
            lines.insert(lines.begin() + static_cast<long>(sectionEnd), entry);
        } else {
            lines.push_back(std::string("[") + section + "]");
            lines.push_back(entry);
        }
    }

    // Write beside the file and rename, so a reader never sees half a file.
    // A missing directory makes this fail, and nothing is created.
    // Unique per process and per call, so concurrent writers never share it.
    static std::atomic<unsigned> serial{0};
    const std::string tmp = file + ".tmp" + std::to_string(getpid()) + "." + std::to_string(serial++);
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const std::string& line : lines) out << line << "\n";
        if (!out.flush()) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), file.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace platform
