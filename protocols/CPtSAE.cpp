// SAE (index 35): STX frames with an additive check
//   02 address group data1 data2 sum(0..4)     six bytes
//   02 address group preset sum(0..3)          presets, five bytes
// Groups: 01 command, 0E speed, 0F auto-pan; 05/07/02 preset store, clear,
// go to. A movement or lens command is followed at once by a speed frame
// with fixed speeds for the axes that move. Address set at attach only.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

constexpr uint8_t kCommandGroup = 0x01, kSpeedGroup = 0x0E, kAutoPanGroup = 0x0F;

// The command byte of each code.
constexpr pttable::CommandRow kCommands[] = {
    {PT_UP, 0x04},        {PT_UP_RIGHT, 0x05}, {PT_RIGHT, 0x01},      {PT_DOWN_RIGHT, 0x09},
    {PT_DOWN, 0x08},      {PT_DOWN_LEFT, 0x0A}, {PT_LEFT, 0x02},      {PT_UP_LEFT, 0x06},
    {PT_FOCUS_NEAR, 0x40}, {PT_FOCUS_FAR, 0x80}, {PT_ZOOM_TELE, 0x20}, {PT_ZOOM_WIDE, 0x10},
    {PT_STOP, 0x00},
};

// The speed frame that follows each movement and lens command (the stop
// has none): data1 and data2.
constexpr pttable::Row<2> kSpeedFrames[] = {
    {PT_UP, {0x00, 0x7F}},         {PT_UP_RIGHT, {0x7F, 0x7F}},  {PT_RIGHT, {0x7F, 0x00}},
    {PT_DOWN_RIGHT, {0x7F, 0x7F}}, {PT_DOWN, {0x00, 0x7F}},      {PT_DOWN_LEFT, {0x7F, 0x7F}},
    {PT_LEFT, {0x7F, 0x00}},       {PT_UP_LEFT, {0x7F, 0x7F}},   {PT_FOCUS_NEAR, {0x00, 0x00}},
    {PT_FOCUS_FAR, {0x00, 0x00}},  {PT_ZOOM_TELE, {0x7F, 0x00}}, {PT_ZOOM_WIDE, {0x7F, 0x00}},
};

struct PresetRow {
    int code;
    uint8_t group;
};

constexpr PresetRow kPresets[] = {{PT_PRESET_SET, 0x05}, {PT_PRESET_CLEAR, 0x07}, {PT_PRESET_GOTO, 0x02}};

}  // namespace

class CPtSAE : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSAE]")

    void AttachPort(PtPortHandle* h) override {
        m_byPacket[0] = 0x02;
        m_byPacket[1] = static_cast<uint8_t>(h->address);
        m_byPacket[2] = m_byPacket[3] = m_byPacket[4] = m_byPacket[5] = 0x00;
        NoPacket();
    }
    void SetPresetNo(int preset) override { m_nPreset = preset; }

    // Lens stop, auto-pan and codes from 18 up have no frame: nothing on the
    // line, capture length untouched. Zoom and focus stop with PT_STOP.
    void SetCmd(PtPortHandle* h, int code) override {
        if (const pttable::CommandRow* row = pttable::Find<kCommands>(code)) {
            Out out(*this, h);
            SetFrame(kCommandGroup, row->command, 0x00);
            out.Put(m_byPacket);
            if (const pttable::Row<2>* speed = pttable::Find<kSpeedFrames>(code)) {
                SetFrame(kSpeedGroup, static_cast<uint8_t>(speed->bytes[0]), static_cast<uint8_t>(speed->bytes[1]));
                out.Put(m_byPacket);
            }
        } else if (const PresetRow* preset = pttable::Find<kPresets>(code)) {
            // Byte 5 is not sent and keeps what the last six-byte frame left.
            m_byPacket[2] = preset->group;
            m_byPacket[3] = static_cast<uint8_t>(m_nPreset);
            m_byPacket[4] = ptcheck::Sum(m_byPacket, 0, 3);
            Out(*this, h).Put(m_byPacket, 5);
        }
    }
    // On: start, then the auto-pan speed. Off is the plain stop.
    void SetAutoPan(PtPortHandle* h, int on) override {
        Out out(*this, h);
        if (on) {
            SetFrame(kAutoPanGroup, 0x03, 0x00);
            out.Put(m_byPacket);
            SetFrame(kAutoPanGroup, 0x01, 0x7F);
        } else {
            SetFrame(kCommandGroup, 0x00, 0x00);
        }
        out.Put(m_byPacket);
    }
private:
    void SetFrame(uint8_t group, uint8_t data1, uint8_t data2) {
        m_byPacket[2] = group;
        m_byPacket[3] = data1;
        m_byPacket[4] = data2;
        m_byPacket[5] = ptcheck::Sum(m_byPacket, 0, 4);
    }

    int m_nPreset = 0;
    uint8_t m_byPacket[6] = {};
};

CPtProtocol* NewCPtSAE() { return new (std::nothrow) CPtSAE(); }
