#include "Cli.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace cli {

void Usage(const std::string& message) { throw Error(kUsage, message); }
void Failed(const std::string& message) { throw Error(kFailed, message); }

long ParseNumber(const std::string& text, long lo, long hi, const std::string& what) {
    const char* s = text.c_str();
    int base = 10;
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s += 2;
    }
    char* end = nullptr;
    errno = 0;
    long v = (*s && !std::isspace(static_cast<unsigned char>(*s))) ? std::strtol(s, &end, base) : 0;
    if (!end || *end || errno == ERANGE)
        Usage("bad number \"" + text + "\" for " + what);
    if (v < lo || v > hi)
        Usage(what + " " + text + " is out of range " + std::to_string(lo) + ".." + std::to_string(hi));
    return v;
}

std::vector<uint8_t> ParseHex(const std::string& text) {
    std::vector<uint8_t> out;
    std::string digits;
    auto flush = [&](const std::string& token) {
        if (token.empty()) return;
        std::string t = token;
        if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t = t.substr(2);
        if (t.size() % 2) {
            if (t.size() == 1) t = "0" + t;  // "F" in "FF 1 00" reads as 01
            else Usage("odd number of hex digits in \"" + token + "\"");
        }
        for (size_t i = 0; i < t.size(); i += 2) {
            if (!std::isxdigit(static_cast<unsigned char>(t[i])) ||
                !std::isxdigit(static_cast<unsigned char>(t[i + 1])))
                Usage("bad hex byte \"" + t.substr(i, 2) + "\" in \"" + token + "\"");
            out.push_back(static_cast<uint8_t>(std::strtoul(t.substr(i, 2).c_str(), nullptr, 16)));
        }
    };
    std::string token;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ':' || c == ';') {
            flush(token);
            token.clear();
        } else {
            token += c;
        }
    }
    flush(token);
    return out;
}

std::string Hex(const uint8_t* data, size_t n) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        if (i) s += ' ';
        s += kDigits[data[i] >> 4];
        s += kDigits[data[i] & 15];
    }
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Options::Options(const std::vector<Option>& known, const std::vector<std::string>& args) {
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.size() < 3 || a.compare(0, 2, "--") != 0) {
            if (a == "--") optionsDone = true;
            else m_positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2), value;
        const size_t eq = name.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const Option* option = nullptr;
        for (const Option& o : known)
            if (name == o.name) option = &o;
        if (!option) Usage("unknown option --" + name);
        if (option->takesValue && !inlineValue) {
            if (i + 1 >= args.size()) Usage("option --" + name + " needs a value");
            value = args[++i];
        } else if (!option->takesValue && inlineValue) {
            Usage("option --" + name + " takes no value");
        }
        m_values[name] = value;
    }
}

std::string Options::Get(const std::string& name, const std::string& def) const {
    auto it = m_values.find(name);
    return it == m_values.end() ? def : it->second;
}

long Options::Number(const std::string& name, long def, long lo, long hi) const {
    return Has(name) ? ParseNumber(Get(name), lo, hi, "--" + name) : def;
}

}  // namespace cli
