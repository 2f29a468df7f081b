// SmileCAM (index 27): no check byte; the length depends on the form
//   FE a direction FF FF   move (direction bits: 08 up, 04 down, 01 right, 02 left)
//   F4 a on/off            auto pan
//   FA a                   stop
//   FA a 00                lens stop
// The address is read from the handle at each call.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocols/PtTable.h"

namespace {

using pttable::kAddr;

struct Row {
    int code;
    uint8_t length;
    int16_t bytes[5];  // literal bytes, or kAddr
};

constexpr Row kCommands[] = {
    {PT_UP, 5, {0xFE, kAddr, 0x08, 0xFF, 0xFF}},         {PT_UP_RIGHT, 5, {0xFE, kAddr, 0x09, 0xFF, 0xFF}},
    {PT_RIGHT, 5, {0xFE, kAddr, 0x01, 0xFF, 0xFF}},      {PT_DOWN_RIGHT, 5, {0xFE, kAddr, 0x05, 0xFF, 0xFF}},
    {PT_DOWN, 5, {0xFE, kAddr, 0x04, 0xFF, 0xFF}},       {PT_DOWN_LEFT, 5, {0xFE, kAddr, 0x06, 0xFF, 0xFF}},
    {PT_LEFT, 5, {0xFE, kAddr, 0x02, 0xFF, 0xFF}},       {PT_UP_LEFT, 5, {0xFE, kAddr, 0x0A, 0xFF, 0xFF}},
    {PT_AUTO_PAN_ON, 3, {0xF4, kAddr, 0x01}},            {PT_STOP, 2, {0xFA, kAddr}},
    {PT_LENS_STOP, 3, {0xFA, kAddr, 0x00}},
};

const Row kAutoPanOff = {-1, 3, {0xF4, kAddr, 0x00}};

}  // namespace

class CPtSmileCAM : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSmileCAM]")
    // Lens movement and presets have no form here: nothing on the line and
    // the capture length left as it was.
    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) Send(h, *row);
    }
    void SetAutoPan(PtPortHandle* h, int on) override {
        Send(h, on ? *pttable::Find<kCommands>(PT_AUTO_PAN_ON) : kAutoPanOff);
    }
private:
    // Only the bytes of the form are rewritten; the rest of the packet keeps
    // what a longer form left.
    void Send(PtPortHandle* h, const Row& row) {
        for (size_t i = 0; i < row.length && i < sizeof m_byPacket; ++i)
            m_byPacket[i] = static_cast<uint8_t>(row.bytes[i] == pttable::kAddr ? h->address : row.bytes[i]);
        Out(*this, h).Put(m_byPacket, row.length);
    }

    uint8_t m_byPacket[5] = {};
};

CPtProtocol* NewCPtSmileCAM() { return new (std::nothrow) CPtSmileCAM(); }
