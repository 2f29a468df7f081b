// Niko (index 20). Eight-byte frames:
//   AA command argument 00 00 00 address sum(0..6)
// A diagonal goes out as two single-axis frames and a stop as a pan/tilt
// stop followed by a lens stop. The two frames lie back to back so that a
// capture gets them as one 16-byte block. The address is the one attached
// last; a code without a row resends the previous first frame.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

constexpr uint8_t kSpeed = 0x32;  // fixed: no operation changes it

struct Row {
    int code;
    uint8_t first[2];
    uint8_t second[2];  // 00 00: no second frame
};

constexpr Row kCommands[] = {
    {PT_UP, {0x9B, kSpeed}, {}},
    {PT_UP_RIGHT, {0x9B, kSpeed}, {0x99, kSpeed}},
    {PT_RIGHT, {0x99, kSpeed}, {}},
    {PT_DOWN_RIGHT, {0x99, kSpeed}, {0x9D, kSpeed}},
    {PT_DOWN, {0x9D, kSpeed}, {}},
    {PT_DOWN_LEFT, {0x9D, kSpeed}, {0x97, kSpeed}},
    {PT_LEFT, {0x97, kSpeed}, {}},
    {PT_UP_LEFT, {0x97, kSpeed}, {0x9B, kSpeed}},
    {PT_FOCUS_NEAR, {0x5F, 0x09}, {}},
    {PT_FOCUS_FAR, {0x5F, 0x08}, {}},
    {PT_ZOOM_TELE, {0x5F, 0x01}, {}},
    {PT_ZOOM_WIDE, {0x5F, 0x03}, {}},
    {PT_STOP, {0xE5, 0x00}, {0x5F, 0x0C}},
    {PT_LENS_STOP, {0xE5, 0x00}, {0x5F, 0x0C}},
};

}  // namespace

class CPtNiko : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtNiko]")

    // The attach frames go out with a zero check byte; only commands are
    // summed.
    void AttachPort(PtPortHandle* h) override {
        for (int f = 0; f < 16; f += 8) {
            for (int i = 0; i < 8; ++i) m_byFrames[f + i] = 0;
            m_byFrames[f] = 0xAA;
            m_byFrames[f + 6] = static_cast<uint8_t>(h->address);
        }
        Out(*this, h).Put(m_byFrames, 8).Put(m_byFrames + 8, 8);
    }

    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        const bool two = row && row->second[0] != 0;
        if (row) {
            Set(m_byFrames, row->first);
            if (two) Set(m_byFrames + 8, row->second);
        }
        m_byFrames[7] = ptcheck::Sum(m_byFrames, 0, 6);
        m_byFrames[15] = ptcheck::Sum(m_byFrames, 8, 14);
        Out out(*this, h);
        out.Put(m_byFrames, 8);
        if (two) out.Put(m_byFrames + 8, 8);
    }

    void SetAutoPan(PtPortHandle* h, int on) override {
        const uint8_t command[2] = {static_cast<uint8_t>(on ? 0xB6 : 0xB0), 0x00};
        Set(m_byFrames, command);
        m_byFrames[7] = ptcheck::Sum(m_byFrames, 0, 6);
        Out(*this, h).Put(m_byFrames, 8);
    }

private:
    static void Set(uint8_t* frame, const uint8_t (&command)[2]) {
        frame[1] = command[0];
        frame[2] = command[1];
    }

    uint8_t m_byFrames[16] = {};
};

CPtProtocol* NewCPtNiko() { return new (std::nothrow) CPtNiko(); }
