// LG LPT-A100L pan/tilt head (index 51). Six bytes:
//   02  address  command  data  03  sum(0..4) & 7F
// Commands are characters; a move carries data "1". The command byte is
// kept, so an unlisted code repeats the previous command (right after the
// open, the attach command "1").
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

using Row = pttable::CommandRow;

constexpr Row kCommands[] = {
    {PT_UP, '6'},         {PT_UP_RIGHT, '='},  {PT_RIGHT, '9'},      {PT_DOWN_RIGHT, '<'},
    {PT_DOWN, '7'},       {PT_DOWN_LEFT, ';'}, {PT_LEFT, '8'},       {PT_UP_LEFT, ':'},
    {PT_FOCUS_NEAR, '@'}, {PT_FOCUS_FAR, 'A'}, {PT_ZOOM_TELE, '>'},  {PT_ZOOM_WIDE, '?'},
    {PT_STOP, 0x00},      {PT_LENS_STOP, 0x00},
};

}  // namespace

class CPtLG_LPT : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtLG_LPT]")

    void AttachPort(PtPortHandle* h) override { Send(h, '1', '1'); }
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, row ? row->command : m_byPacket[2], '1');
    }
    void SetCameraPower(PtPortHandle* h, int on) override { Send(h, '0', on ? '0' : '1'); }
    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, '3', on ? '0' : '1'); }

private:
    void Send(PtPortHandle* h, uint8_t command, uint8_t data) {
        m_byPacket[0] = 0x02;
        m_byPacket[1] = static_cast<uint8_t>(h->address);
        m_byPacket[2] = command;
        m_byPacket[3] = data;
        m_byPacket[4] = 0x03;
        m_byPacket[5] = ptcheck::Sum7(m_byPacket, 0, 4);
        Out(*this, h).Put(m_byPacket);
    }

    uint8_t m_byPacket[6] = {};
};

CPtProtocol* NewCPtLG_LPT() { return new (std::nothrow) CPtLG_LPT(); }
