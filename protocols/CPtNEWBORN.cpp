// NEWBORN SpeedDome (index 52). Eight-byte frames:
//   AA command arg arg arg 00 address sum(0..6)
// A diagonal is two single-axis frames and a stop a pan/tilt stop plus a
// lens stop; the two frames lie back to back so a capture gets one 16-byte
// block. On the line every command goes out twice, 200 ms apart; a
// capture gets one copy.
// The address is the one attached last.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kPreset;
using pttable::kSpeed;
constexpr uint8_t kSpeedByte = 0x32;  // fixed: no operation changes it
constexpr unsigned kResendMs = 200;

struct Row {
    int code;
    int16_t first[4];   // bytes 1 to 4 of the first frame
    uint8_t second[2];  // bytes 1, 2 of the second frame; 00 00: none
};

constexpr Row kCommands[] = {
    {PT_UP, {0x9B, kSpeed, 0, 0}, {}},
    {PT_UP_RIGHT, {0x9B, kSpeed, 0, 0}, {0x99, kSpeedByte}},
    {PT_RIGHT, {0x99, kSpeed, 0, 0}, {}},
    {PT_DOWN_RIGHT, {0x99, kSpeed, 0, 0}, {0x9D, kSpeedByte}},
    {PT_DOWN, {0x9D, kSpeed, 0, 0}, {}},
    {PT_DOWN_LEFT, {0x9D, kSpeed, 0, 0}, {0x97, kSpeedByte}},
    {PT_LEFT, {0x97, kSpeed, 0, 0}, {}},
    {PT_UP_LEFT, {0x97, kSpeed, 0, 0}, {0x9B, kSpeedByte}},
    {PT_FOCUS_NEAR, {0x5F, 0x0B, 0, 0}, {}},
    {PT_FOCUS_FAR, {0x5F, 0x0A, 0, 0}, {}},
    {PT_ZOOM_TELE, {0x5F, 0x01, 0, 0}, {}},
    {PT_ZOOM_WIDE, {0x5F, 0x03, 0, 0}, {}},
    {PT_STOP, {0xE5, 0x00, 0, 0}, {0x5F, 0x0C}},
    {PT_LENS_STOP, {0xE5, 0x00, 0, 0}, {0x5F, 0x0C}},
    {PT_PRESET_SET, {0xD5, kPreset, 0x01, 0}, {}},
    {PT_PRESET_CLEAR, {0xD6, kPreset, 0, 0}, {}},
    {PT_PRESET_GOTO, {0xD7, kPreset, 0, 0}, {}},
    {PT_ZONE_START, {0xB5, kPreset, kSpeed, 0x01}, {}},
};

// Bytes 1 to 5 of the single-frame switches.
const uint8_t kAutoPanOn[5] = {0xB6, 0, 0, 0, 0};
const uint8_t kAutoPanOff[5] = {0xB0, 0, 0, 0, 0};
// Auto-pan off is followed, 200 ms later, by this second call.
const uint8_t kAutoPanOffFollow[5] = {0xAA, 0x73, 0x02, 0, 0};
const uint8_t kCameraOn[5] = {0x3A, 0, 0, 0, 0};
const uint8_t kCameraOff[5] = {0x3E, 0, 0, 0, 0};
const uint8_t kOutputOn[5] = {0xFE, 0, 0, 0, 0};  // lamp and aux share it
const uint8_t kOutputOff[5] = {0xFF, 0, 0, 0, 0};

}  // namespace

class CPtNEWBORN : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtNEWBORN]")

    void AttachPort(PtPortHandle* h) override {
        for (int f = 0; f < 16; f += 8) {
            for (int i = 0; i < 8; ++i) m_byFrames[f + i] = 0;
            m_byFrames[f] = 0xAA;
            m_byFrames[f + 6] = static_cast<uint8_t>(h->address);
        }
        NoPacket();
    }

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    // A code without a row sends an empty command (twice on the line).
    void SetCmd(PtPortHandle* h, int code) override {
        for (int i = 1; i <= 5; ++i) m_byFrames[i] = m_byFrames[8 + i] = 0;
        const Row* row = pttable::Find<kCommands>(code);
        const bool two = row && row->second[0] != 0;
        if (row) {
            pttable::Fill(m_byFrames + 1, row->first, [this](pttable::Source src) { return Byte(src); });
            m_byFrames[9] = row->second[0];
            m_byFrames[10] = row->second[1];
        }
        m_byFrames[7] = ptcheck::Sum(m_byFrames, 0, 6);
        m_byFrames[15] = ptcheck::Sum(m_byFrames, 8, 14);

        Out out(*this, h);
        out.Put(m_byFrames, 8);
        if (two) out.Put(m_byFrames + 8, 8);
        out.Pause(kResendMs).Repeat(m_byFrames, 8);
        if (two) out.Repeat(m_byFrames + 8, 8);
    }

    void SetAutoPan(PtPortHandle* h, int on) override {
        Out out(*this, h);
        out.Put(First(on ? kAutoPanOn : kAutoPanOff), 8).Pause(kResendMs);
        if (!on) out.Repeat(First(kAutoPanOffFollow), 8);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Single(h, on ? kCameraOn : kCameraOff); }
    void SetLampPower(PtPortHandle* h, int on) override { Single(h, on ? kOutputOn : kOutputOff); }
    void SetAuxPower(PtPortHandle* h, int on) override { Single(h, on ? kOutputOn : kOutputOff); }

private:
    uint8_t Byte(pttable::Source src) const {
        return src == kSpeed ? kSpeedByte : static_cast<uint8_t>(m_nPreset);
    }

    // Puts bytes 1 to 5 into the first frame and seals it.
    const uint8_t* First(const uint8_t (&body)[5]) {
        for (int i = 0; i < 5; ++i) m_byFrames[1 + i] = body[i];
        m_byFrames[7] = ptcheck::Sum(m_byFrames, 0, 6);
        return m_byFrames;
    }

    void Single(PtPortHandle* h, const uint8_t (&body)[5]) { Out(*this, h).Put(First(body), 8); }

    int m_nPreset = 0;
    uint8_t m_byFrames[16] = {};
};

CPtProtocol* NewCPtNEWBORN() { return new (std::nothrow) CPtNEWBORN(); }
