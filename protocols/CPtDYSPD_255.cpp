// DYSPD-255 dome (index 40). Twelve ASCII bytes:
//   "at"  address(2)  letter  parameters(4)  check(2)  CR
// Hex digits are 0x30 + nibble (10..15 are ':' to '?'); the check is the
// sum of bytes 2..8 in the same digits. "M" carries pan and tilt (80 rest,
// FF right/up, 00 left/down), "R" a lens bit. The dome needs a lens stop
// after a lens move and a pan/tilt stop otherwise, so a flag remembers
// which moved last. Bytes 4..8 are kept: an unlisted code resends them.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

enum Kind { kMove, kLens, kStop, kPreset };

struct Row {
    int code;
    const char* text;  // bytes 4..8; a preset row gives only bytes 4..5
    Kind kind;
};

constexpr Row kCommands[] = {
    {PT_UP, "M80??", kMove},         {PT_UP_RIGHT, "M????", kMove},  {PT_RIGHT, "M??80", kMove},
    {PT_DOWN_RIGHT, "M??00", kMove}, {PT_DOWN, "M8000", kMove},      {PT_DOWN_LEFT, "M0000", kMove},
    {PT_LEFT, "M0080", kMove},       {PT_UP_LEFT, "M00??", kMove},
    {PT_FOCUS_NEAR, "R0400", kLens}, {PT_FOCUS_FAR, "R0800", kLens},
    {PT_ZOOM_TELE, "R0100", kLens},  {PT_ZOOM_WIDE, "R0200", kLens},
    {PT_STOP, nullptr, kStop},       {PT_LENS_STOP, nullptr, kStop},
    {PT_PRESET_SET, "Ps", kPreset},  {PT_PRESET_CLEAR, "Pc", kPreset}, {PT_PRESET_GOTO, "Pm", kPreset},
};

}  // namespace

class CPtDYSPD_255 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtDYSPD_255]")
    void SetPresetNo(int preset) override { m_nPreset = preset; }
    // The same packet for on and off.
    void SetCameraPower(PtPortHandle* h, int) override {
        Body("N1000");
        Send(h);
    }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) {
            switch (row->kind) {
                case kMove: Body(row->text); m_bLens = 0; break;
                case kLens: Body(row->text); m_bLens = 1; break;
                case kStop: Body(m_bLens ? "R0000" : "M8080"); m_bLens = 0; break;
                case kPreset:
                    Body(row->text);
                    m_byPacket[6] = ptcheck::Nibble30(static_cast<unsigned>(m_nPreset) >> 4);
                    m_byPacket[7] = ptcheck::Nibble30(static_cast<unsigned>(m_nPreset));
                    m_byPacket[8] = '0';
                    break;
            }
        }
        Send(h);
    }

private:
    void Body(const char* text) {
        for (int i = 0; text[i] && i < 5; ++i) m_byPacket[4 + i] = static_cast<uint8_t>(text[i]);
    }

    void Send(PtPortHandle* h) {
        const unsigned address = static_cast<uint8_t>(h->address);
        m_byPacket[0] = 'a';
        m_byPacket[1] = 't';
        m_byPacket[2] = ptcheck::Nibble30(address >> 4);
        m_byPacket[3] = ptcheck::Nibble30(address);
        const unsigned check = ptcheck::Sum(m_byPacket, 2, 8);
        m_byPacket[9] = ptcheck::Nibble30(check >> 4);
        m_byPacket[10] = ptcheck::Nibble30(check);
        m_byPacket[11] = 0x0D;
        Out(*this, h).Put(m_byPacket);
    }

    int32_t m_bLens = 0;
    int m_nPreset = 0;
    uint8_t m_byPacket[12] = {};
};

CPtProtocol* NewCPtDYSPD_255() { return new (std::nothrow) CPtDYSPD_255(); }
