// CTNCOM-HD0670 (index 19). Nine bytes, built fresh for every call:
//   F0 address-1 00 00 focus pan tilt zoom check
// Each axis byte is 0xBC one way, 0x3C the other, 0x00 still (focus: 0x07
// near, 0x0D far); check = sum of bytes 0 to 7 kept to 7 bits.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    uint8_t axes[4];  // focus, pan, tilt, zoom
};

constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x00, 0xBC, 0x00}},
    {PT_UP_RIGHT, {0x00, 0xBC, 0xBC, 0x00}},
    {PT_RIGHT, {0x00, 0xBC, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {0x00, 0xBC, 0x3C, 0x00}},
    {PT_DOWN, {0x00, 0x00, 0x3C, 0x00}},
    {PT_DOWN_LEFT, {0x00, 0x3C, 0x3C, 0x00}},
    {PT_LEFT, {0x00, 0x3C, 0x00, 0x00}},
    {PT_UP_LEFT, {0x00, 0x3C, 0xBC, 0x00}},
    {PT_FOCUS_NEAR, {0x07, 0x00, 0x00, 0x00}},
    {PT_FOCUS_FAR, {0x0D, 0x00, 0x00, 0x00}},
    {PT_ZOOM_TELE, {0x00, 0x00, 0x00, 0xBC}},
    {PT_ZOOM_WIDE, {0x00, 0x00, 0x00, 0x3C}},
};

constexpr uint8_t kStill[4] = {};

}  // namespace

class CPtCTNCOM_HD0670 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtCTNCOM_HD0670]")

    void AttachPort(PtPortHandle* h) override { Send(h, kStill); }

    // Stops and codes without a row send the all-still frame.
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, row ? row->axes : kStill);
    }

private:
    void Send(PtPortHandle* h, const uint8_t* axes) {
        // The device numbers cameras from 1; address 0 wraps to 0xFF.
        uint8_t frame[9] = {0xF0, static_cast<uint8_t>(h->address - 1), 0x00, 0x00,
                            axes[0], axes[1], axes[2], axes[3], 0};
        frame[8] = ptcheck::Sum7(frame, 0, 7);
        Out(*this, h).Put(frame);
    }
};

CPtProtocol* NewCPtCTNCOM_HD0670() { return new (std::nothrow) CPtCTNCOM_HD0670(); }
