// LG LPT-01551HQ pan/tilt head (index 53). Eight bytes:
//   E5  02  address  command  bits  data  data  sum(0..6)
// The header and address are set once at attach: later packets carry the
// address of the handle attached last. Bytes 3..6 are kept, so an
// unlisted code repeats the previous command.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

// Byte 4 of a preset row: the preset number's low byte.
using pttable::kPreset;

using Row = pttable::Row<4>;  // bytes 3..6

// Byte 4 bits: 20 up, 10 down, 40 right, 80 left, 08/04 zoom tele/wide,
// 02/01 focus near/far.
constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x20, 0x40, 0x40}},
    {PT_UP_RIGHT, {0x00, 0x60, 0x40, 0x40}},
    {PT_RIGHT, {0x00, 0x40, 0x40, 0x40}},
    {PT_DOWN_RIGHT, {0x00, 0x50, 0x40, 0x40}},
    {PT_DOWN, {0x00, 0x10, 0x40, 0x40}},
    {PT_DOWN_LEFT, {0x00, 0x90, 0x40, 0x40}},
    {PT_LEFT, {0x00, 0x80, 0x40, 0x40}},
    {PT_UP_LEFT, {0x00, 0xA0, 0x40, 0x40}},
    {PT_FOCUS_NEAR, {0x00, 0x02, 0x40, 0x40}},
    {PT_FOCUS_FAR, {0x00, 0x01, 0x40, 0x40}},
    {PT_ZOOM_TELE, {0x00, 0x08, 0xC0, 0x40}},
    {PT_ZOOM_WIDE, {0x00, 0x04, 0xC0, 0x40}},
    {PT_STOP, {0x00, 0x00, 0x00, 0x00}},
    {PT_LENS_STOP, {0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_SET, {0xA1, kPreset, 0x7F, 0x0A}},
    {PT_PRESET_CLEAR, {0xA2, kPreset, 0x00, 0x00}},
    {PT_PRESET_GOTO, {0xA4, kPreset, 0x00, 0x00}},
};

constexpr int16_t kAutoPanOn[4] = {0xB3, 0x00, 0x00, 0x00};
constexpr int16_t kAutoPanOff[4] = {0xAF, 0x00, 0x00, 0x00};

}  // namespace

class CPtLG_MULTIX : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtLG_MULTIX]")

    void AttachPort(PtPortHandle* h) override {
        m_byPacket[0] = 0xE5;
        m_byPacket[1] = 0x02;
        m_byPacket[2] = static_cast<uint8_t>(h->address);
        NoPacket();
    }
    void SetPresetNo(int preset) override { m_nPreset = preset; }
    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) Set(row->bytes);
        Send(h);
    }
    void SetAutoPan(PtPortHandle* h, int on) override {
        Set(on ? kAutoPanOn : kAutoPanOff);
        Send(h);
    }

private:
    void Set(const int16_t (&bytes)[4]) {
        pttable::Fill(m_byPacket + 3, bytes, [this](pttable::Source) { return static_cast<uint8_t>(m_nPreset); });
    }

    void Send(PtPortHandle* h) {
        m_byPacket[7] = ptcheck::Sum(m_byPacket, 0, 6);
        Out(*this, h).Put(m_byPacket);
    }

    int m_nPreset = 0;
    uint8_t m_byPacket[8] = {};
};

CPtProtocol* NewCPtLG_MULTIX() { return new (std::nothrow) CPtLG_MULTIX(); }
