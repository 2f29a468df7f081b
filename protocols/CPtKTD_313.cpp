// KTD_313 (index 36): seven ASCII characters, no check byte
//   prefix(2)  letter  '0'  address tens  address units  '~'
// The prefix is "27" for movement, "00" for lens and auto-pan, or the preset
// number in two digits. The tail is written at attach only and resent as it
// stands; a stop is the last movement letter in lower case.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

enum Kind : uint8_t { kMove, kLens, kPreset, kStop };

struct Row {
    int code;
    Kind kind;
    uint8_t letter;
};

// Movement and lens letters are remembered for the stop; the device has no
// diagonals and no preset clear.
constexpr Row kCommands[] = {
    {PT_UP, kMove, 'U'},          {PT_RIGHT, kMove, 'R'},      {PT_DOWN, kMove, 'D'},
    {PT_LEFT, kMove, 'L'},        {PT_FOCUS_NEAR, kLens, 'N'}, {PT_FOCUS_FAR, kLens, 'F'},
    {PT_ZOOM_TELE, kLens, 'I'},   {PT_ZOOM_WIDE, kLens, 'O'},  {PT_STOP, kStop, 0x20},
    {PT_LENS_STOP, kStop, 0x20},  {PT_PRESET_SET, kPreset, 'Q'}, {PT_PRESET_GOTO, kPreset, 'E'},
};

const uint8_t kMovePrefix[2] = {'2', '7'};
const uint8_t kLensPrefix[2] = {'0', '0'};

}  // namespace

class CPtKTD_313 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtKTD_313]")

    void AttachPort(PtPortHandle* h) override {
        m_byFrame[3] = '0';
        // Exact for addresses 0..19; larger ones keep to their last two digits
        // rather than leaving the digit range.
        ptcheck::TwoDigits(m_byFrame + 4, static_cast<uint8_t>(h->address));
        m_byFrame[6] = '~';
        NoPacket();
    }
    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        if (!row) return;  // nothing on the line, and the capture length is left alone
        switch (row->kind) {
            case kMove: SetPrefix(kMovePrefix); break;
            case kLens: SetPrefix(kLensPrefix); break;
            case kPreset:
                // Two digits cannot name a preset outside 0..99; a wrong one
                // would move the camera somewhere else, so nothing is sent.
                if (m_nPreset < 0 || m_nPreset > 99) {
                    NoPacket();
                    return;
                }
                ptcheck::TwoDigits(m_byFrame, static_cast<unsigned>(m_nPreset));
                break;
            case kStop: break;
        }
        if (row->kind == kStop) {
            // The stop's letter is the lower-case bit; before any movement
            // this gives a space.
            m_byFrame[2] = static_cast<uint8_t>(m_byLast + row->letter);
        } else {
            m_byFrame[2] = row->letter;
            if (row->kind != kPreset) m_byLast = row->letter;
        }
        Out(*this, h).Put(m_byFrame);
    }
    void SetAutoPan(PtPortHandle* h, int on) override {
        SetPrefix(kLensPrefix);
        m_byFrame[2] = on ? 'A' : '_';
        Out(*this, h).Put(m_byFrame);
    }
private:
    void SetPrefix(const uint8_t (&prefix)[2]) {
        m_byFrame[0] = prefix[0];
        m_byFrame[1] = prefix[1];
    }

    int m_nPreset = 0;
    uint8_t m_byLast = 0;
    uint8_t m_byFrame[7] = {};
};

CPtProtocol* NewCPtKTD_313() { return new (std::nothrow) CPtKTD_313(); }
