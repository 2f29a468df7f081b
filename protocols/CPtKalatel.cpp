// Kalatel (index 3). Seven ASCII characters, no check:
//   param param letter '0' address-tens address-units '~'
// The tail (bytes 3 to 6) is written at attach only, so commands go to the
// address attached last. A stop is the lower-case form of the last
// movement or lens letter, with the parameters left as they were.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

// param: the two parameter characters; null: the preset number's digits.
struct Row {
    int code;
    const char* param;
    uint8_t letter;
};

constexpr Row kCommands[] = {
    {PT_UP, "27", 'U'},
    {PT_RIGHT, "27", 'R'},
    {PT_DOWN, "27", 'D'},
    {PT_LEFT, "27", 'L'},
    {PT_FOCUS_NEAR, "00", 'N'},
    {PT_FOCUS_FAR, "00", 'F'},
    {PT_ZOOM_TELE, "00", 'I'},
    {PT_ZOOM_WIDE, "00", 'O'},
    {PT_PRESET_SET, nullptr, 'Q'},
    {PT_PRESET_GOTO, nullptr, 'E'},
};

}  // namespace

class CPtKalatel : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtKalatel]")

    void AttachPort(PtPortHandle* h) override {
        m_byPacket[3] = '0';
        // Exact for addresses 0..19; larger ones keep to their last two digits
        // rather than leaving the digit range.
        ptcheck::TwoDigits(m_byPacket + 4, static_cast<uint8_t>(h->address));
        m_byPacket[6] = '~';
        NoPacket();
    }

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        if (code == PT_STOP || code == PT_LENS_STOP) {
            // Before any movement the letter is 0, so the stop is a blank.
            m_byPacket[2] = static_cast<uint8_t>(m_byLast + 0x20);
        } else if (const Row* row = pttable::Find<kCommands>(code)) {
            if (row->param) {
                m_byPacket[0] = static_cast<uint8_t>(row->param[0]);
                m_byPacket[1] = static_cast<uint8_t>(row->param[1]);
                m_byLast = row->letter;
            } else if (m_nPreset >= 0 && m_nPreset <= 99) {
                ptcheck::TwoDigits(m_byPacket, static_cast<unsigned>(m_nPreset));
            } else {
                // Two digits cannot name this preset; a wrong one would move
                // the camera somewhere else, so nothing is sent.
                NoPacket();
                return;
            }
            m_byPacket[2] = row->letter;
        } else {
            NoPacket();  // diagonals, preset clear and the rest have no command
            return;
        }
        Out(*this, h).Put(m_byPacket);
    }

    void SetAutoPan(PtPortHandle* h, int on) override {
        m_byPacket[0] = '0';
        m_byPacket[1] = '0';
        m_byPacket[2] = on ? 'A' : '_';
        Out(*this, h).Put(m_byPacket);
    }

private:
    int m_nPreset = 0;
    uint8_t m_byPacket[7] = {};
    uint8_t m_byLast = 0;
};

CPtProtocol* NewCPtKalatel() { return new (std::nothrow) CPtKalatel(); }
