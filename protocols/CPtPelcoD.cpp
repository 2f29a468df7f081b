// Pelco-D (index 6). The reference dialect: written as two pieces (sync
// and address, then the rest), 30 ms after a command or zone frame, 10 ms
// after a speed frame. Zoom and stop keep the previous data bytes.
#include "protocols/PelcoDFrame.h"

#include "protocols/PtFactories.h"

namespace {

using namespace pelcod;

constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x08, kPan, kTilt}},
    {PT_UP_RIGHT, {0x00, 0x0A, kPan, kTilt}},
    {PT_RIGHT, {0x00, 0x02, kPan, kTilt}},
    {PT_DOWN_RIGHT, {0x00, 0x12, kPan, kTilt}},
    {PT_DOWN, {0x00, 0x10, kPan, kTilt}},
    {PT_DOWN_LEFT, {0x00, 0x14, kPan, kTilt}},
    {PT_LEFT, {0x00, 0x04, kPan, kTilt}},
    {PT_UP_LEFT, {0x00, 0x0C, kPan, kTilt}},
    {PT_FOCUS_NEAR, {0x01, 0x00, 0x00, 0x00}},
    {PT_FOCUS_FAR, {0x00, 0x80, 0x00, 0x00}},
    {PT_ZOOM_TELE, {0x00, 0x20, kKept, kKept}},
    {PT_ZOOM_WIDE, {0x00, 0x40, kKept, kKept}},
    {PT_STOP, {0x00, 0x00, kKept, kKept}},
    {PT_LENS_STOP, {0x00, 0x00, kKept, kKept}},
    {PT_PRESET_SET, {0x00, 0x03, 0x00, kPreset}},
    {PT_PRESET_CLEAR, {0x00, 0x05, 0x00, kPreset}},
    {PT_PRESET_GOTO, {0x00, 0x07, 0x00, kPreset}},
    {PT_SPECIAL_GOTO, {0x00, 0x07, kPan, kTilt}},
    {PT_IRIS_CLOSE, {0x04, 0x00, 0x00, 0x00}},
    {PT_IRIS_OPEN, {0x02, 0x00, 0x00, 0x00}},
};

// Auto-scan values 0..3: zone start, zone end, zone scan on, zone scan off.
const uint8_t kZoneCommands[] = {0x11, 0x13, 0x1B, 0x1D};

}  // namespace

class CPtPelcoD : public CPtPelcoDFrame {
public:
    PT_SHOW_MESSAGE("[CPtPelcoD]")

    void SetCmd(PtPortHandle* h, int code) override {
        ApplyCommand<kCommands>(h, code);
        Send(h, 30);
    }

    void SetAutoScanNo(int scan) override { m_nScan = scan; }

    void SetAutoScan(PtPortHandle* h, int value) override {
        m_byFrame[0] = 0xFF;
        m_byFrame[1] = static_cast<uint8_t>(h->address);
        if (value >= 0 && value < 4) {
            m_byFrame[2] = 0x00;
            m_byFrame[3] = kZoneCommands[value];
            m_byFrame[4] = 0x00;
            m_byFrame[5] = static_cast<uint8_t>(m_nScan);
        }
        Seal();
        Send(h, 30);
    }

    // The speed frame reuses the address already in the frame.
    void SetSpeedCtrl(PtPortHandle* h, int axis, int increase) override {
        if (StepSpeed(axis, increase, m_byFrame[1])) Send(h, 10);
    }

private:
    void Send(PtPortHandle* h, unsigned pauseMs) {
        Out(*this, h).Put(m_byFrame, 2).Put(m_byFrame + 2, 5).Pause(pauseMs);
    }

    int m_nScan = 0;
};

CPtProtocol* NewCPtPelcoD() { return new (std::nothrow) CPtPelcoD(); }
