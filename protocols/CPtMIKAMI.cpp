// Mikami PTC-205 (index 58). Sixteen bytes:
//   02 address letter letter data[10] sum(1..8) 04
// Two ASCII letters name the call; bytes 4, 5 are the pan field and 6, 7
// the tilt field (0x5D 0x01 one way, 0xA1 0x01 the other). The frame
// lives in the object and bytes 0, 1 and 15 are written at attach only.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kPreset;

struct Row {
    int code;
    char letters[2];
    int16_t data[5];  // bytes 4 to 8
};

constexpr Row kCommands[] = {
    {PT_UP, {'M', 'A'}, {0x00, 0x00, 0xA1, 0x01, 0x00}},
    {PT_UP_RIGHT, {'M', 'A'}, {0x5D, 0x01, 0xA1, 0x01, 0x00}},
    {PT_RIGHT, {'M', 'A'}, {0x5D, 0x01, 0x00, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {'M', 'A'}, {0x5D, 0x01, 0x5D, 0x01, 0x00}},
    {PT_DOWN, {'M', 'A'}, {0x00, 0x00, 0x5D, 0x01, 0x00}},
    {PT_DOWN_LEFT, {'M', 'A'}, {0xA1, 0x01, 0x5D, 0x01, 0x00}},
    {PT_LEFT, {'M', 'A'}, {0xA1, 0x01, 0x00, 0x00, 0x00}},
    {PT_UP_LEFT, {'M', 'A'}, {0xA1, 0x01, 0xA1, 0x01, 0x00}},
    // The lens shares one byte: near and tele, far and wide are the same call.
    {PT_FOCUS_NEAR, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x01}},
    {PT_ZOOM_TELE, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x01}},
    {PT_FOCUS_FAR, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x80}},
    {PT_ZOOM_WIDE, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x80}},
    {PT_STOP, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x00}},
    {PT_LENS_STOP, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_SET, {'S', 'T'}, {kPreset, 0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_CLEAR, {'M', 'C'}, {0x01, kPreset, 0x00, 0x00, 0x00}},
    {PT_PRESET_GOTO, {'P', 'R'}, {kPreset, 0x00, 0x00, 0x00, 0x01}},
    {PT_IRIS_CLOSE, {'I', 'D'}, {0x00, 0x00, 0x00, 0x00, 0x00}},
    {PT_IRIS_OPEN, {'I', 'U'}, {0x00, 0x00, 0x00, 0x00, 0x00}},
};

}  // namespace

class CPtMIKAMI : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtMIKAMI]")

    void AttachPort(PtPortHandle* h) override {
        for (uint8_t& b : m_byFrame) b = 0;
        m_byFrame[0] = 0x02;
        m_byFrame[1] = static_cast<uint8_t>(h->address);
        m_byFrame[15] = 0x04;
        NoPacket();
    }

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    // A code without a row sends empty letters and data.
    void SetCmd(PtPortHandle* h, int code) override {
        ClearFrom(2);
        if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byFrame[2] = static_cast<uint8_t>(row->letters[0]);
            m_byFrame[3] = static_cast<uint8_t>(row->letters[1]);
            pttable::Fill(m_byFrame + 4, row->data, [this](pttable::Source) { return static_cast<uint8_t>(m_nPreset); });
        }
        Send(h);
    }

    void SetCameraPower(PtPortHandle* h, int on) override {
        ClearFrom(5);
        Call(h, 'C', 'P', on ? 1 : 0);
    }

    // Lamp and aux leave the rest of the data as the last call left it.
    void SetLampPower(PtPortHandle* h, int on) override { Call(h, 'L', 'I', on ? 1 : 0); }
    void SetAuxPower(PtPortHandle* h, int) override { Call(h, 0, 0, 0); }

    void SetAutoPan(PtPortHandle* h, int on) override {
        ClearFrom(6);
        m_byFrame[5] = on ? 2 : 0;
        Call(h, on ? 'A' : 'R', on ? 'P' : 'S', on ? 1 : 0);
    }

private:
    // Zeroes the data from byte `from` up to byte 13.
    void ClearFrom(int from) {
        for (int i = from; i <= 13; ++i) m_byFrame[i] = 0;
    }

    void Call(PtPortHandle* h, uint8_t a, uint8_t b, uint8_t arg) {
        m_byFrame[2] = a;
        m_byFrame[3] = b;
        m_byFrame[4] = arg;
        Send(h);
    }

    void Send(PtPortHandle* h) {
        m_byFrame[14] = ptcheck::Sum(m_byFrame, 1, 8);
        Out(*this, h).Put(m_byFrame);
    }

    int m_nPreset = 0;
    uint8_t m_byFrame[16] = {};
};

CPtProtocol* NewCPtMIKAMI() { return new (std::nothrow) CPtMIKAMI(); }
