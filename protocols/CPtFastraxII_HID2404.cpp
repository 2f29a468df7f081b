// FastraxII / HID-2404 (index 34). Seven bytes:
//   A5 address function sub-function direction 55 sum(0..5)
// The direction byte carries pan in its high nibble and tilt in its low
// one: 8 still, F right/down, 1 left/up. Presets go out as two nibbles,
// each with the high bit set. The address is written at attach only; a
// code without a row resends the previous frame.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kPresetHigh;
using pttable::kPresetLow;

using Row = pttable::Row<3>;  // function, sub-function, direction

constexpr Row kCommands[] = {
    {PT_UP, {0x10, 0x0D, 0x81}},
    {PT_UP_RIGHT, {0x10, 0x0D, 0xF1}},
    {PT_RIGHT, {0x10, 0x0D, 0xF8}},
    {PT_DOWN_RIGHT, {0x10, 0x0D, 0xFF}},
    {PT_DOWN, {0x10, 0x0D, 0x8F}},
    {PT_DOWN_LEFT, {0x10, 0x0D, 0x1F}},
    {PT_LEFT, {0x10, 0x0D, 0x18}},
    {PT_UP_LEFT, {0x10, 0x0D, 0x11}},
    {PT_FOCUS_NEAR, {0x10, 0x03, 0x88}},
    {PT_FOCUS_FAR, {0x10, 0x04, 0x88}},
    {PT_ZOOM_TELE, {0x10, 0x0E, 0x88}},
    {PT_ZOOM_WIDE, {0x10, 0x0B, 0x88}},
    {PT_STOP, {0x10, 0x0D, 0x88}},
    {PT_PRESET_SET, {0x27, kPresetHigh, kPresetLow}},
    {PT_PRESET_CLEAR, {0x26, kPresetHigh, kPresetLow}},
    {PT_PRESET_GOTO, {0x11, kPresetHigh, kPresetLow}},
};

}  // namespace

class CPtFastraxII_HID2404 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtFastraxII_HID2404]")

    void AttachPort(PtPortHandle* h) override {
        const uint8_t init[7] = {0xA5, static_cast<uint8_t>(h->address), 0, 0, 0, 0, 0};
        for (int i = 0; i < 7; ++i) m_byFrame[i] = init[i];
        NoPacket();
    }

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) {
            pttable::Fill(m_byFrame + 2, row->bytes, [this](pttable::Source src) { return Byte(src); });
            m_byFrame[5] = 0x55;
        }
        m_byFrame[6] = ptcheck::Sum(m_byFrame, 0, 5);
        Out(*this, h).Put(m_byFrame);
    }

private:
    // Two nibbles hold 0 to 255; larger or negative numbers go out as
    // their low byte, like the preset byte of the other protocols.
    uint8_t Byte(pttable::Source src) const {
        const unsigned preset = static_cast<unsigned>(m_nPreset) & 0xFFu;
        return static_cast<uint8_t>(src == kPresetHigh ? 0x80u | preset >> 4 : 0x80u | (preset & 0x0Fu));
    }

    int m_nPreset = 0;
    uint8_t m_byFrame[7] = {};
};

CPtProtocol* NewCPtFastraxII_HID2404() { return new (std::nothrow) CPtFastraxII_HID2404(); }
