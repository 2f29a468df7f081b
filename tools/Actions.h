// The actions a user can name, as a table from name to C API call, and the
// channel they run on (capture form or serial form).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trevalo.h"

namespace actions {

// Line settings of a serial open.
struct LineSettings {
    int comPort = 0;
    int baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
};

// One channel of the library, opened in capture mode (packets land in
// `data`/`length`) or on a serial line.
class Link {
public:
    Link(int protocol, int address, int channel);                        // capture
    Link(int protocol, int address, int channel, const LineSettings& line);  // serial
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    int protocol() const { return m_protocol; }
    int address() const { return m_address; }
    bool capture() const { return m_capture; }
    bool isOpen() const { return m_h != nullptr; }

    // Opens the channel; a serial channel still open is closed first.
    bool Open();
    // After an Open that failed: false when the protocol itself is missing
    // from this build (rather than the line failing).
    bool served() const { return m_served; }
    // Capture only: opens again without closing, which replaces the protocol
    // object without the 100 ms a close costs; the old handle is kept
    // until the process ends.
    bool Reopen(int protocol, int address);
    void Close();
    // A serial link whose device has gone away (unplugged, far end closed).
    bool LineLost() const;

    // Speed steps of a capture link go through the serial form, which
    // reaches the object in capture mode and captures the same packet, but
    // leaves the speed file alone (identify's probing must not write it).
    void KeepSpeedFile() { m_keepSpeedFile = true; }

    // Call before each capture call; length stays -1 if the call wrote none.
    void Begin() { m_len = -1; }
    const uint8_t* data() const { return m_buf; }
    int length() const { return m_len; }

    void Cmd(int code);
    void CameraPower(int on);
    void LampPower(int on);
    void AuxPower(int on);
    void AutoPan(int on);
    void AutoScan(int value);
    void SpeedCtrl(int axis, int increase);
    void PresetNo(int n);
    void ScanNo(int n);

private:
    int m_protocol, m_address, m_channel;
    bool m_capture;
    LineSettings m_line;
    PtPortHandle* m_h = nullptr;
    // The library keeps writing here (serial-form calls on a capture
    // channel) until the next _NET call or the close: it lives with the link.
    uint8_t m_buf[TREVALO_CAPTURE_MAX + 64] = {0};
    int m_len = -1;
    bool m_keepSpeedFile = false;
    bool m_served = true;
};

enum class ArgKind { None, Number, OnOff, SpeedAxis };

struct Def {
    const char* name;
    ArgKind arg;
    const char* usage;  // the argument words for help
    // Runs the action; the argument is the number, 0/1 for off/on, or
    // axis * 2 + (up ? 1 : 0) for a speed step.
    void (*run)(Link&, int arg);
};

const std::vector<Def>& Table();
const Def* Find(const std::string& name);

struct Action {
    const Def* def = nullptr;
    int arg = 0;
    std::string Text() const;  // as a user writes it: "preset-goto 5"
    bool IsOpen() const;
    bool IsClose() const;
};

// Words to actions; an unknown action, a missing or bad argument fails
// with a one-line message.
std::vector<Action> Parse(const std::vector<std::string>& words);

}  // namespace actions
