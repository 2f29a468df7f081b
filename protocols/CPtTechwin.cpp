// Techwin (index 16): eleven-byte frames
//   A0 address 00 command1 command2 data1 data2 data3 data4 AF ~sum(1..8)
// Header and trailer are set at attach only. The class steps four speeds
// of its own (not the shared speed block): pan and tilt ride in data1-2,
// the lens speed in data3. Codes without a row keep the previous command.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

struct Row {
    int code;
    uint8_t command1, command2;
};

constexpr Row kCommands[] = {
    {PT_UP, 0x00, 0x08},         {PT_UP_RIGHT, 0x00, 0x0A},    {PT_RIGHT, 0x00, 0x02},
    {PT_DOWN_RIGHT, 0x00, 0x12}, {PT_DOWN, 0x00, 0x10},        {PT_DOWN_LEFT, 0x00, 0x14},
    {PT_LEFT, 0x00, 0x04},       {PT_UP_LEFT, 0x00, 0x0C},     {PT_FOCUS_NEAR, 0x02, 0x00},
    {PT_FOCUS_FAR, 0x01, 0x00},  {PT_ZOOM_TELE, 0x00, 0x20},   {PT_ZOOM_WIDE, 0x00, 0x40},
    {PT_STOP, 0x00, 0x00},       {PT_LENS_STOP, 0x00, 0x00},   {PT_PRESET_SET, 0x00, 0x03},
    {PT_PRESET_CLEAR, 0x00, 0x05}, {PT_PRESET_GOTO, 0x00, 0x07},
};

// The frame attach sends, check byte left at 0.
constexpr int16_t kAttachFrame[11] = {0xA0, pttable::kAddr, 0x00, 0x00, 0x00, 0x20, 0x20, 0x04, 0x04, 0xAF, 0x00};

struct OnOff {
    uint8_t on, off;
};
constexpr uint8_t kPowerCommand = 0x4F;
constexpr OnOff kCameraPower = {0x01, 0x00};
constexpr OnOff kLampPower = {0x03, 0x02};
constexpr OnOff kAuxPower = {0x05, 0x04};

// Per axis (pan, tilt, zoom, focus): construction default and stepping range.
// Zoom and focus start outside their ranges; the first step brings them in.
struct SpeedLimits {
    uint8_t initial, lo, hi;
};
const SpeedLimits kSpeeds[4] = {
    {0x33, 0x00, 0x3F}, {0x33, 0x00, 0x3F}, {0x08, 1, 7}, {0x80, 0x10, 0x7F}};

}  // namespace

class CPtTechwin : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtTechwin]")

    CPtTechwin() {
        for (int axis = 0; axis < 4; ++axis) m_byLineSpeed[axis] = kSpeeds[axis].initial;
    }

    void AttachPort(PtPortHandle* h) override {
        pttable::Fill(m_byPacket, kAttachFrame, [h](pttable::Source) { return static_cast<uint8_t>(h->address); });
        Out(*this, h).Put(m_byPacket);
    }
    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byPacket[3] = row->command1;
            m_byPacket[4] = row->command2;
        }
        const bool preset = code >= PT_PRESET_SET && code <= PT_PRESET_GOTO;
        m_byPacket[5] = preset ? static_cast<uint8_t>(m_nPreset) : m_byLineSpeed[PT_AXIS_PAN];
        m_byPacket[6] = preset ? 0x00 : m_byLineSpeed[PT_AXIS_TILT];
        if (code == PT_FOCUS_NEAR || code == PT_FOCUS_FAR)
            m_byPacket[7] = m_byLineSpeed[PT_AXIS_FOCUS];
        else if (code == PT_ZOOM_TELE || code == PT_ZOOM_WIDE)
            m_byPacket[7] = m_byLineSpeed[PT_AXIS_ZOOM];
        else
            m_byPacket[7] = 0x04;
        m_byPacket[8] = 0x04;
        Send(h);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Power(h, on, kCameraPower); }
    void SetLampPower(PtPortHandle* h, int on) override { Power(h, on, kLampPower); }
    void SetAuxPower(PtPortHandle* h, int on) override { Power(h, on, kAuxPower); }

    // command1 keeps what the previous command left.
    void SetAutoPan(PtPortHandle* h, int on) override {
        SetOption(on ? 0x1B : 0x1F, on ? 0x00 : 0xFF);
        Send(h);
    }
    // Speeds go out with the next command; an unknown axis leaves the
    // capture length alone.
    void SetSpeedCtrl(PtPortHandle*, int axis, int increase) override {
        if (axis < 0 || axis > 3) return;
        uint8_t& speed = m_byLineSpeed[axis];
        speed = static_cast<uint8_t>(StepSpeed(speed, increase, kSpeeds[axis].lo, kSpeeds[axis].hi));
        NoPacket();
    }

private:
    void SetOption(uint8_t command2, uint8_t data1) {
        m_byPacket[4] = command2;
        m_byPacket[5] = data1;
        m_byPacket[6] = m_byPacket[7] = m_byPacket[8] = 0xFF;
    }
    void Power(PtPortHandle* h, int on, const OnOff& values) {
        SetOption(kPowerCommand, on ? values.on : values.off);
        Send(h);
    }
    void Send(PtPortHandle* h) {
        m_byPacket[10] = ptcheck::ComplementSum(m_byPacket, 1, 8);
        Out(*this, h).Put(m_byPacket);
    }

    int m_nPreset = 0;
    uint8_t m_byLineSpeed[4];
    uint8_t m_byPacket[11] = {};
};

CPtProtocol* NewCPtTechwin() { return new (std::nothrow) CPtTechwin(); }
