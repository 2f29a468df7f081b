// Honeywell HRX-1000 receiver (index 32). Eight bytes, built afresh per
// command:
//   FF  high-bits  40  (address-1)&1F  cmd  cmd  cmd  check
// The line is 7-bit after the sync: bit 7 of bytes 3 to 7 travels in
// bits 1 to 5 of byte 1, and the check is taken before that masking.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocol/PtCheck.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    uint8_t bytes[3];
};

constexpr Row kCommands[] = {
    {PT_UP, {0x02, 0xF0, 0x00}},
    {PT_UP_RIGHT, {0x02, 0xFF, 0x00}},
    {PT_RIGHT, {0x02, 0x0F, 0x00}},
    {PT_DOWN_RIGHT, {0x02, 0xFF, 0x40}},
    {PT_DOWN, {0x02, 0xF0, 0x40}},
    {PT_DOWN_LEFT, {0x02, 0xFF, 0x60}},
    {PT_LEFT, {0x02, 0x0F, 0x20}},
    {PT_UP_LEFT, {0x02, 0xFF, 0x20}},
    {PT_FOCUS_NEAR, {0x29, 0x00, 0x00}},
    {PT_FOCUS_FAR, {0x2A, 0x00, 0x00}},
    {PT_ZOOM_TELE, {0x02, 0x00, 0x1F}},
    {PT_ZOOM_WIDE, {0x02, 0x00, 0x0F}},
    {PT_STOP, {0x02, 0x00, 0x00}},
};

}  // namespace

class CPtHRX_1000 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtHRX_1000]")

    // An unknown code still goes out, with zero command bytes.
    void SetCmd(PtPortHandle* h, int code) override {
        uint8_t f[8] = {0xFF, 0x81, 0xC0, static_cast<uint8_t>((h->address - 1) & 0x1F)};
        if (const Row* r = pttable::Find<kCommands>(code))
            for (int i = 0; i < 3; ++i) f[4 + i] = r->bytes[i];
        f[7] = ptcheck::SumTo(0x40, f, 3, 6);
        for (int i = 3; i <= 7; ++i) {
            if (f[i] & 0x80) f[1] |= static_cast<uint8_t>(1u << (i - 2));
        }
        for (int i = 2; i <= 7; ++i) f[i] &= 0x7F;

        Out out(*this, h);
        // The gap before a stop is the device's, so capture keeps it too.
        if (code == PT_STOP) out.PauseAlways(3);
        out.Put(f);
    }
};

CPtProtocol* NewCPtHRX_1000() { return new (std::nothrow) CPtHRX_1000(); }
