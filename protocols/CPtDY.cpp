// DY-255RXC receiver (index 1). ASCII lines, ending LF CR in that order:
//   movement  "at0" AA letter digit "0" LF CR    10 bytes
//   function  "at0" AA switch digit LF CR        9 bytes
//   stop      "at0" AA "j"|"k" LF CR             8 bytes
// AA is the address in two decimal digits. The three lines are kept: an
// unlisted code resends the last movement line. A stop is a burst of
// eight lines, all eight in capture (64 bytes).
// Auto pan is a plain command: code 8 switches it on, the second stop off.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

struct Row {
    int code;
    char letter;
    char digit;  // "m": 0x30 + mask (up 1, down 2, left 4, right 8)
};

constexpr Row kMoves[] = {
    {PT_UP, 'm', '1'},        {PT_DOWN, 'm', '2'},      {PT_LEFT, 'm', '4'},       {PT_RIGHT, 'm', '8'},
    {PT_UP_LEFT, 'm', '5'},   {PT_UP_RIGHT, 'm', '9'},  {PT_DOWN_LEFT, 'm', '6'},  {PT_DOWN_RIGHT, 'm', ':'},
    {PT_ZOOM_TELE, 'r', '1'}, {PT_ZOOM_WIDE, 'r', '2'}, {PT_FOCUS_FAR, 'r', '4'},  {PT_FOCUS_NEAR, 'r', '8'},
};

const char kStopBurst[] = "jkkjkjkj";

// Function digits.
constexpr char kCamera = '1', kLamp = '2', kAutoPan = '4', kAux = '8';

}  // namespace

class CPtDY : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtDY]")

    void AttachPort(PtPortHandle* h) override {
        Start(m_byMove, h);
        m_byMove[7] = '0';
        End(m_byMove + 8);
        Start(m_byStop, h);
        End(m_byStop + 6);
        SendFunction(h, true, kCamera, true);
    }
    void DetachPort(PtPortHandle* h) override { SendFunction(h, false, kCamera, true); }
    void SetCameraPower(PtPortHandle* h, int on) override { SendFunction(h, on, kCamera); }
    void SetLampPower(PtPortHandle* h, int on) override { SendFunction(h, on, kLamp); }
    void SetAuxPower(PtPortHandle* h, int on) override { SendFunction(h, on, kAux); }
    void SetAutoPan(PtPortHandle* h, int on) override { SendFunction(h, on, kAutoPan); }

    void SetCmd(PtPortHandle* h, int code) override {
        switch (code) {
            case PT_AUTO_PAN_ON: SendFunction(h, true, kAutoPan); return;
            case PT_LENS_STOP: SendFunction(h, false, kAutoPan); return;
            case PT_STOP: SendStop(h); return;
            default: break;
        }
        if (const Row* row = pttable::Find<kMoves>(code)) {
            m_byMove[5] = static_cast<uint8_t>(row->letter);
            m_byMove[6] = static_cast<uint8_t>(row->digit);
        }
        Out(*this, h).Put(m_byMove);
    }

private:
    // The field has room for two digits: 0..9 get a leading zero, and
    // 100..255 (the byte read unsigned) keep their last two digits.
    static void Start(uint8_t* line, PtPortHandle* h) {
        const unsigned address = static_cast<uint8_t>(h->address);
        line[0] = 'a';
        line[1] = 't';
        line[2] = '0';
        line[3] = ptcheck::DecDigit(address, 1);
        line[4] = ptcheck::DecDigit(address, 0);
    }
    static void End(uint8_t* at) {
        at[0] = 0x0A;
        at[1] = 0x0D;
    }

    // Attach and detach take the address from their handle; the others
    // use the one stored last.
    void SendFunction(PtPortHandle* h, bool on, char digit, bool readAddress = false) {
        if (readAddress) Start(m_byFunction, h);
        m_byFunction[5] = on ? 'n' : 'f';
        m_byFunction[6] = static_cast<uint8_t>(digit);
        End(m_byFunction + 7);
        Out(*this, h).Put(m_byFunction);
    }

    void SendStop(PtPortHandle* h) {
        Out out(*this, h);
        for (const char* c = kStopBurst; *c; ++c) {
            m_byStop[5] = static_cast<uint8_t>(*c);
            out.Put(m_byStop);
        }
    }

    uint8_t m_byMove[10] = {};
    uint8_t m_byFunction[9] = {};
    uint8_t m_byStop[8] = {};
};

CPtProtocol* NewCPtDY() { return new (std::nothrow) CPtDY(); }
