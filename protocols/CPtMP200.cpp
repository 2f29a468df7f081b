// MP200 (index 12). Eleven bytes:
//   A0 address 00 command1 command2 data data data data AF check
// check = complement of the sum of bytes 1 to 8. Bytes 0, 1, 2 and 9 are
// written at attach only; the attach itself sends a frame. A code without
// a row keeps the previous command bytes.
#include <algorithm>

#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    uint8_t command[2];
};

constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x08}},
    {PT_UP_RIGHT, {0x00, 0x0A}},
    {PT_RIGHT, {0x00, 0x02}},
    {PT_DOWN_RIGHT, {0x00, 0x12}},
    {PT_DOWN, {0x00, 0x10}},
    {PT_DOWN_LEFT, {0x00, 0x14}},
    {PT_LEFT, {0x00, 0x04}},
    {PT_UP_LEFT, {0x00, 0x0C}},
    {PT_FOCUS_NEAR, {0x02, 0x00}},
    {PT_FOCUS_FAR, {0x01, 0x00}},
    {PT_ZOOM_TELE, {0x00, 0x20}},
    {PT_ZOOM_WIDE, {0x00, 0x40}},
    {PT_STOP, {0x00, 0x00}},
    {PT_LENS_STOP, {0x00, 0x00}},
};

// Bytes 3 to 8 of the frames that are not movement commands.
const uint8_t kAttach[6] = {0x00, 0x4F, 0x01, 0xFF, 0xFF, 0xFF};
const uint8_t kAutoPanOn[6] = {0x00, 0x11, 0x00, 0x00, 0x3F, 0xFF};
const uint8_t kAutoPanOff[6] = {0x00, 0x1F, 0xFF, 0xFF, 0xFF, 0xFF};
// Data bytes of every command frame.
const uint8_t kCommandData[4] = {0x20, 0x20, 0x44, 0xFF};

}  // namespace

class CPtMP200 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtMP200]")

    void AttachPort(PtPortHandle* h) override {
        m_byFrame[0] = 0xA0;
        m_byFrame[1] = static_cast<uint8_t>(h->address);
        m_byFrame[2] = 0x00;
        m_byFrame[9] = 0xAF;
        Send(h, kAttach);
    }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byFrame[3] = row->command[0];
            m_byFrame[4] = row->command[1];
        }
        std::copy(kCommandData, kCommandData + 4, m_byFrame + 5);
        Send(h);
    }

    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, on ? kAutoPanOn : kAutoPanOff); }

private:
    void Send(PtPortHandle* h, const uint8_t* body) {
        std::copy(body, body + 6, m_byFrame + 3);
        Send(h);
    }
    void Send(PtPortHandle* h) {
        m_byFrame[10] = ptcheck::ComplementSum(m_byFrame, 1, 8);
        Out(*this, h).Put(m_byFrame);
    }

    uint8_t m_byFrame[11] = {};
};

CPtProtocol* NewCPtMP200() { return new (std::nothrow) CPtMP200(); }
