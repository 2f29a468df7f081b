// Lilin (index 4). Three binary bytes, no check:
//   address  command bits  kind (0x98 tilt, 0x85 pan, 0x9D diagonal, 0xFF lens/stop)
// The address comes from the handle at every call. A code without a row
// resends the previous command bytes.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kPreset;

// addrAdd is added to the address byte; the preset calls flag it that way.
struct Row {
    int code;
    uint8_t addrAdd;
    int16_t command;
    uint8_t kind;
};

constexpr Row kCommands[] = {
    {PT_UP, 0, 0x04, 0x98},
    {PT_UP_RIGHT, 0, 0x05, 0x9D},
    {PT_RIGHT, 0, 0x01, 0x85},
    {PT_DOWN_RIGHT, 0, 0x09, 0x9D},
    {PT_DOWN, 0, 0x08, 0x98},
    {PT_DOWN_LEFT, 0, 0x0A, 0x9D},
    {PT_LEFT, 0, 0x02, 0x85},
    {PT_UP_LEFT, 0, 0x06, 0x9D},
    {PT_FOCUS_NEAR, 0, 0x40, 0xFF},
    {PT_FOCUS_FAR, 0, 0x80, 0xFF},
    {PT_ZOOM_TELE, 0, 0x10, 0xFF},
    {PT_ZOOM_WIDE, 0, 0x20, 0xFF},
    {PT_STOP, 0, 0x00, 0xFF},
    {PT_LENS_STOP, 0, 0x00, 0xFF},
    // The preset calls as the device family is known to take them; set and
    // clear carry no number, and go-to carries the preset field below.
    {PT_PRESET_SET, 0x80, 0x03, 0x64},
    {PT_PRESET_CLEAR, 0x00, 0xFF, 0xF5},
    {PT_PRESET_GOTO, 0x40, kPreset, 0x00},
};

}  // namespace

class CPtLilin : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtLilin]")

    void AttachPort(PtPortHandle* h) override {
        m_byPacket[0] = static_cast<uint8_t>(h->address);
        NoPacket();
    }

    void SetCmd(PtPortHandle* h, int code) override {
        m_byPacket[0] = static_cast<uint8_t>(h->address);
        if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byPacket[0] = static_cast<uint8_t>(m_byPacket[0] + row->addrAdd);
            m_byPacket[1] = static_cast<uint8_t>(row->command == kPreset ? m_nPreset : row->command);
            m_byPacket[2] = row->kind;
        }
        Out(*this, h).Put(m_byPacket);
    }

    // The device has one auto-pan call; on and off both send it.
    void SetAutoPan(PtPortHandle* h, int) override {
        m_byPacket[0] = static_cast<uint8_t>(h->address);
        m_byPacket[1] = 0x00;
        m_byPacket[2] = 0x0A;
        Out(*this, h).Put(m_byPacket);
    }

private:
    // The host's preset numbers are not taken (SetPresetNo is ignored), so
    // go-to always asks for preset 0.
    int m_nPreset = 0;
    uint8_t m_byPacket[3] = {};
};

CPtProtocol* NewCPtLilin() { return new (std::nothrow) CPtLilin(); }
