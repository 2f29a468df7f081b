// KRE-301/302 (index 41): nine-byte frames
//   F5 20 00 address command 00 data sum(0..6) as 16 bits, high byte first
// A stop repeats the last command with data 0. Camera, lamp and aux power
// share one output-state byte per address, stepped up or down rather than
// set, so the device sees the sum of the outputs that are on.
#include <cstring>

#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocols/PtTable.h"

namespace {

using Row = pttable::CommandRow;

constexpr Row kCommands[] = {
    {PT_UP, 0x01},         {PT_DOWN, 0x02},       {PT_LEFT, 0x03},        {PT_RIGHT, 0x04},
    {PT_ZOOM_TELE, 0x05},  {PT_ZOOM_WIDE, 0x06},  {PT_FOCUS_NEAR, 0x07},  {PT_FOCUS_FAR, 0x08},
};

constexpr uint8_t kRunData = 0xC8;
constexpr uint8_t kSwitchCommand = 0x09;
constexpr uint8_t kInitialState = 0x02;
constexpr uint8_t kCameraStep = 2, kLampStep = 4, kAuxStep = 8;

}  // namespace

class CPtKRE_301_302 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtKRE_301_302]")

    void AttachPort(PtPortHandle*) override {
        std::memset(m_byState, kInitialState, sizeof m_byState);
        NoPacket();
    }
    // Every code sends: one without a row resends the previous command.
    void SetCmd(PtPortHandle* h, int code) override {
        SetHead(h);
        if (const Row* row = pttable::Find<kCommands>(code)) {
            SetBody(row->command, kRunData);
        } else if (code == PT_STOP || code == PT_LENS_STOP) {
            SetBody(m_byLast, 0x00);
        }
        m_byLast = m_byFrame[4];
        Send(h);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Switch(h, on, kCameraStep); }
    void SetLampPower(PtPortHandle* h, int on) override { Switch(h, on, kLampStep); }
    void SetAuxPower(PtPortHandle* h, int on) override { Switch(h, on, kAuxStep); }
private:
    void SetHead(PtPortHandle* h) {
        m_byFrame[0] = 0xF5;
        m_byFrame[1] = 0x20;
        m_byFrame[2] = 0x00;
        m_byFrame[3] = static_cast<uint8_t>(h->address);
    }
    void SetBody(uint8_t command, uint8_t data) {
        m_byFrame[4] = command;
        m_byFrame[5] = 0x00;
        m_byFrame[6] = data;
    }
    // The state is not read first: two "on" calls in a row add the step twice.
    void Switch(PtPortHandle* h, int on, uint8_t step) {
        SetHead(h);
        uint8_t& state = m_byState[m_byFrame[3]];
        state = static_cast<uint8_t>(on ? state + step : state - step);
        SetBody(kSwitchCommand, state);
        Send(h);
    }
    void Send(PtPortHandle* h) {
        unsigned sum = 0;
        for (int i = 0; i <= 6; ++i) sum += m_byFrame[i];
        m_byFrame[7] = static_cast<uint8_t>(sum >> 8);
        m_byFrame[8] = static_cast<uint8_t>(sum);
        Out(*this, h).Put(m_byFrame);
    }

    uint8_t m_byLast = 0;
    // One entry for every address byte, so addresses 128 to 255 keep their
    // own state like the others.
    uint8_t m_byState[256] = {};
    uint8_t m_byFrame[9] = {};
};

CPtProtocol* NewCPtKRE_301_302() { return new (std::nothrow) CPtKRE_301_302(); }
