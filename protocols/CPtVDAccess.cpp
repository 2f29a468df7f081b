// OmniView (index 17). A 13-character ASCII line:
//   '/' CR LF '0' tens units tilt pan zoom focus ' ' CR LF
// Each axis letter is a space when still. The letters are the device's
// own: right is L, left R, near F, far N, tele W, wide T. The address
// characters are written at attach only.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    char letters[5];  // tilt, pan, zoom, focus
};

constexpr Row kCommands[] = {
    {PT_UP, "U   "},
    {PT_UP_RIGHT, "UL  "},
    {PT_RIGHT, " L  "},
    {PT_DOWN_RIGHT, "DL  "},
    {PT_DOWN, "D   "},
    {PT_DOWN_LEFT, "DR  "},
    {PT_LEFT, " R  "},
    {PT_UP_LEFT, "UR  "},
    {PT_FOCUS_NEAR, "   F"},
    {PT_FOCUS_FAR, "   N"},
    {PT_ZOOM_TELE, "  W "},
    {PT_ZOOM_WIDE, "  T "},
};

constexpr char kStill[5] = "    ";
constexpr unsigned kAutoPanOffGapMs = 100;

}  // namespace

class CPtVDAccess : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtVDAccess]")

    // Only addresses 0 to 19 have a defined form ('0'/'1' and a digit);
    // larger ones are sent as two decimal digits of the address modulo 100
    // so the line never carries anything but digits there.
    void AttachPort(PtPortHandle* h) override {
        const unsigned address = static_cast<uint8_t>(h->address);
        const uint8_t head[6] = {'/', '\r', '\n', '0', ptcheck::DecDigit(address, 1),
                                 ptcheck::DecDigit(address, 0)};
        for (int i = 0; i < 6; ++i) m_byLine[i] = head[i];
        m_byLine[10] = ' ';
        m_byLine[11] = '\r';
        m_byLine[12] = '\n';
        Out(*this, h).Put(Letters(kStill), sizeof m_byLine);
    }

    // Codes without a row (stops among them) send the all-still line.
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Out(*this, h).Put(Letters(row ? row->letters : kStill), sizeof m_byLine);
    }

    // Auto-pan off is the pan letter L sent as three close pairs; a capture
    // keeps one line.
    void SetAutoPan(PtPortHandle* h, int on) override {
        Out out(*this, h);
        if (on) {
            out.Put(Letters("A   "), sizeof m_byLine);
            return;
        }
        out.Put(Letters(" L  "), sizeof m_byLine).Pause(kAutoPanOffGapMs).Repeat(m_byLine);
        for (int pair = 1; pair < 3; ++pair)
            out.Repeat(m_byLine).Pause(kAutoPanOffGapMs).Repeat(m_byLine);
    }

private:
    const uint8_t* Letters(const char* letters) {
        for (int i = 0; i < 4; ++i) m_byLine[6 + i] = static_cast<uint8_t>(letters[i]);
        return m_byLine;
    }

    uint8_t m_byLine[13] = {};
};

CPtProtocol* NewCPtVDAccess() { return new (std::nothrow) CPtVDAccess(); }
