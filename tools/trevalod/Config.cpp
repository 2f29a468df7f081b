#include "Config.h"

#include <yaml-cpp/yaml.h>

#include <cctype>
#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>

#include <trevalo.h>

namespace trevalod {
namespace {

// Thrown inside the parser only; LoadConfig turns it into the message.
struct ConfigError {
    int line;
    std::string field;
    std::string what;
};

[[noreturn]] void Fail(const YAML::Node& at, const std::string& field, const std::string& what) {
    const YAML::Mark m = at.Mark();
    throw ConfigError{m.is_null() ? 0 : m.line + 1, field, what};
}

std::string Squash(const std::string& s) {
    std::string out;
    for (unsigned char c : s)
        if (std::isalnum(c)) out += static_cast<char>(std::tolower(c));
    return out;
}

void OnlyKeys(const YAML::Node& map, const std::string& where, const std::set<std::string>& keys) {
    if (!map.IsMap()) Fail(map, where, "must be a mapping");
    for (const auto& kv : map) {
        const std::string key = kv.first.as<std::string>();
        if (!keys.count(key)) Fail(kv.first, where.empty() ? key : where + "." + key, "unknown field");
    }
}

std::string Text(const YAML::Node& map, const std::string& key, const std::string& field, bool required,
                 const std::string& fallback = std::string()) {
    const YAML::Node n = map[key];
    if (!n) {
        if (required) Fail(map, field, "missing");
        return fallback;
    }
    if (!n.IsScalar()) Fail(n, field, "must be a single value");
    const std::string s = n.as<std::string>();
    if (required && s.empty()) Fail(n, field, "must not be empty");
    return s;
}

long Number(const YAML::Node& map, const std::string& key, const std::string& field, long lo, long hi,
            long fallback, bool required = false) {
    const YAML::Node n = map[key];
    if (!n) {
        if (required) Fail(map, field, "missing");
        return fallback;
    }
    if (!n.IsScalar()) Fail(n, field, "must be a number");
    const std::string s = n.as<std::string>();
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || errno) Fail(n, field, "must be a whole number, not \"" + s + "\"");
    if (v < lo || v > hi)
        Fail(n, field, "must be " + std::to_string(lo) + " to " + std::to_string(hi) + ", not " + s);
    return v;
}

void ParseLines(const YAML::Node& seq, Config& c) {
    if (!seq.IsSequence() || seq.size() == 0) Fail(seq, "lines", "must be a non-empty list");
    std::set<std::string> names;
    for (size_t i = 0; i < seq.size(); ++i) {
        const YAML::Node l = seq[i];
        const std::string at = "lines[" + std::to_string(i) + "]";
        OnlyKeys(l, at, {"name", "device", "baud", "parity", "data_bits", "stop_bits"});
        LineConfig line;
        line.name = Text(l, "name", at + ".name", true);
        if (!names.insert(line.name).second) Fail(l["name"], at + ".name", "repeats \"" + line.name + "\"");
        line.device = Text(l, "device", at + ".device", true);
        line.baud = static_cast<int>(Number(l, "baud", at + ".baud", 50, 4000000, 9600));
        const std::string parity = Text(l, "parity", at + ".parity", false, "N");
        if (parity.size() != 1 || std::string("NOEMSnoems").find(parity[0]) == std::string::npos)
            Fail(l["parity"], at + ".parity", "must be one of N, O, E, M, S, not \"" + parity + "\"");
        line.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity[0])));
        line.dataBits = static_cast<int>(Number(l, "data_bits", at + ".data_bits", 5, 8, 8));
        line.stopBits = static_cast<int>(Number(l, "stop_bits", at + ".stop_bits", 1, 2, 1));
        c.lines.push_back(line);
    }
}

void ParseCameras(const YAML::Node& seq, Config& c) {
    if (!seq.IsSequence() || seq.size() == 0) Fail(seq, "cameras", "must be a non-empty list");
    // Channel 254 is kept for measuring protocols in capture mode.
    if (seq.size() > 254) Fail(seq, "cameras", "at most 254 cameras");
    std::set<std::string> names, tokens, wires;
    std::set<int> ports;
    for (size_t i = 0; i < seq.size(); ++i) {
        const YAML::Node n = seq[i];
        const std::string at = "cameras[" + std::to_string(i) + "]";
        OnlyKeys(n, at, {"name", "token", "protocol", "address", "line", "rtsp", "port", "presets"});
        CameraConfig cam;
        cam.name = Text(n, "name", at + ".name", true);
        if (!names.insert(cam.name).second) Fail(n["name"], at + ".name", "repeats \"" + cam.name + "\"");
        cam.token = Text(n, "token", at + ".token", false, "cam" + std::to_string(i + 1));
        for (unsigned char ch : cam.token)
            if (!std::isalnum(ch) && ch != '_' && ch != '-')
                Fail(n["token"], at + ".token", "letters, digits, - and _ only");
        if (cam.token.empty() || !tokens.insert(cam.token).second)
            Fail(n["token"] ? n["token"] : n, at + ".token", "empty or repeated");
        const std::string proto = Text(n, "protocol", at + ".protocol", true);
        cam.protocol = ProtocolIndex(proto);
        if (cam.protocol < 0) Fail(n["protocol"], at + ".protocol", "unknown protocol \"" + proto + "\"");
        cam.address = static_cast<int>(Number(n, "address", at + ".address", 0, 255, 1, true));
        cam.line = Text(n, "line", at + ".line", true);
        bool found = false;
        for (const auto& l : c.lines) found = found || l.name == cam.line;
        if (!found) Fail(n["line"], at + ".line", "no line named \"" + cam.line + "\"");
        if (!wires.insert(cam.line + "/" + std::to_string(cam.address)).second)
            Fail(n["address"], at + ".address", "another camera has address " + std::to_string(cam.address) +
                                                    " on line \"" + cam.line + "\"");
        cam.rtsp = Text(n, "rtsp", at + ".rtsp", false);
        if (!cam.rtsp.empty() && cam.rtsp.rfind("rtsp://", 0) != 0 && cam.rtsp.rfind("rtsps://", 0) != 0)
            Fail(n["rtsp"], at + ".rtsp", "must start with rtsp://");
        cam.port = static_cast<int>(Number(n, "port", at + ".port", 1, 65535, 0));
        if (cam.port && (cam.port == c.port || !ports.insert(cam.port).second))
            Fail(n["port"], at + ".port", "port " + std::to_string(cam.port) + " is already in use here");
        if (const YAML::Node p = n["presets"]) {
            if (!p.IsMap()) Fail(p, at + ".presets", "must map preset numbers to names");
            for (const auto& kv : p) {
                const std::string key = kv.first.as<std::string>();
                char* end = nullptr;
                const long num = std::strtol(key.c_str(), &end, 10);
                if (key.empty() || *end || num < 1 || num > c.maxPreset)
                    Fail(kv.first, at + ".presets." + key, "preset numbers are 1 to " + std::to_string(c.maxPreset));
                if (!kv.second.IsScalar() || kv.second.as<std::string>().empty())
                    Fail(kv.second, at + ".presets." + key, "must be a name");
                cam.presets[static_cast<int>(num)] = kv.second.as<std::string>();
            }
        }
        c.cameras.push_back(cam);
    }
}

