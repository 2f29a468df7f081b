// The client side of a Telnet connection to an RFC 2217 serial server:
// option negotiation (RFC 854/855, without loops: an answer only for a
// change of state), IAC escaping both ways, and the COM-PORT-OPTION
// commands that carry the line settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Serial.h"

namespace telnet {

constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;

// Data bytes as they go on the wire: every 0xFF doubled.
void Escape(const uint8_t* data, size_t n, std::vector<uint8_t>& out);

class Client {
public:
    enum class ComPort { Asked, Agreed, Refused };

    // Resets the state for a new connection and appends our own requests:
    // BINARY both ways and WILL COM-PORT-OPTION.
    void Start(std::vector<uint8_t>& out);
    // Decodes received bytes: data to `data`, answers to send to `replies`.
    void Feed(const uint8_t* in, size_t n, std::vector<uint8_t>& data, std::vector<uint8_t>& replies);

    ComPort comPort() const { return m_comPort; }
    bool Answered() const { return m_comPort != ComPort::Asked; }

    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY, SET-STOPSIZE and SET-CONTROL
    // (flow control, DTR, RTS) for these settings; nothing unless agreed.
    void LineCommands(const platform::SerialLine& line, std::vector<uint8_t>& out);
    void DtrCommand(bool on, std::vector<uint8_t>& out) const;
    void PurgeCommand(std::vector<uint8_t>& out) const;

    // Once the server has answered all four line settings since the last
    // LineCommands: true once, with them as "19200 7E2".
    bool TakeSettingsReport(std::string& text);

private:
    enum class State { Data, Iac, Verb, Sub, SubIac };
    void Option(uint8_t verb, uint8_t option, std::vector<uint8_t>& replies);
    void SubDone();

    State m_state = State::Data;
    uint8_t m_verb = 0;
    std::vector<uint8_t> m_sub;
    bool m_sbOverflow = false;
    // Per option: enabled on our side (we WILL) and on the server's (it WILL).
    bool m_us[256] = {};
    bool m_him[256] = {};
    bool m_usAsked[256] = {};
    bool m_himAsked[256] = {};
    ComPort m_comPort = ComPort::Asked;
    // What the server says it set: baud, data bits, parity, stop bits.
    uint32_t m_ackBaud = 0;
    int m_ackData = 0, m_ackParity = 0, m_ackStop = 0;
    unsigned m_acked = 0;  // bits 0..3 as the answers come in
    bool m_reportDue = false;
};

}  // namespace telnet
