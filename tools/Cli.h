// Small pieces every subcommand shares: one-line errors, strict number
// parsing, hex in and out, and option scanning.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// Exit codes: bad usage (unknown protocol, action, option or number) and
// failures of the line or the library (port missing or busy, protocol not
// served by this build).
constexpr int kUsage = 2;
constexpr int kFailed = 1;

// Thrown anywhere in the tool; main prints "trevalo: <what>" and exits.
struct Error : std::runtime_error {
    Error(int code, const std::string& message) : std::runtime_error(message), code(code) {}
    int code;
};

[[noreturn]] void Usage(const std::string& message);
[[noreturn]] void Failed(const std::string& message);

// Decimal, or hexadecimal with 0x; the whole text must be the number.
long ParseNumber(const std::string& text, long lo, long hi, const std::string& what);

// Hex bytes from words such as "FF 01", "ff01", "0xFF,0x01" or "FF:01".
std::vector<uint8_t> ParseHex(const std::string& text);

// Upper-case bytes separated by single blanks.
std::string Hex(const uint8_t* data, size_t n);
inline std::string Hex(const std::vector<uint8_t>& v) { return Hex(v.data(), v.size()); }

std::string Lower(std::string s);

// Options of one subcommand: "--name value", "--name=value" or a flag.
// Everything else, and everything after "--", is positional.
class Options {
public:
    struct Option {
        const char* name;   // without the dashes
        bool takesValue;
    };
    Options(const std::vector<Option>& known, const std::vector<std::string>& args);

    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& def = "") const;
    long Number(const std::string& name, long def, long lo, long hi) const;
    const std::vector<std::string>& Positional() const { return m_positional; }

private:
    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_positional;
};

}  // namespace cli
