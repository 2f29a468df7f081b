// SK-2172 zoom unit (index 48), lens and power only. Six bytes:
//   C5  60  command  00  address  sum(0..4)
// The command byte is kept: a code the unit does not know repeats the
// previous command (or power) byte.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocol/PtCheck.h"
#include "protocols/QuietProtocol.h"

namespace {

using Row = pttable::CommandRow;

constexpr Row kCommands[] = {
    {PT_FOCUS_NEAR, 0x17}, {PT_FOCUS_FAR, 0x18}, {PT_ZOOM_TELE, 0x15},
    {PT_ZOOM_WIDE, 0x16},  {PT_STOP, 0x00},      {PT_LENS_STOP, 0x00},
};

const uint8_t kPowerOn = 0xA0, kPowerOff = 0xA5;

}  // namespace

class CPtSK_2172 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSK_2172]")

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* r = pttable::Find<kCommands>(code)) m_byFrame[2] = r->command;
        Send(h);
    }

    void SetCameraPower(PtPortHandle* h, int on) override {
        m_byFrame[2] = on ? kPowerOn : kPowerOff;
        Send(h);
    }

private:
    void Send(PtPortHandle* h) {
        m_byFrame[0] = 0xC5;
        m_byFrame[1] = 0x60;
        m_byFrame[3] = 0x00;
        m_byFrame[4] = static_cast<uint8_t>(h->address);
        m_byFrame[5] = ptcheck::Sum(m_byFrame, 0, 4);
        Out(*this, h).Put(m_byFrame);
    }

    uint8_t m_byFrame[6] = {};
};

CPtProtocol* NewCPtSK_2172() { return new (std::nothrow) CPtSK_2172(); }
