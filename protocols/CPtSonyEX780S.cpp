// Sony EX780S (index 47): six-byte zoom-block commands
//   80+address 01 04 category command FF
// Categories: 07 zoom, 08 focus, 00 power. The stop must name the lens
// group that moved, so zoom and focus commands leave a flag for it. Codes
// without a row resend the previous category and command.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocols/PtTable.h"

namespace {

enum Moved : uint8_t { kZoomMoved = 1, kFocusMoved = 2 };

constexpr uint8_t kZoom = 0x07, kFocus = 0x08, kPower = 0x00;

struct Row {
    int code;
    uint8_t category, command;
    Moved moved;
};

constexpr Row kCommands[] = {
    {PT_FOCUS_NEAR, kFocus, 0x02, kFocusMoved},
    {PT_FOCUS_FAR, kFocus, 0x03, kFocusMoved},
    {PT_ZOOM_TELE, kZoom, 0x02, kZoomMoved},
    {PT_ZOOM_WIDE, kZoom, 0x03, kZoomMoved},
};

}  // namespace

class CPtSonyEX780S : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSonyEX780S]")
    void SetCmd(PtPortHandle* h, int code) override {
        if (code == PT_STOP) {
            // Focus wins when both moved; neither leaves the category as it was.
            if (m_byMoved & kZoomMoved) m_byPacket[3] = kZoom;
            if (m_byMoved & kFocusMoved) m_byPacket[3] = kFocus;
            m_byPacket[4] = 0x00;
            m_byMoved = 0;
        } else if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byPacket[3] = row->category;
            m_byPacket[4] = row->command;
            m_byMoved |= row->moved;
        }
        Send(h);
    }

    void SetCameraPower(PtPortHandle* h, int on) override {
        m_byPacket[3] = kPower;
        m_byPacket[4] = on ? 0x02 : 0x03;
        Send(h);
    }
private:
    // The power packet ends in FF too: every command of this format is
    // terminated by FF.
    void Send(PtPortHandle* h) {
        m_byPacket[0] = static_cast<uint8_t>(0x80 + h->address);
        m_byPacket[1] = 0x01;
        m_byPacket[2] = 0x04;
        m_byPacket[5] = 0xFF;
        Out(*this, h).Put(m_byPacket);
    }

    uint8_t m_byMoved = 0;
    uint8_t m_byPacket[6] = {};
};

CPtProtocol* NewCPtSonyEX780S() { return new (std::nothrow) CPtSonyEX780S(); }
