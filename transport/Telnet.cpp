#include "transport/Telnet.h"

#include <cstdio>

namespace telnet {
namespace {

// COM-PORT-OPTION commands, client to server; the server answers with +100.
constexpr uint8_t kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4, kSetControl = 5,
                  kPurgeData = 12;
constexpr uint8_t kServerOffset = 100;
// SET-CONTROL values.
constexpr uint8_t kFlowNone = 1, kFlowXonXoff = 2, kFlowHardware = 3, kDtrOn = 8, kDtrOff = 9, kRtsOn = 11;
constexpr uint8_t kPurgeBoth = 3;
// Longer subnegotiations are nothing this client asked for: skipped.
constexpr size_t kMaxSub = 64;

// Win32 codes to RFC 2217 values: parity none, odd, even, mark, space;
// stop bits one, one and a half, two.
const uint8_t kParity[] = {1, 2, 3, 4, 5};
const uint8_t kStop[] = {1, 3, 2};
const char kParityLetter[] = "?NOEMS";
const char* const kStopText[] = {"?", "1", "2", "1.5"};

// The options this client takes: on its own side BINARY, SGA and the COM
// port; on the server's side BINARY and SGA. Everything else is refused
// (a server's ECHO would turn camera replies back onto the line).
bool WeWill(uint8_t o) { return o == kBinary || o == kSuppressGoAhead || o == kComPort; }
bool HeMay(uint8_t o) { return o == kBinary || o == kSuppressGoAhead; }

void Command(std::vector<uint8_t>& out, uint8_t verb, uint8_t option) {
    out.insert(out.end(), {IAC, verb, option});
}

void Sub(std::vector<uint8_t>& out, uint8_t command, const uint8_t* value, size_t n) {
    out.insert(out.end(), {IAC, SB, kComPort, command});
    Escape(value, n, out);
    out.insert(out.end(), {IAC, SE});
}

void Sub1(std::vector<uint8_t>& out, uint8_t command, uint8_t value) { Sub(out, command, &value, 1); }

}  // namespace

void Escape(const uint8_t* data, size_t n, std::vector<uint8_t>& out) {
    for (size_t i = 0; i < n; ++i) {
        out.push_back(data[i]);
        if (data[i] == IAC) out.push_back(IAC);
    }
}

void Client::Start(std::vector<uint8_t>& out) {
    *this = Client();
    m_usAsked[kBinary] = m_himAsked[kBinary] = m_usAsked[kComPort] = true;
    Command(out, WILL, kBinary);
    Command(out, DO, kBinary);
    Command(out, WILL, kComPort);
}

void Client::Feed(const uint8_t* in, size_t n, std::vector<uint8_t>& data, std::vector<uint8_t>& replies) {
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = in[i];
        switch (m_state) {
            case State::Data:
                if (b == IAC)
                    m_state = State::Iac;
                else
                    data.push_back(b);
                break;
            case State::Iac:
                m_state = State::Data;
                if (b == IAC) {
                    data.push_back(IAC);
                } else if (b >= WILL) {
                    m_verb = b;
                    m_state = State::Verb;
                } else if (b == SB) {
                    m_sub.clear();
                    m_sbOverflow = false;
                    m_state = State::Sub;
                }
                // NOP, DM, BRK, IP, AO, AYT, EC, EL, GA and a stray SE carry
                // nothing for a serial line.
                break;
            case State::Verb:
                Option(m_verb, b, replies);
                m_state = State::Data;
                break;
            case State::Sub:
                if (b == IAC) {
                    m_state = State::SubIac;
                } else if (m_sub.size() < kMaxSub) {
                    m_sub.push_back(b);
                } else {
                    m_sbOverflow = true;
                }
                break;
            case State::SubIac:
                if (b == SE) {
                    if (!m_sbOverflow) SubDone();
                    m_state = State::Data;
                } else if (b == IAC) {
                    if (m_sub.size() < kMaxSub) m_sub.push_back(IAC);
                    m_state = State::Sub;
                } else {
                    // IAC and anything else inside a subnegotiation: the
                    // server ended it badly; take the command as a new one.
                    m_state = State::Iac;
                    --i;
                }
                break;
        }
    }
}

