// Sungjin (index 9): a two-byte prefix written on its own, then the body
//   40 43 | address command sum(0..3)        commands
//   40 50 | address command 00 sum(0..4)     auto-pan and power
// Commands use the address kept at attach; the 40 50 forms read the handle
// at each call. Codes without a row resend the previous command.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

using Row = pttable::CommandRow;

constexpr Row kCommands[] = {
    {PT_UP, 0x01},         {PT_UP_RIGHT, 0x09},   {PT_RIGHT, 0x08},      {PT_DOWN_RIGHT, 0x0A},
    {PT_DOWN, 0x02},       {PT_DOWN_LEFT, 0x06},  {PT_LEFT, 0x04},       {PT_UP_LEFT, 0x05},
    {PT_FOCUS_NEAR, 0x40}, {PT_FOCUS_FAR, 0x30},  {PT_ZOOM_TELE, 0x20},  {PT_ZOOM_WIDE, 0x10},
    {PT_STOP, 0x00},       {PT_LENS_STOP, 0x00},
};

struct OnOff {
    uint8_t on, off;
};
constexpr OnOff kAutoPan = {0x23, 0x13};
constexpr OnOff kCameraPower = {0x21, 0x11};
constexpr OnOff kLampPower = {0x22, 0x12};

}  // namespace

class CPtSungjin : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSungjin]")

    void AttachPort(PtPortHandle* h) override {
        m_byCommand[2] = m_byOption[2] = static_cast<uint8_t>(h->address);
        NoPacket();
    }
    void SetCmd(PtPortHandle* h, int code) override {
        m_byCommand[0] = 0x40;
        m_byCommand[1] = 0x43;
        if (const Row* row = pttable::Find<kCommands>(code)) m_byCommand[3] = row->command;
        m_byCommand[4] = ptcheck::Sum(m_byCommand, 0, 3);
        Out(*this, h).Put(m_byCommand, 2).Put(m_byCommand + 2, 3);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { SendOption(h, kCameraPower, on); }
    void SetLampPower(PtPortHandle* h, int on) override { SendOption(h, kLampPower, on); }
    // No aux command is known for this device; it gets the auto-pan-on
    // packet whatever the argument.
    void SetAuxPower(PtPortHandle* h, int) override { SendOption(h, kAutoPan, 1); }
    void SetAutoPan(PtPortHandle* h, int on) override { SendOption(h, kAutoPan, on); }
private:
    // Byte 4 is never written: always 00.
    void SendOption(PtPortHandle* h, const OnOff& command, int on) {
        m_byOption[0] = 0x40;
        m_byOption[1] = 0x50;
        m_byOption[2] = static_cast<uint8_t>(h->address);
        m_byOption[3] = on ? command.on : command.off;
        m_byOption[5] = ptcheck::Sum(m_byOption, 0, 4);
        Out(*this, h).Put(m_byOption, 2).Put(m_byOption + 2, 4);
    }

    uint8_t m_byCommand[5] = {};
    uint8_t m_byOption[6] = {};
};

CPtProtocol* NewCPtSungjin() { return new (std::nothrow) CPtSungjin(); }
