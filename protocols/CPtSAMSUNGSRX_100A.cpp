// Samsung SRX-100A receiver (index 30). Ten bytes, built fresh each time:
//   AE  address  command  data x5  sum(0..7)  AF
// Only the four directions and the four lens moves have a command bit;
// everything else (diagonals and presets included) is the stop packet.
// The power switches are letters, upper case for on, lower for off.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

using Row = pttable::CommandRow;

constexpr Row kCommands[] = {
    {PT_UP, 0x02},         {PT_RIGHT, 0x08},     {PT_DOWN, 0x01},      {PT_LEFT, 0x04},
    {PT_FOCUS_NEAR, 0x80}, {PT_FOCUS_FAR, 0x40}, {PT_ZOOM_TELE, 0x10}, {PT_ZOOM_WIDE, 0x20},
};

}  // namespace

class CPtSAMSUNGSRX_100A : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSAMSUNGSRX_100A]")
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        const uint8_t fill = row ? 0xFF : 0x00;
        const uint8_t data[5] = {fill, fill, fill, fill, fill};
        Send(h, row ? row->command : 0x00, data);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Switch(h, on ? 'C' : 'c'); }
    void SetLampPower(PtPortHandle* h, int on) override { Switch(h, on ? 'L' : 'l'); }
    void SetAuxPower(PtPortHandle* h, int on) override { Switch(h, on ? '1' : '!'); }

private:
    void Switch(PtPortHandle* h, char letter) {
        const uint8_t data[5] = {static_cast<uint8_t>(letter), 0xFF, 0xFF, 0xFF, 0xFF};
        Send(h, 0x00, data);
    }

    void Send(PtPortHandle* h, uint8_t command, const uint8_t (&data)[5]) {
        uint8_t packet[10] = {0xAE, static_cast<uint8_t>(h->address), command};
        for (int i = 0; i < 5; ++i) packet[3 + i] = data[i];
        packet[8] = ptcheck::Sum(packet, 0, 7);
        packet[9] = 0xAF;
        Out(*this, h).Put(packet);
    }
};

CPtProtocol* NewCPtSAMSUNGSRX_100A() { return new (std::nothrow) CPtSAMSUNGSRX_100A(); }
