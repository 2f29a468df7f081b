// Honeywell HSDN-251 dome (index 29). Seven bytes:
//   A5  address  function  sub  direction  55  sum(0..5)
// The direction byte holds pan in its high nibble and tilt in its low
// one (8 still, F right/up, 1 left/down). Presets go as two nibbles, each
// with bit 7 set, in the sub and direction bytes.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocol/PtCheck.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    uint8_t function, sub, direction;
    bool preset;  // the preset's nibbles are added to sub and direction
};

constexpr Row kCommands[] = {
    {PT_UP, 0x10, 0x00, 0x8F, false},
    {PT_UP_RIGHT, 0x10, 0x00, 0xFF, false},
    {PT_RIGHT, 0x10, 0x00, 0xF8, false},
    {PT_DOWN_RIGHT, 0x10, 0x00, 0xF1, false},
    {PT_DOWN, 0x10, 0x00, 0x81, false},
    {PT_DOWN_LEFT, 0x10, 0x00, 0x11, false},
    {PT_LEFT, 0x10, 0x00, 0x18, false},
    {PT_UP_LEFT, 0x10, 0x00, 0x1F, false},
    {PT_FOCUS_NEAR, 0x10, 0x04, 0x88, false},
    {PT_FOCUS_FAR, 0x10, 0x03, 0x88, false},
    {PT_ZOOM_TELE, 0x10, 0x0E, 0x88, false},
    {PT_ZOOM_WIDE, 0x10, 0x0C, 0x88, false},
    {PT_STOP, 0x10, 0x0D, 0x88, false},
    {PT_PRESET_SET, 0x27, 0x80, 0x80, true},
    {PT_PRESET_CLEAR, 0x26, 0x80, 0x80, true},
    {PT_PRESET_GOTO, 0x11, 0x80, 0x80, true},
};

}  // namespace

class CPtHSDN_251 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtHSDN_251]")

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    // An unknown code still goes out as a movement frame with no direction.
    void SetCmd(PtPortHandle* h, int code) override {
        uint8_t f[7] = {0xA5, static_cast<uint8_t>(h->address), 0x10, 0x00, 0x00, 0x55, 0x00};
        if (const Row* r = pttable::Find<kCommands>(code)) {
            f[2] = r->function;
            f[3] = static_cast<uint8_t>(r->sub | (r->preset ? (m_nPreset >> 4) & 0x0F : 0));
            f[4] = static_cast<uint8_t>(r->direction | (r->preset ? m_nPreset & 0x0F : 0));
        }
        f[6] = ptcheck::Sum(f, 0, 5);
        Out(*this, h).Put(f);
    }

private:
    int m_nPreset = 0;
};

CPtProtocol* NewCPtHSDN_251() { return new (std::nothrow) CPtHSDN_251(); }
