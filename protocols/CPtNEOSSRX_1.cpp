// NEOSSRX-1 (index 22). Five bytes, built fresh for every call:
//   40 kind address command sum(0..3)
// kind is 'C' for commands and 'P' for the three output switches.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using Row = pttable::CommandRow;

// Diagonals and everything else send the stop command 0x00.
constexpr Row kCommands[] = {
    {PT_UP, 0x01},
    {PT_DOWN, 0x02},
    {PT_LEFT, 0x04},
    {PT_RIGHT, 0x08},
    {PT_ZOOM_TELE, 0x10},
    {PT_ZOOM_WIDE, 0x20},
    {PT_FOCUS_FAR, 0x30},
    {PT_FOCUS_NEAR, 0x40},
};

// Output switch values, on / off.
struct Output {
    uint8_t on, off;
};
constexpr Output kCamera = {0x21, 0x11};
constexpr Output kLamp = {0x22, 0x12};
constexpr Output kAux = {0x23, 0x13};

}  // namespace

class CPtNEOSSRX_1 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtNEOSSRX_1]")

    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, 'C', row ? row->command : 0x00);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Switch(h, kCamera, on); }
    void SetLampPower(PtPortHandle* h, int on) override { Switch(h, kLamp, on); }
    void SetAuxPower(PtPortHandle* h, int on) override { Switch(h, kAux, on); }

private:
    // Only exactly 1 switches on; any other value is taken as off.
    void Switch(PtPortHandle* h, Output output, int on) {
        Send(h, 'P', on == 1 ? output.on : output.off);
    }

    void Send(PtPortHandle* h, uint8_t kind, uint8_t command) {
        uint8_t frame[5] = {0x40, kind, static_cast<uint8_t>(h->address), command, 0};
        frame[4] = ptcheck::Sum(frame, 0, 3);
        Out(*this, h).Put(frame);
    }
};

CPtProtocol* NewCPtNEOSSRX_1() { return new (std::nothrow) CPtNEOSSRX_1(); }
