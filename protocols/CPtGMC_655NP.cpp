// EC-4123ZD zoom camera (index 45). Six bytes:
//   C5 command lens-code 00 address sum(0..4)
// command is 0x5F for a lens call and 0xAA for anything else; an 0xAA
// frame keeps the previous lens code. Only lens calls exist, but every
// code sends a frame.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

enum Moving { kNone, kZoom, kFocus };

struct Row {
    int code;
    uint8_t lens;
    Moving starts;
};

constexpr Row kCommands[] = {
    {PT_FOCUS_NEAR, 0x09, kFocus},
    {PT_FOCUS_FAR, 0x08, kFocus},
    {PT_ZOOM_TELE, 0x02, kZoom},
    {PT_ZOOM_WIDE, 0x04, kZoom},
    {PT_STOP, 0x0C, kNone},
};

constexpr uint8_t kLensCall = 0x5F, kOther = 0xAA, kLensStop = 0x0C;

}  // namespace

class CPtGMC_655NP : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtGMC_655NP]")

    void SetCmd(PtPortHandle* h, int code) override {
        m_byFrame[0] = 0xC5;
        m_byFrame[1] = kOther;
        m_byFrame[3] = 0x00;
        m_byFrame[4] = static_cast<uint8_t>(h->address);
        if (const Row* row = pttable::Find<kCommands>(code)) {
            Lens(row->lens);
            if (row->starts == kZoom) m_bZoomMoving = true;
            if (row->starts == kFocus) m_bFocusMoving = true;
        } else if (code == PT_LENS_STOP && (m_bZoomMoving || m_bFocusMoving)) {
            // The second stop ends whatever lens movement is running; a
            // focus left running would otherwise need a full stop.
            Lens(kLensStop);
            m_bZoomMoving = m_bFocusMoving = false;
        }
        m_byFrame[5] = ptcheck::Sum(m_byFrame, 0, 4);
        Out(*this, h).Put(m_byFrame);
    }

private:
    void Lens(uint8_t code) {
        m_byFrame[1] = kLensCall;
        m_byFrame[2] = code;
    }

    uint8_t m_byFrame[6] = {};
    bool m_bZoomMoving = false;
    bool m_bFocusMoving = false;
};

CPtProtocol* NewCPtGMC_655NP() { return new (std::nothrow) CPtGMC_655NP(); }
