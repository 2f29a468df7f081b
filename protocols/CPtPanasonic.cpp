// Panasonic (index 5). Frames of PanasonicFrame.h, address character
// 0x31 + address, command "2021" + group + letter. The group is "22" for
// the lens and "32" for the head; a stop has to go to whichever moved
// last, so the command after a lens move (whatever it is) is sent in the
// lens group. Written twice, 10 ms apart; opening and closing send a frame.
#include "protocols/PtFactories.h"
#include "protocols/PanasonicFrame.h"
#include "protocols/PtTable.h"

namespace {

struct Row {
    int code;
    char letter;
};

constexpr Row kLetters[] = {
    {PT_UP, 'A'},        {PT_UP_RIGHT, 'B'},   {PT_RIGHT, 'C'},      {PT_DOWN_RIGHT, 'D'},
    {PT_DOWN, 'E'},      {PT_DOWN_LEFT, 'F'},  {PT_LEFT, '8'},       {PT_UP_LEFT, '9'},
    {PT_FOCUS_FAR, 'A'}, {PT_ZOOM_WIDE, 'C'},  {PT_FOCUS_NEAR, 'E'}, {PT_ZOOM_TELE, '8'},
    {PT_STOP, '4'},      {PT_LENS_STOP, '4'},
};

constexpr unsigned kGapMs = 10;

}  // namespace

class CPtPanasonic : public CPtPanasonicFrame {
public:
    PT_SHOW_MESSAGE("[CPtPanasonic]")

    void AttachPort(PtPortHandle* h) override {
        Header(static_cast<uint8_t>(0x31 + h->address));
        Text("2021200");
        m_bLens = 0;
        SendTwice(h, kGapMs);
    }

    void DetachPort(PtPortHandle* h) override {
        Header(static_cast<uint8_t>(0x31 + h->address));
        Text("2021201");
        SendTwice(h, kGapMs);
    }

    void SetCmd(PtPortHandle* h, int code) override {
        const bool lens = code >= PT_FOCUS_NEAR && code <= PT_ZOOM_WIDE;
        Text("2021");
        Text(lens || m_bLens ? "22" : "32", 4);
        m_bLens = lens;
        if (const Row* row = pttable::Find<kLetters>(code)) m_byFrame[16] = static_cast<uint8_t>(row->letter);
        SendTwice(h, kGapMs);
    }

    void SetAutoPan(PtPortHandle* h, int on) override {
        Text(on ? "2021300" : "2021301");
        SendTwice(h, kGapMs);
    }
};

CPtProtocol* NewCPtPanasonic() { return new (std::nothrow) CPtPanasonic(); }
