#include "Actions.h"

#include <cstdlib>
#include <mutex>

#include "Cli.h"
#include "trevalo_host.h"

namespace actions {

Link::Link(int protocol, int address, int channel)
    : m_protocol(protocol), m_address(address), m_channel(channel), m_capture(true) {}

Link::Link(int protocol, int address, int channel, const LineSettings& line)
    : m_protocol(protocol), m_address(address), m_channel(channel), m_capture(false), m_line(line) {}

Link::~Link() { Close(); }

bool Link::Open() {
    // A capture channel is simply opened again: that replaces its object
    // without the 100 ms a close costs.
    if (m_capture && m_h) return Reopen(m_protocol, m_address);
    if (m_h) Close();
    Begin();
    if (m_capture)
        m_h = SetPtOpen_NET(m_protocol, m_channel, m_address, m_buf, &m_len);
    else
        m_h = SetPtOpen(m_protocol, m_channel, m_address, m_line.comPort, m_line.baud,
                        m_line.parity, m_line.dataBits, m_line.stopBits);
    m_served = m_h != nullptr;
    if (!m_h && !m_capture) {
        // A failed serial open leaves its protocol object on the channel. A
        // capture open replaces it and its close releases both; on the way
        // it tells whether this build serves the protocol at all.
        PtPortHandle* h = SetPtOpen_NET(m_protocol, m_channel, m_address, m_buf, &m_len);
        m_served = h != nullptr;
        if (h) SetPtClose_NET(h, m_channel, m_buf, &m_len);
    }
    return m_h != nullptr;
}

namespace {

// Handles left behind by Reopen. Closing a capture handle costs 100 ms, so
// they are kept, reachable, until the process ends.
void Keep(PtPortHandle* h) {
    static std::mutex lock;
    static auto* kept = new std::vector<PtPortHandle*>();
    std::lock_guard<std::mutex> guard(lock);
    kept->push_back(h);
}

}  // namespace

bool Link::Reopen(int protocol, int address) {
    Begin();
    PtPortHandle* h = SetPtOpen_NET(protocol, m_channel, address, m_buf, &m_len);
    // A failed open leaves the channel as it was, so the old handle still
    // closes it.
    if (!h) return false;
    if (m_h) Keep(m_h);
    m_h = h;
    m_protocol = protocol;
    m_address = address;
    return true;
}

bool Link::LineLost() const { return !m_capture && m_h && TrevaloPortLost(m_h); }

void Link::Close() {
    if (!m_h) return;
    Begin();
    if (m_capture) SetPtClose_NET(m_h, m_channel, m_buf, &m_len);
    else SetPtClose(m_h, m_channel);
    m_h = nullptr;
}

void Link::Cmd(int code) {
    if (m_capture) SetPtCmd_NET(m_h, m_channel, code, m_buf, &m_len);
    else SetPtCmd(m_h, m_channel, code);
}
void Link::CameraPower(int on) {
    if (m_capture) SetPtCameraPower_NET(m_h, m_channel, on, m_buf, &m_len);
    else SetPtCameraPower(m_h, m_channel, on);
}
void Link::LampPower(int on) {
    if (m_capture) SetPtLampPower_NET(m_h, m_channel, on, m_buf, &m_len);
    else SetPtLampPower(m_h, m_channel, on);
}
void Link::AuxPower(int on) {
    if (m_capture) SetPtAuxPower_NET(m_h, m_channel, on, m_buf, &m_len);
    else SetPtAuxPower(m_h, m_channel, on);
}
void Link::AutoPan(int on) {
    if (m_capture) SetPtAutoPan_NET(m_h, m_channel, on, m_buf, &m_len);
    else SetPtAutoPan(m_h, m_channel, on);
}
void Link::AutoScan(int value) {
    if (m_capture) SetPtAutoScan_NET(m_h, m_channel, value, m_buf, &m_len);
    else SetPtAutoScan(m_h, m_channel, value);
}
void Link::SpeedCtrl(int axis, int increase) {
    if (m_capture && !m_keepSpeedFile) SetPtSpeedCtrl_NET(m_h, m_channel, axis, increase, m_buf, &m_len);
    else SetPtSpeedCtrl(m_h, m_channel, axis, increase);
}
void Link::PresetNo(int n) {
    if (m_capture) SetPtPresetNo_NET(m_channel, n);
    else SetPtPresetNo(m_channel, n);
}
void Link::ScanNo(int n) {
    if (m_capture) SetPtAutoScanNo_NET(m_channel, n);
    else SetPtAutoScanNo(m_channel, n);
}

namespace {

// open and close are handled by whoever runs the script (they change the
// handle, not just the object); these bodies only keep the table uniform.
void OpenAction(Link& l, int) { l.Open(); }
void CloseAction(Link& l, int) { l.Close(); }

template <int Code>
void CmdAction(Link& l, int) { l.Cmd(Code); }

template <int Code>
void PresetAction(Link& l, int n) {
    l.PresetNo(n);
    l.Begin();  // the number alone sends nothing; report the command
    l.Cmd(Code);
}

const char* const kAxes[] = {"pan", "tilt", "zoom", "focus"};

const std::vector<Def> kTable = {
    {"up", ArgKind::None, "", CmdAction<PT_UP>},
    {"down", ArgKind::None, "", CmdAction<PT_DOWN>},
    {"left", ArgKind::None, "", CmdAction<PT_LEFT>},
    {"right", ArgKind::None, "", CmdAction<PT_RIGHT>},
    {"up-left", ArgKind::None, "", CmdAction<PT_UP_LEFT>},
    {"up-right", ArgKind::None, "", CmdAction<PT_UP_RIGHT>},
    {"down-left", ArgKind::None, "", CmdAction<PT_DOWN_LEFT>},
    {"down-right", ArgKind::None, "", CmdAction<PT_DOWN_RIGHT>},
    {"stop", ArgKind::None, "", CmdAction<PT_STOP>},
    {"lens-stop", ArgKind::None, "", CmdAction<PT_LENS_STOP>},
    {"zoom-in", ArgKind::None, "", CmdAction<PT_ZOOM_TELE>},
    {"zoom-out", ArgKind::None, "", CmdAction<PT_ZOOM_WIDE>},
    {"focus-near", ArgKind::None, "", CmdAction<PT_FOCUS_NEAR>},
    {"focus-far", ArgKind::None, "", CmdAction<PT_FOCUS_FAR>},
    {"iris-open", ArgKind::None, "", CmdAction<PT_IRIS_OPEN>},
    {"iris-close", ArgKind::None, "", CmdAction<PT_IRIS_CLOSE>},
    {"iris-auto", ArgKind::None, "", CmdAction<PT_IRIS_AUTO>},
    {"preset-set", ArgKind::Number, "N", PresetAction<PT_PRESET_SET>},
    {"preset-goto", ArgKind::Number, "N", PresetAction<PT_PRESET_GOTO>},
    {"preset-clear", ArgKind::Number, "N", PresetAction<PT_PRESET_CLEAR>},
    {"autopan", ArgKind::OnOff, "on|off", [](Link& l, int on) { l.AutoPan(on); }},
    {"power", ArgKind::OnOff, "on|off", [](Link& l, int on) { l.CameraPower(on); }},
    {"lamp", ArgKind::OnOff, "on|off", [](Link& l, int on) { l.LampPower(on); }},
    {"aux", ArgKind::OnOff, "on|off", [](Link& l, int on) { l.AuxPower(on); }},
    {"scan", ArgKind::Number, "N", [](Link& l, int v) { l.AutoScan(v); }},
    {"scan-no", ArgKind::Number, "N", [](Link& l, int n) { l.ScanNo(n); }},
    {"speed", ArgKind::SpeedAxis, "pan|tilt|zoom|focus up|down",
     [](Link& l, int a) { l.SpeedCtrl(a / 2, a % 2); }},
    {"code", ArgKind::Number, "N", [](Link& l, int code) { l.Cmd(code); }},
    {"open", ArgKind::None, "", OpenAction},
    {"close", ArgKind::None, "", CloseAction},
};

}  // namespace

const std::vector<Def>& Table() { return kTable; }

const Def* Find(const std::string& name) {
    const std::string want = cli::Lower(name);
    for (const Def& d : kTable)
        if (want == d.name) return &d;
    return nullptr;
}

std::string Action::Text() const {
    switch (def->arg) {
        case ArgKind::None: return def->name;
        case ArgKind::Number: return std::string(def->name) + " " + std::to_string(arg);
        case ArgKind::OnOff: return std::string(def->name) + (arg ? " on" : " off");
        case ArgKind::SpeedAxis:
            return std::string(def->name) + " " + kAxes[arg / 2] + (arg % 2 ? " up" : " down");
    }
    return def->name;
}

bool Action::IsOpen() const { return def->run == OpenAction; }
bool Action::IsClose() const { return def->run == CloseAction; }

std::vector<Action> Parse(const std::vector<std::string>& words) {
    std::vector<Action> out;
    for (size_t i = 0; i < words.size(); ++i) {
        Action a;
        a.def = Find(words[i]);
        if (!a.def) cli::Usage("unknown action \"" + words[i] + "\" (see --help for the list)");
        const std::string name = a.def->name;
        auto next = [&](const char* what) -> std::string {
            if (i + 1 >= words.size()) cli::Usage(name + " needs " + what);
            return cli::Lower(words[++i]);
        };
        switch (a.def->arg) {
            case ArgKind::None: break;
            case ArgKind::Number:
                // Codes go to the library as they are, odd ones included.
                a.arg = name == "code"
                            ? static_cast<int>(cli::ParseNumber(next("a number"), -2147483647L - 1,
                                                                2147483647L, name))
                            : static_cast<int>(cli::ParseNumber(next("a number"), 0, 65535, name));
                break;
            case ArgKind::OnOff: {
                const std::string w = next("on or off");
                if (w != "on" && w != "off") cli::Usage(name + " takes on or off, not \"" + w + "\"");
                a.arg = w == "on";
                break;
            }
            case ArgKind::SpeedAxis: {
                const std::string axis = next("an axis (pan, tilt, zoom or focus)");
                int n = -1;
                for (int k = 0; k < 4; ++k)
                    if (axis == kAxes[k]) n = k;
                if (n < 0) cli::Usage("speed axis must be pan, tilt, zoom or focus, not \"" + axis + "\"");
                const std::string dir = next("up or down");
                if (dir != "up" && dir != "down") cli::Usage("speed step must be up or down, not \"" + dir + "\"");
                a.arg = n * 2 + (dir == "up");
                break;
            }
        }
        out.push_back(a);
    }
    return out;
}

}  // namespace actions
