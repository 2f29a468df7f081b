// The capture path keeps each channel's speed block in
// <current directory>/config/ptz_speed.ini, one section per
// "channel protocol address".
#include <cstdio>
#include <string>

#include "platform/Platform.h"
#include "protocol/CPtProtocol.h"

namespace {

struct SpeedKey {
    const char* name;
    int def;
};
const SpeedKey kSpeedKeys[4] = {
    {"pan_speed", 160}, {"tilt_speed", 160}, {"zoom_speed", 13}, {"focus_speed", 208}};

std::string SpeedFilePath() {
    return platform::JoinPath(platform::JoinPath(platform::CurrentDirectory(), "config"),
                              "ptz_speed.ini");
}

void SectionName(char* out, size_t n, int channel, int index, int address) {
    // The address is the unsigned low byte both ways, so 200 stays 200.
    std::snprintf(out, n, "%d %d %d", channel, index, address & 0xFF);
}

}  // namespace

void CPtProtocol::LoadSpeed(int channel, int index, int address) {
    const std::string file = SpeedFilePath();
    char section[48];
    SectionName(section, sizeof section, channel, index, address);
    for (int i = 0; i < 4; ++i)
        m_bySpeed[i] = static_cast<uint8_t>(
            platform::ProfileGetInt(file, section, kSpeedKeys[i].name, kSpeedKeys[i].def));
}

void CPtProtocol::SaveSpeed(int channel, int index, int address) {
    const std::string file = SpeedFilePath();
    char section[48];
    SectionName(section, sizeof section, channel, index, address);
    char values[4][8];
    const char* keys[4];
    const char* texts[4];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(values[i], sizeof values[i], "%d", m_bySpeed[i]);
        keys[i] = kSpeedKeys[i].name;
        texts[i] = values[i];
    }
    // One update for the block: a concurrent open never reads half of it.
    platform::ProfileWriteStrings(file, section, keys, texts, 4);
}
