// Philips/Bosch (index 7): seven-byte frames with a 7-bit sum
//   86 00 address-1 kind command1 command2 sum(0..5)&7F
// kind is 07 for preset store and recall, 02 otherwise. The address is set
// at attach only; codes without a row resend the previous command bytes.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

using pttable::kPreset;

struct Row {
    int code;
    uint8_t command1;
    int16_t command2;
};

constexpr Row kCommands[] = {
    {PT_UP, 0x08, 0x00},        {PT_UP_RIGHT, 0x08, 0x10},   {PT_RIGHT, 0x00, 0x10},
    {PT_DOWN_RIGHT, 0x00, 0x18}, {PT_DOWN, 0x00, 0x08},      {PT_DOWN_LEFT, 0x10, 0x08},
    {PT_LEFT, 0x10, 0x00},      {PT_UP_LEFT, 0x18, 0x00},    {PT_FOCUS_NEAR, 0x00, 0x02},
    {PT_FOCUS_FAR, 0x02, 0x00}, {PT_ZOOM_TELE, 0x00, 0x04},  {PT_ZOOM_WIDE, 0x04, 0x00},
    {PT_STOP, 0x00, 0x00},      {PT_LENS_STOP, 0x00, 0x00},  {PT_PRESET_SET, 0x04, kPreset},
    {PT_PRESET_GOTO, 0x05, kPreset},
};

constexpr uint8_t kPlainKind = 0x02, kPresetKind = 0x07;

}  // namespace

class CPtPhilips : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtPhilips]")

    void AttachPort(PtPortHandle* h) override {
        m_byPacket[1] = 0x00;
        m_byPacket[2] = static_cast<uint8_t>(h->address - 1);  // the device counts from 0
        NoPacket();
    }
    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byPacket[4] = row->command1;
            m_byPacket[5] = row->command2 == kPreset ? static_cast<uint8_t>(m_nPreset)
                                                         : static_cast<uint8_t>(row->command2);
        }
        m_byPacket[0] = 0x86;
        m_byPacket[3] = code == PT_PRESET_SET || code == PT_PRESET_GOTO ? kPresetKind : kPlainKind;
        m_byPacket[6] = ptcheck::Sum7(m_byPacket, 0, 5);
        Out(*this, h).Put(m_byPacket);
    }
private:
    int m_nPreset = 0;
    uint8_t m_byPacket[7] = {};
};

CPtProtocol* NewCPtPhilips() { return new (std::nothrow) CPtPhilips(); }
