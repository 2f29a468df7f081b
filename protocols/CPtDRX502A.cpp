// DRX502A / DSC-230S (index 28). Eleven bytes:
//   55 00 address focus command pan tilt lens param 00 AA check
// The check makes all eleven bytes sum to 0x20. Bytes 0, 1, 2 and 9 are
// written at attach only. The speeds live in the shared speed block, so a
// capture channel gets them from the speed file and saves every step.
// The host counts presets from 1, the wire from 0.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kLens;
using pttable::kPan;
using pttable::kPreset;
using pttable::kTilt;

using Row = pttable::Row<6>;  // bytes 3 to 8

constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x08, kPan, kTilt, 0x00, 0x00}},
    {PT_UP_RIGHT, {0x00, 0x0A, kPan, kTilt, 0x00, 0x00}},
    {PT_RIGHT, {0x00, 0x02, kPan, kTilt, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {0x00, 0x12, kPan, kTilt, 0x00, 0x00}},
    {PT_DOWN, {0x00, 0x10, kPan, kTilt, 0x00, 0x00}},
    {PT_DOWN_LEFT, {0x00, 0x14, kPan, kTilt, 0x00, 0x00}},
    {PT_LEFT, {0x00, 0x04, kPan, kTilt, 0x00, 0x00}},
    {PT_UP_LEFT, {0x00, 0x0C, kPan, kTilt, 0x00, 0x00}},
    {PT_FOCUS_NEAR, {0x02, 0x00, 0x00, 0x00, kLens, 0x00}},
    {PT_FOCUS_FAR, {0x01, 0x00, 0x00, 0x00, kLens, 0x00}},
    {PT_ZOOM_TELE, {0x00, 0x20, 0x00, 0x00, kLens, 0x00}},
    {PT_ZOOM_WIDE, {0x00, 0x40, 0x00, 0x00, kLens, 0x00}},
    {PT_STOP, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {PT_LENS_STOP, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_SET, {0x00, 0x03, 0x00, 0x00, kPreset, 0x00}},
    {PT_PRESET_CLEAR, {0x00, 0x05, 0x00, 0x00, kPreset, 0x00}},
    {PT_PRESET_GOTO, {0x00, 0x07, 0x00, 0x00, kPreset, 0x00}},
    {PT_IRIS_CLOSE, {0x00, 0x57, 0x00, 0x00, 0x81, 0x83}},
    {PT_IRIS_OPEN, {0x00, 0x57, 0x00, 0x00, 0x81, 0x82}},
};

// A code without a row: no direction, only the pan and tilt speeds.
const Row kIdle = {-1, {0x00, 0x00, kPan, kTilt, 0x00, 0x00}};

// The output switches: command 'O' with the value in byte 6.
struct Output {
    uint8_t on, off;
};
constexpr Output kCamera = {0x81, 0x80};
constexpr Output kLamp = {0x83, 0x82};
constexpr Output kAux = {0x85, 0x84};

// Speed ranges. The bounds are one-sided: an increase is only capped
// above and a decrease only floored below, so a byte that wraps past
// 0xFF or 0x00 stays where it wrapped.
constexpr uint8_t kPanTiltMin = 0x81, kPanTiltMax = 0xBF;
constexpr uint8_t kZoomMin = 0x05, kZoomMax = 0x0D;
constexpr uint8_t kFocusFixed = 0xD0;

uint8_t Step(uint8_t v, int increase, uint8_t lo, uint8_t hi) {
    if (increase) {
        v = static_cast<uint8_t>(v + 1);
        return v > hi ? hi : v;
    }
    v = static_cast<uint8_t>(v - 1);
    return v < lo ? lo : v;
}

}  // namespace

class CPtDRX502A : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtDRX502A]")

    CPtDRX502A() {
        m_bySpeed[PT_AXIS_PAN] = 0xB5;
        m_bySpeed[PT_AXIS_TILT] = 0xB5;
        m_bySpeed[PT_AXIS_ZOOM] = 0x0D;
        m_bySpeed[PT_AXIS_FOCUS] = kFocusFixed;
    }

    // Sends nothing and leaves the caller's length as it was.
    void AttachPort(PtPortHandle* h) override {
        const uint8_t init[11] = {0x55, 0x00, static_cast<uint8_t>(h->address), 0, 0, 0, 0, 0, 0,
                                  0xAA, 0x00};
        for (int i = 0; i < 11; ++i) m_byFrame[i] = init[i];
    }

    void SetPresetNo(int preset) override {
        m_uPreset = preset ? static_cast<unsigned>(preset) - 1u : 0u;
    }

    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, (row ? *row : kIdle).bytes);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Switch(h, kCamera, on); }
    void SetLampPower(PtPortHandle* h, int on) override { Switch(h, kLamp, on); }
    void SetAuxPower(PtPortHandle* h, int on) override { Switch(h, kAux, on); }

    void SetAutoPan(PtPortHandle* h, int on) override {
        const int16_t body[6] = {0x00, static_cast<int16_t>(on ? 0x1B : 0x1F), 0x00,
                                 static_cast<int16_t>(on ? 0x80 : 0x00), 0x00, 0x00};
        Send(h, body);
    }

    // Steps only; the new speeds go out with the next command.
    void SetSpeedCtrl(PtPortHandle*, int axis, int increase) override {
        uint8_t* s = m_bySpeed;
        switch (axis) {
            case PT_AXIS_PAN:
            case PT_AXIS_TILT: s[axis] = Step(s[axis], increase, kPanTiltMin, kPanTiltMax); break;
            case PT_AXIS_ZOOM: s[axis] = Step(s[axis], increase, kZoomMin, kZoomMax); break;
            case PT_AXIS_FOCUS: s[axis] = kFocusFixed; break;
            default: return;  // unknown axis: not even a length
        }
        NoPacket();
    }

private:
    void Switch(PtPortHandle* h, Output output, int on) {
        const int16_t body[6] = {0x00, 'O', 0x00, on ? output.on : output.off, 0x00, 0x00};
        Send(h, body);
    }

    void Send(PtPortHandle* h, const int16_t (&body)[6]) {
        pttable::Fill(m_byFrame + 3, body, [this](pttable::Source src) { return Byte(src); });
        m_byFrame[10] = ptcheck::SumTo(0x20, m_byFrame, 0, 9);
        Out(*this, h).Put(m_byFrame);
    }

    uint8_t Byte(pttable::Source src) const {
        switch (src) {
            case kPan: return m_bySpeed[PT_AXIS_PAN];
            case kTilt: return m_bySpeed[PT_AXIS_TILT];
            case kLens: return m_bySpeed[PT_AXIS_ZOOM] | m_bySpeed[PT_AXIS_FOCUS];
            default: return static_cast<uint8_t>(m_uPreset + 0x80u);  // kPreset
        }
    }

    unsigned m_uPreset = 0;  // zero-based; only its low byte goes out
    uint8_t m_byFrame[11] = {};
};

CPtProtocol* NewCPtDRX502A() { return new (std::nothrow) CPtDRX502A(); }
