// AD SpeedDome (index 21). Packets start with the address and end with a
// check that makes the whole packet sum to zero:
//   long   address c1 c2 c3 check
//   short  address c1 check
//   lamp   address CC 09 check
// All of them are built in one kept five-byte packet: a short packet's
// check lands on byte 2, and a code without a row resends a long packet
// from whatever bytes 1 to 3 hold.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocol/PtCheck.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kKept;
using pttable::kPreset;

// Bytes 1..3; a short row has one command byte, and the check takes byte 2.
struct Row {
    int code;
    uint8_t length;
    int16_t bytes[3];
};

constexpr Row kCommands[] = {
    {PT_UP, 3, {0xC0, 0x84, 0x32}},
    {PT_RIGHT, 3, {0xC0, 0x82, 0x32}},
    {PT_DOWN, 3, {0xC0, 0x85, 0x32}},
    {PT_LEFT, 3, {0xC0, 0x81, 0x32}},
    {PT_FOCUS_NEAR, 1, {0x87, kKept, kKept}},
    {PT_FOCUS_FAR, 1, {0x88, kKept, kKept}},
    {PT_ZOOM_TELE, 1, {0x8A, kKept, kKept}},
    {PT_ZOOM_WIDE, 1, {0x8B, kKept, kKept}},
    {PT_STOP, 1, {0x93, kKept, kKept}},
    {PT_LENS_STOP, 1, {0x93, kKept, kKept}},
    {PT_PRESET_SET, 3, {0xC7, 0x01, kPreset}},
    {PT_PRESET_GOTO, 3, {0xC7, 0x02, kPreset}},
    {PT_SPECIAL_GOTO, 3, {0xCC, 0x00, 0x00}},
};

const Row kAutoPanOn = {0, 3, {0xC0, 0x82, 0x10}};
const Row kAutoPanOff = {0, 1, {0x93, kKept, kKept}};

}  // namespace

class CPtAD_SpeedDome : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtAD_SpeedDome]")

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code))
            Send(h, *row);
        else
            Seal(h, 4);
    }

    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, on ? kAutoPanOn : kAutoPanOff); }

    // Off is not a command this dome has: nothing goes out, and a capture
    // keeps whatever length it had.
    void SetLampPower(PtPortHandle* h, int on) override {
        if (!on) return;
        m_byPacket[1] = 0xCC;
        m_byPacket[2] = 0x09;
        Seal(h, 3);
    }

private:
    void Send(PtPortHandle* h, const Row& r) {
        pttable::Fill(m_byPacket + 1, r.bytes, [this](pttable::Source) { return static_cast<uint8_t>(m_nPreset); });
        Seal(h, r.length + 1u);
    }

    // Sets the address, puts the check at byte n and sends bytes 0..n.
    void Seal(PtPortHandle* h, size_t n) {
        m_byPacket[0] = static_cast<uint8_t>(h->address);
        m_byPacket[n] = ptcheck::NegSum(m_byPacket, 0, n - 1);
        Out(*this, h).Put(m_byPacket, n + 1);
    }

    uint8_t m_byPacket[5] = {};
    int m_nPreset = 0;
};

CPtProtocol* NewCPtAD_SpeedDome() { return new (std::nothrow) CPtAD_SpeedDome(); }