void ParseUsers(const YAML::Node& seq, Config& c) {
    if (!seq.IsSequence() || seq.size() == 0) Fail(seq, "users", "must be a non-empty list");
    std::set<std::string> names;
    for (size_t i = 0; i < seq.size(); ++i) {
        const YAML::Node u = seq[i];
        const std::string at = "users[" + std::to_string(i) + "]";
        OnlyKeys(u, at, {"name", "password"});
        UserConfig user;
        user.name = Text(u, "name", at + ".name", true);
        if (!names.insert(user.name).second) Fail(u["name"], at + ".name", "repeats \"" + user.name + "\"");
        user.password = Text(u, "password", at + ".password", true);
        if (user.password.size() < 8) Fail(u["password"], at + ".password", "at least 8 characters");
        c.users.push_back(user);
    }
}

}  // namespace

int ProtocolIndex(const std::string& text) {
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        const long v = std::strtol(text.c_str(), nullptr, 10);
        return v >= 0 && v < TREVALO_PROTOCOL_COUNT && text.size() < 4 ? static_cast<int>(v) : -1;
    }
    const std::string want = Squash(text);
    for (int i = 0; i < GetPtCount() && !want.empty(); ++i) {
        char name[TREVALO_NAME_MAX] = {0};
        GetPtName(i, name);
        if (Squash(name) == want) return i;
    }
    return -1;
}

bool ParseConfig(const std::string& text, const std::string& name, Config& out, std::string& error) {
    Config c;
    c.path = name;
    try {
        const YAML::Node root = YAML::Load(text);
        if (!root.IsMap()) Fail(root, "(top)", "the file must be a mapping");
        OnlyKeys(root, "", {"listen", "lines", "cameras", "users", "state_file", "default_timeout",
                            "discovery", "discovery_port", "max_preset"});
        if (const YAML::Node l = root["listen"]) {
            OnlyKeys(l, "listen", {"address", "port"});
            c.address = Text(l, "address", "listen.address", false, c.address);
            // 0 lets the system pick; the log line names the port.
            c.port = static_cast<int>(Number(l, "port", "listen.port", 0, 65535, c.port));
        }
        c.defaultTimeoutSeconds = static_cast<double>(Number(root, "default_timeout", "default_timeout", 1, 3600, 10));
        c.discoveryPort = static_cast<int>(Number(root, "discovery_port", "discovery_port", 0, 65535, 3702));
        c.maxPreset = static_cast<int>(Number(root, "max_preset", "max_preset", 1, 255, 255));
        if (const YAML::Node d = root["discovery"]) {
            if (!d.IsScalar() || (d.as<std::string>() != "true" && d.as<std::string>() != "false"))
                Fail(d, "discovery", "must be true or false");
            c.discovery = d.as<std::string>() == "true";
        }
        const std::string dir = name.find('/') == std::string::npos ? "." : name.substr(0, name.rfind('/'));
        c.stateFile = Text(root, "state_file", "state_file", false, dir + "/trevalod-state.yaml");
        if (!root["lines"]) Fail(root, "lines", "missing");
        ParseLines(root["lines"], c);
        if (!root["cameras"]) Fail(root, "cameras", "missing");
        ParseCameras(root["cameras"], c);
        if (!root["users"]) Fail(root, "users", "missing");
        ParseUsers(root["users"], c);
    } catch (const ConfigError& e) {
        error = name + ":" + std::to_string(e.line) + ": " + e.field + ": " + e.what;
        return false;
    } catch (const YAML::Exception& e) {
        error = name + ":" + std::to_string(e.mark.is_null() ? 0 : e.mark.line + 1) + ": (syntax): " + e.msg;
        return false;
    }
    out = c;
    return true;
}

bool LoadConfig(const std::string& file, Config& out, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = file + ":0: (file): cannot be read";
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    return ParseConfig(ss.str(), file, out, error);
}

}  // namespace trevalod
