// DYUni receiver (index 11). Ten bytes:
//   AE  address  command bits  mode  FF FF FF FF  sum(0..7)  AF
// Command bits: 01 up, 02 down, 04 left, 08 right (ORed for diagonals),
// 10/20 zoom tele/wide, 40/80 focus far/near. Mode is FF for a command,
// "X"/"x" for auto pan on/off. The frame and address are set at attach;
// the attach packet goes out with the command, mode and check bytes the
// previous packet left (all 0 on a new object).
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

struct Row {
    int code;
    uint8_t bits;
};

constexpr Row kCommands[] = {
    {PT_UP, 0x01},        {PT_DOWN, 0x02},         {PT_LEFT, 0x04},       {PT_RIGHT, 0x08},
    {PT_UP_LEFT, 0x05},   {PT_UP_RIGHT, 0x09},     {PT_DOWN_LEFT, 0x06},  {PT_DOWN_RIGHT, 0x0A},
    {PT_ZOOM_TELE, 0x10}, {PT_ZOOM_WIDE, 0x20},    {PT_FOCUS_FAR, 0x40},  {PT_FOCUS_NEAR, 0x80},
    {PT_STOP, 0x00},      {PT_LENS_STOP, 0x00},
};

}  // namespace

class CPtDYUni : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtDYUni]")

    void AttachPort(PtPortHandle* h) override {
        m_byPacket[0] = 0xAE;
        m_byPacket[1] = static_cast<uint8_t>(h->address);
        for (int i = 4; i <= 7; ++i) m_byPacket[i] = 0xFF;
        m_byPacket[9] = 0xAF;
        Out(*this, h).Put(m_byPacket);
    }
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, row ? row->bits : m_byPacket[2], 0xFF);
    }
    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, 0x00, on ? 'X' : 'x'); }

private:
    void Send(PtPortHandle* h, uint8_t bits, uint8_t mode) {
        m_byPacket[2] = bits;
        m_byPacket[3] = mode;
        m_byPacket[8] = ptcheck::Sum(m_byPacket, 0, 7);
        Out(*this, h).Put(m_byPacket);
    }

    uint8_t m_byPacket[10] = {};
};

CPtProtocol* NewCPtDYUni() { return new (std::nothrow) CPtDYUni(); }