// RFC 854's rules without loops: a request that would change nothing gets
// no answer; a refused request gets the negative answer once.
void Client::Option(uint8_t verb, uint8_t o, std::vector<uint8_t>& replies) {
    switch (verb) {
        case WILL:
            if (HeMay(o)) {
                if (!m_him[o] && !m_himAsked[o]) Command(replies, DO, o);
                m_him[o] = true;
            } else if (!m_him[o]) {
                Command(replies, DONT, o);
            }
            m_himAsked[o] = false;
            break;
        case WONT:
            if (m_him[o] && !m_himAsked[o]) Command(replies, DONT, o);
            m_him[o] = m_himAsked[o] = false;
            break;
        case DO:
            if (WeWill(o)) {
                if (!m_us[o] && !m_usAsked[o]) Command(replies, WILL, o);
                m_us[o] = true;
                if (o == kComPort) m_comPort = ComPort::Agreed;
            } else {
                Command(replies, WONT, o);
            }
            m_usAsked[o] = false;
            break;
        case DONT:
            if (m_us[o] && !m_usAsked[o]) Command(replies, WONT, o);
            m_us[o] = m_usAsked[o] = false;
            if (o == kComPort) m_comPort = ComPort::Refused;
            break;
        default:
            break;
    }
}

void Client::SubDone() {
    if (m_sub.size() < 3 || m_sub[0] != kComPort) return;
    const uint8_t command = m_sub[1];
    const uint8_t* v = m_sub.data() + 2;
    switch (command) {
        case kServerOffset + kSetBaud:
            if (m_sub.size() >= 6) {
                m_ackBaud = static_cast<uint32_t>(v[0]) << 24 | static_cast<uint32_t>(v[1]) << 16 |
                            static_cast<uint32_t>(v[2]) << 8 | v[3];
                m_acked |= 1;
            }
            break;
        case kServerOffset + kSetDataSize: m_ackData = v[0]; m_acked |= 2; break;
        case kServerOffset + kSetParity: m_ackParity = v[0]; m_acked |= 4; break;
        case kServerOffset + kSetStopSize: m_ackStop = v[0]; m_acked |= 8; break;
        default: break;  // modem and line state notices: nothing to act on
    }
    if (m_acked == 15) m_reportDue = true;
}

void Client::LineCommands(const platform::SerialLine& line, std::vector<uint8_t>& out) {
    if (m_comPort != ComPort::Agreed) return;
    const uint8_t baud[4] = {static_cast<uint8_t>(line.baud >> 24), static_cast<uint8_t>(line.baud >> 16),
                             static_cast<uint8_t>(line.baud >> 8), static_cast<uint8_t>(line.baud)};
    Sub(out, kSetBaud, baud, sizeof baud);
    Sub1(out, kSetDataSize, static_cast<uint8_t>(line.byteSize));
    Sub1(out, kSetParity, kParity[line.parity]);
    Sub1(out, kSetStopSize, kStop[line.stopBits]);
    const bool hardware = line.ctsOutFlow || line.rtsHandshake;
    Sub1(out, kSetControl, hardware ? kFlowHardware : line.xonXoff ? kFlowXonXoff : kFlowNone);
    Sub1(out, kSetControl, kDtrOn);
    if (!line.rtsHandshake) Sub1(out, kSetControl, kRtsOn);
    m_acked = 0;
    m_reportDue = false;
}

void Client::DtrCommand(bool on, std::vector<uint8_t>& out) const {
    if (m_comPort == ComPort::Agreed) Sub1(out, kSetControl, on ? kDtrOn : kDtrOff);
}

void Client::PurgeCommand(std::vector<uint8_t>& out) const {
    if (m_comPort == ComPort::Agreed) Sub1(out, kPurgeData, kPurgeBoth);
}

bool Client::TakeSettingsReport(std::string& text) {
    if (!m_reportDue) return false;
    m_reportDue = false;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%u %d%c%s", static_cast<unsigned>(m_ackBaud), m_ackData,
                  m_ackParity >= 1 && m_ackParity <= 5 ? kParityLetter[m_ackParity] : '?',
                  m_ackStop >= 1 && m_ackStop <= 3 ? kStopText[m_ackStop] : "?");
    text = buf;
    return true;
}

}  // namespace telnet
