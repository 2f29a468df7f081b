// Pelco-P (index 46). Eight-byte frame:
//   A0  address-1  data1  data2  data3  data4  AF  xor(0..6)
// Movement frames carry the pan and tilt speeds in data3/data4. The frame
// lives in the object, so an unlisted code resends the previous data with
// the current address. The speeds live in the shared speed block: a
// capture open loads them from the speed file and a capture speed change
// saves them.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

using pttable::kPan;
using pttable::kPreset;
using pttable::kTilt;

using Row = pttable::Row<4>;  // command1, command2, data1, data2

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
    {PT_FOCUS_FAR, {0x02, 0x00, 0x00, 0x00}},
    {PT_ZOOM_TELE, {0x00, 0x20, 0x00, 0x00}},
    {PT_ZOOM_WIDE, {0x00, 0x40, 0x00, 0x00}},
    {PT_STOP, {0x00, 0x00, 0x00, 0x00}},
    {PT_LENS_STOP, {0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_SET, {0x00, 0x03, 0x00, kPreset}},
    {PT_PRESET_CLEAR, {0x00, 0x05, 0x00, kPreset}},
    {PT_PRESET_GOTO, {0x00, 0x07, 0x00, kPreset}},
    {PT_IRIS_CLOSE, {0x08, 0x00, 0x00, 0x00}},
    {PT_IRIS_OPEN, {0x04, 0x00, 0x00, 0x00}},
};

}  // namespace

class CPtPelcoP : public CPtQuietProtocol {
public:
    CPtPelcoP() {
        m_bySpeed[PT_AXIS_PAN] = 0x33;
        m_bySpeed[PT_AXIS_TILT] = 0x33;
        m_bySpeed[PT_AXIS_ZOOM] = 2;
        m_bySpeed[PT_AXIS_FOCUS] = 2;
    }

    PT_SHOW_MESSAGE("[CPtPelcoP]")
    void SetPresetNo(int preset) override { m_nPreset = preset; }
    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code))
            pttable::Fill(m_byFrame + 2, row->bytes, [this](pttable::Source src) { return Data(src); });
        Send(h);
    }

    // Pan and tilt steps go out with the next movement; zoom and focus
    // steps are sent at once as a speed frame.
    void SetSpeedCtrl(PtPortHandle* h, int axis, int increase) override {
        switch (axis) {
            case PT_AXIS_PAN:
            case PT_AXIS_TILT:
                m_bySpeed[axis] = static_cast<uint8_t>(StepSpeed(m_bySpeed[axis], increase, 0, 63));
                NoPacket();
                break;
            case PT_AXIS_ZOOM:
            case PT_AXIS_FOCUS:
                m_bySpeed[axis] = static_cast<uint8_t>(StepSpeed(m_bySpeed[axis], increase, 0, 3));
                m_byFrame[2] = 0x00;
                m_byFrame[3] = axis == PT_AXIS_ZOOM ? 0x25 : 0x27;
                m_byFrame[4] = 0x00;
                m_byFrame[5] = m_bySpeed[axis];
                Send(h);
                break;
            default: break;  // unknown axis: not even a capture length
        }
    }

private:
    uint8_t Data(pttable::Source src) const {
        switch (src) {
            case kPan: return m_bySpeed[PT_AXIS_PAN];
            case kTilt: return m_bySpeed[PT_AXIS_TILT];
            default: return static_cast<uint8_t>(m_nPreset);  // kPreset
        }
    }

    void Send(PtPortHandle* h) {
        m_byFrame[0] = 0xA0;
        m_byFrame[1] = static_cast<uint8_t>(h->address - 1);  // the wire counts from 0
        m_byFrame[6] = 0xAF;
        m_byFrame[7] = ptcheck::Xor(m_byFrame, 0, 6);
        Out(*this, h).Put(m_byFrame);
    }

    int m_nPreset = 0;
    uint8_t m_byFrame[8] = {};
};

CPtProtocol* NewCPtPelcoP() { return new (std::nothrow) CPtPelcoP(); }
