// Sysmania DVRX-1000 receiver (index 33); frame in SysmaniaFrame.h. Each
// operation builds a fresh frame from the handle's address and writes it
// once. Power switches count as on only for an argument of exactly 1.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocols/SysmaniaFrame.h"

namespace {

using sysmania::Row;

// Any other code sends function and direction 00 00.
constexpr Row kOwn[] = {{PT_AUTO_PAN_ON, 0x5F, 0x40}};

struct Switch {
    uint8_t on[2], off[2];
};
const Switch kPower = {{0x63, 0x00}, {0x60, 0x00}};
const Switch kLamp = {{0x67, 0x00}, {0x64, 0x00}};
const Switch kAux = {{0x6B, 0x00}, {0x68, 0x00}};
const Switch kAutoPan = {{0x5F, 0x00}, {0x40, 0x00}};

}  // namespace

class CPtDVRX_1000 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtDVRX_1000]")

    void SetCmd(PtPortHandle* h, int code) override {
        uint8_t frame[6] = {};
        sysmania::Lookup<kOwn>(code, frame);
        Send(h, frame);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Send(h, kPower, on); }
    void SetLampPower(PtPortHandle* h, int on) override { Send(h, kLamp, on); }
    void SetAuxPower(PtPortHandle* h, int on) override { Send(h, kAux, on); }
    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, kAutoPan, on); }

private:
    void Send(PtPortHandle* h, const Switch& s, int on) {
        const uint8_t* bytes = on == 1 ? s.on : s.off;
        uint8_t frame[6] = {0, 0, 0, bytes[0], bytes[1]};
        Send(h, frame);
    }

    void Send(PtPortHandle* h, uint8_t* frame) {
        sysmania::Address(frame, h->address);
        sysmania::Seal(frame);
        Out(*this, h).Put(frame, 6);
    }
};

CPtProtocol* NewCPtDVRX_1000() { return new (std::nothrow) CPtDVRX_1000(); }
