// Fine (index 2). Two four-byte packets, no check:
//   command: AA group command argument      status: AA 'P' address bits
// Address and preset go out as one character, value + 0x30 (for values
// from 10 up that is simply the next byte, which is all the device's
// one-character field can hold). The status bits accumulate in the object,
// so every status packet restates auto-pan and power.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kAddr;
using pttable::kPreset;

using Row = pttable::Row<3>;  // group, command, argument

constexpr Row kCommands[] = {
    {PT_UP, {'Z', 0x10, kAddr}},
    {PT_UP_RIGHT, {'Z', 0x50, kAddr}},
    {PT_RIGHT, {'Z', 0x40, kAddr}},
    {PT_DOWN_RIGHT, {'Z', 0xC0, kAddr}},
    {PT_DOWN, {'Z', 0x80, kAddr}},
    {PT_DOWN_LEFT, {'Z', 0xA0, kAddr}},
    {PT_LEFT, {'Z', 0x20, kAddr}},
    {PT_UP_LEFT, {'Z', 0x30, kAddr}},
    {PT_FOCUS_NEAR, {'Z', 0x02, kAddr}},
    {PT_FOCUS_FAR, {'Z', 0x04, kAddr}},
    {PT_ZOOM_TELE, {'Z', 0x01, kAddr}},
    {PT_ZOOM_WIDE, {'Z', 0x08, kAddr}},
    {PT_STOP, {'Z', 0x00, kAddr}},
    {PT_LENS_STOP, {'R', 'R', 'U'}},
    {PT_PRESET_SET, {'s', kAddr, kPreset}},
    {PT_PRESET_GOTO, {'c', kAddr, kPreset}},
};

constexpr uint8_t kAutoPanBit = 0x08;
// The device documents one power bit; lamp and aux switch it too, since
// any other bit would be a guess at an unknown function.
constexpr uint8_t kPowerBit = 0x10;

uint8_t Char(int v) { return static_cast<uint8_t>(static_cast<unsigned>(v) + 0x30u); }

}  // namespace

class CPtFine : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtFine]")

    void AttachPort(PtPortHandle* h) override {
        m_byCommand[3] = Char(static_cast<uint8_t>(h->address));
        NoPacket();
    }

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    // A code without a row resends the previous command packet.
    void SetCmd(PtPortHandle* h, int code) override {
        m_byCommand[0] = 0xAA;
        if (const Row* row = pttable::Find<kCommands>(code)) {
            pttable::Fill(m_byCommand + 1, row->bytes, [&](pttable::Source src) {
                return src == kAddr ? Char(static_cast<uint8_t>(h->address)) : Char(m_nPreset);
            });
        }
        Out(*this, h).Put(m_byCommand);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { SendStatus(h, kPowerBit, on); }
    void SetLampPower(PtPortHandle* h, int on) override { SendStatus(h, kPowerBit, on); }
    void SetAuxPower(PtPortHandle* h, int on) override { SendStatus(h, kPowerBit, on); }
    void SetAutoPan(PtPortHandle* h, int on) override { SendStatus(h, kAutoPanBit, on); }

private:
    void SendStatus(PtPortHandle* h, uint8_t bit, int on) {
        m_byStatus[0] = 0xAA;
        m_byStatus[1] = 'P';
        m_byStatus[2] = Char(static_cast<uint8_t>(h->address));
        m_byStatus[3] = static_cast<uint8_t>(on ? m_byStatus[3] | bit : m_byStatus[3] & ~bit);
        Out(*this, h).Put(m_byStatus);
    }

    int m_nPreset = 0;
    uint8_t m_byCommand[4] = {};
    uint8_t m_byStatus[4] = {};
};

CPtProtocol* NewCPtFine() { return new (std::nothrow) CPtFine(); }
