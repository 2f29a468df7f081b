// KD6 (index 13). Six bytes:
//   00 address pan tilt zoom check
// Pan, tilt and zoom are proportional: 0x00 one way, 0x80 rest, 0xFF the
// other. The check byte holds three parity bits over bytes 1 to 4, taken
// as one 32-bit word (address in the low byte), in bits 5, 6 and 7.
// The address is the one attached last; a code without a row resends the
// previous axes.
#include <initializer_list>

#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    uint8_t axes[3];  // pan, tilt, zoom
    uint8_t focus;    // focus flag for the check byte
};

constexpr Row kCommands[] = {
    {PT_UP, {0x80, 0x00, 0x80}, 0},
    {PT_UP_RIGHT, {0xFF, 0x00, 0x80}, 0},
    {PT_RIGHT, {0xFF, 0x80, 0x80}, 0},
    {PT_DOWN_RIGHT, {0xFF, 0xFF, 0x80}, 0},
    {PT_DOWN, {0x80, 0xFF, 0x80}, 0},
    {PT_DOWN_LEFT, {0x00, 0xFF, 0x80}, 0},
    {PT_LEFT, {0x00, 0x80, 0x80}, 0},
    {PT_UP_LEFT, {0x00, 0x00, 0x80}, 0},
    {PT_ZOOM_TELE, {0x80, 0x80, 0xFF}, 0},
    {PT_ZOOM_WIDE, {0x80, 0x80, 0x00}, 0},
    {PT_FOCUS_NEAR, {0x80, 0x80, 0x80}, 0x08},
    {PT_FOCUS_FAR, {0x80, 0x80, 0x80}, 0x10},
    {PT_STOP, {0x80, 0x80, 0x80}, 0},
    {PT_LENS_STOP, {0x80, 0x80, 0x80}, 0},
};

constexpr uint32_t Bits(std::initializer_list<int> positions) {
    uint32_t m = 0;
    for (int p : positions) m |= 1u << p;
    return m;
}

// The interleaved parity groups; the device leaves bit 8 out of the second.
constexpr uint32_t kP0 = Bits({1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31});
constexpr uint32_t kP1 = Bits({0, 2, 5, 11, 14, 17, 20, 23, 26, 29});
constexpr uint32_t kP2 = Bits({0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30});

unsigned Parity(uint32_t v) {
    v ^= v >> 16;
    v ^= v >> 8;
    v ^= v >> 4;
    v ^= v >> 2;
    v ^= v >> 1;
    return v & 1u;
}

}  // namespace

class CPtKD6 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtKD6]")

    void AttachPort(PtPortHandle* h) override {
        for (uint8_t& b : m_byFrame) b = 0;
        m_byFrame[1] = static_cast<uint8_t>(h->address);
        NoPacket();
    }

    void SetCmd(PtPortHandle* h, int code) override {
        uint8_t focus = 0;
        if (const Row* row = pttable::Find<kCommands>(code)) {
            for (int i = 0; i < 3; ++i) m_byFrame[2 + i] = row->axes[i];
            focus = row->focus;
        }
        m_byFrame[5] = static_cast<uint8_t>(Check() | focus);
        Out(*this, h).Put(m_byFrame);
    }

private:
    // Focus has no axis byte, so it rides in the free low bits of the
    // check byte (bit 3 near, bit 4 far) beside intact parity bits.
    uint8_t Check() const {
        const uint32_t word = static_cast<uint32_t>(m_byFrame[1]) |
                              static_cast<uint32_t>(m_byFrame[2]) << 8 |
                              static_cast<uint32_t>(m_byFrame[3]) << 16 |
                              static_cast<uint32_t>(m_byFrame[4]) << 24;
        return static_cast<uint8_t>(Parity(word & kP0) << 5 | Parity(word & kP1) << 6 |
                                    Parity(word & kP2) << 7);
    }

    uint8_t m_byFrame[6] = {};
};

CPtProtocol* NewCPtKD6() { return new (std::nothrow) CPtKD6(); }
