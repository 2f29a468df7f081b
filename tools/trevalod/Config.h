// trevalod's configuration: lines, cameras, users, listening address.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace trevalod {

struct LineConfig {
    std::string name;
    std::string device;  // a tty path (or a URL, when the library takes them)
    int baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
};

struct CameraConfig {
    std::string name;
    std::string token;     // profile, source and node tokens derive from it
    int protocol = -1;     // library protocol index
    int address = 1;
    std::string line;      // LineConfig::name
    std::string rtsp;      // the encoder's stream, empty when unknown
    int port = 0;          // a listening port of its own, 0 for none
    std::map<int, std::string> presets;  // protocol preset number -> name
};

struct UserConfig {
    std::string name;
    std::string password;  // see README: PasswordDigest needs a plaintext equivalent
};

struct Config {
    std::string path;
    std::string address = "127.0.0.1";
    int port = 8080;
    std::string stateFile;           // preset names; next to the config by default
    double defaultTimeoutSeconds = 10;
    bool discovery = true;
    int discoveryPort = 3702;        // WS-Discovery's own port
    int maxPreset = 255;             // presets numbered 1..maxPreset
    std::vector<LineConfig> lines;
    std::vector<CameraConfig> cameras;
    std::vector<UserConfig> users;
};

// Reads and checks FILE. On failure returns false with one message naming
// the file, the line and the field; nothing is opened either way.
bool LoadConfig(const std::string& file, Config& out, std::string& error);
// The same for text already in memory (the name is used in messages).
bool ParseConfig(const std::string& text, const std::string& name, Config& out, std::string& error);

// Protocol index for a name ("Pelco-D", case and punctuation ignored) or
// a decimal index; -1 when unknown. Needs SetPTInit.
int ProtocolIndex(const std::string& text);

}  // namespace trevalod
