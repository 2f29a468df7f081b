// Sysmania ORX-1000 receiver (index 15); frame in SysmaniaFrame.h. The
// address is taken once, at the attach, which also sends a stop frame.
// Frames are repeated back to back so that one lost frame does no harm:
// commands and auto-pan twice, power and lamp four times.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocols/SysmaniaFrame.h"

namespace {

using sysmania::Row;

const uint8_t kStop[2] = {0x00, 0x40};

// Any other code sends the stop frame.
constexpr Row kOwn[] = {{PT_LENS_STOP, 0x00, 0x40}};

const uint8_t kPowerOn[2] = {0x63, 0x40}, kPowerOff[2] = {0x60, 0x40};
const uint8_t kLampOn[2] = {0x64, 0x40}, kLampOff[2] = {0x67, 0x40};
const uint8_t kAutoPanOn[2] = {0x5F, 0x40}, kAutoPanOff[2] = {0x00, 0x44};

}  // namespace

class CPtOriental : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtOriental]")

    void AttachPort(PtPortHandle* h) override {
        sysmania::Address(m_byFrame, h->address);
        Send(h, kStop, 1, false);
    }

    void SetCmd(PtPortHandle* h, int code) override {
        Set(kStop);
        sysmania::Lookup<kOwn>(code, m_byFrame);
        Send(h, nullptr, 2, false);
    }

    // Capture holds all four power and lamp copies.
    void SetCameraPower(PtPortHandle* h, int on) override { Send(h, on ? kPowerOn : kPowerOff, 4, true); }
    void SetLampPower(PtPortHandle* h, int on) override { Send(h, on ? kLampOn : kLampOff, 4, true); }
    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, on ? kAutoPanOn : kAutoPanOff, 2, false); }

private:
    void Set(const uint8_t* bytes) {
        m_byFrame[3] = bytes[0];
        m_byFrame[4] = bytes[1];
    }

    void Send(PtPortHandle* h, const uint8_t* bytes, int times, bool captureAll) {
        if (bytes) Set(bytes);
        sysmania::Seal(m_byFrame);
        Out out(*this, h);
        out.Put(m_byFrame);
        for (int i = 1; i < times; ++i) captureAll ? out.Put(m_byFrame) : out.Repeat(m_byFrame);
    }

    uint8_t m_byFrame[6] = {};
};

CPtProtocol* NewCPtOriental() { return new (std::nothrow) CPtOriental(); }
