// SAMSUNG SRX-100B receiver (index 59). Eleven bytes, cleared before each
// packet so nothing of the previous one survives:
//   55  00  address  command1  command2  pan  tilt  lens|preset  00  AA  check
// check = 0x21 minus the sum of bytes 2..8. Unlisted codes send the stop.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

// Byte 7 of a preset row: the preset number with the high bit set.
using pttable::kPreset;

using Row = pttable::Row<5>;  // bytes 3..7

constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x08, 0x00, 0xC0, 0x00}},
    {PT_UP_RIGHT, {0x00, 0x0A, 0xC0, 0xC0, 0x00}},
    {PT_RIGHT, {0x00, 0x02, 0xC0, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {0x00, 0x12, 0xC0, 0xC0, 0x00}},
    {PT_DOWN, {0x00, 0x10, 0x00, 0xC0, 0x00}},
    {PT_DOWN_LEFT, {0x00, 0x14, 0xC0, 0xC0, 0x00}},
    {PT_LEFT, {0x00, 0x04, 0xC0, 0x00, 0x00}},
    {PT_UP_LEFT, {0x00, 0x0C, 0xC0, 0xC0, 0x00}},
    {PT_FOCUS_NEAR, {0x02, 0x00, 0x00, 0x00, 0x0D}},
    {PT_FOCUS_FAR, {0x01, 0x00, 0x00, 0x00, 0x0D}},
    {PT_ZOOM_TELE, {0x00, 0x20, 0x00, 0x00, 0x0D}},
    {PT_ZOOM_WIDE, {0x00, 0x40, 0x00, 0x00, 0x0D}},
    {PT_PRESET_SET, {0x00, 0x03, 0x00, 0x00, kPreset}},
    {PT_PRESET_CLEAR, {0x00, 0x05, 0x00, 0x00, kPreset}},
    {PT_PRESET_GOTO, {0x00, 0x07, 0x00, 0x00, kPreset}},
};

constexpr int16_t kStop[5] = {0x00, 0x00, 0x00, 0x00, 0x00};
constexpr int16_t kAutoPanOn[5] = {0x00, 0x1B, 0x00, 0x80, 0x00};
constexpr int16_t kAutoPanOff[5] = {0x00, 0x1F, 0x00, 0x00, 0x00};

// Power switches: 00 4F 00 xx 00, with xx = base + on.
constexpr uint8_t kCameraSwitch = 0x00, kLampSwitch = 0x02, kAuxSwitch = 0x06;

}  // namespace

class CPtSAMSUNGSRX_100B : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSAMSUNGSRX_100B]")

    void AttachPort(PtPortHandle*) override {
        for (uint8_t& b : m_byPacket) b = 0;
        NoPacket();
    }
    void SetPresetNo(int preset) override { m_nPreset = static_cast<uint32_t>(preset); }
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, row ? row->bytes : kStop);
    }
    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, on ? kAutoPanOn : kAutoPanOff); }
    void SetCameraPower(PtPortHandle* h, int on) override { Switch(h, kCameraSwitch, on); }
    void SetLampPower(PtPortHandle* h, int on) override { Switch(h, kLampSwitch, on); }
    void SetAuxPower(PtPortHandle* h, int on) override { Switch(h, kAuxSwitch, on); }

private:
    void Switch(PtPortHandle* h, uint8_t base, int on) {
        const int16_t bytes[5] = {0x00, 0x4F, 0x00, static_cast<int16_t>(base + (on ? 1 : 0)), 0x00};
        Send(h, bytes);
    }

    void Send(PtPortHandle* h, const int16_t (&bytes)[5]) {
        for (uint8_t& b : m_byPacket) b = 0;
        m_byPacket[0] = 0x55;
        m_byPacket[2] = static_cast<uint8_t>(h->address);
        pttable::Fill(m_byPacket + 3, bytes, [this](pttable::Source) { return static_cast<uint8_t>(m_nPreset + 0x80); });
        m_byPacket[9] = 0xAA;
        m_byPacket[10] = ptcheck::SumTo(0x21, m_byPacket, 2, 8);
        Out(*this, h).Put(m_byPacket);
    }

    uint32_t m_nPreset = 0;
    uint8_t m_byPacket[11] = {};
};

CPtProtocol* NewCPtSAMSUNGSRX_100B() { return new (std::nothrow) CPtSAMSUNGSRX_100B(); }
