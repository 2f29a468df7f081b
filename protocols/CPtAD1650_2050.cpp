// AD1650/2050 receiver (index 38). Two bit-packed bytes:
//   command bits | address bit 6        ((address - 1) mod 32) << 3 | 04 for pan/tilt
// The pair is kept: a code without a row sends the previous pair again
// (00 00 before the first command).
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    uint8_t command;
    bool panTilt;
};

constexpr Row kCommands[] = {
    {PT_UP, 0x9C, true},         {PT_RIGHT, 0xBC, true},     {PT_DOWN, 0x8C, true},
    {PT_LEFT, 0xAC, true},       {PT_FOCUS_NEAR, 0x8A, false}, {PT_FOCUS_FAR, 0x84, false},
    {PT_ZOOM_TELE, 0x8C, false}, {PT_ZOOM_WIDE, 0x86, false},
};

}  // namespace

class CPtAD1650_2050 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtAD1650_2050]")

    void SetCmd(PtPortHandle* h, int code) override {
        // Addresses 33 to 64 set the high bit; the byte is signed, so
        // 128 and up count as low.
        const uint8_t high = h->address > 32 ? 0x01 : 0x00;
        const uint8_t low = static_cast<uint8_t>((h->address + 31) * 8);
        if (const Row* r = pttable::Find<kCommands>(code)) {
            m_byFrame[0] = static_cast<uint8_t>(r->command | high);
            m_byFrame[1] = static_cast<uint8_t>(low | (r->panTilt ? 0x04 : 0x00));
        }
        Out(*this, h).Put(m_byFrame);
    }

private:
    uint8_t m_byFrame[2] = {};
};

CPtProtocol* NewCPtAD1650_2050() { return new (std::nothrow) CPtAD1650_2050(); }
