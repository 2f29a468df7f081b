// VRX-2101 receiver (index 50). Seven bytes:
//   10 02 address 'U' state1 state2 sum(0..5)
// state1: 01 up, 02 down, 04 right, 08 left, 10 auto pan, 20 aux,
//         40 focus far, 80 focus near
// state2: 01 tele, 02 wide, 04 camera power, 08 lamp
// Every frame restates every output, so the state bytes live in the frame
// and each call only changes bits. A stop keeps only the switches (camera,
// lamp, aux, auto-pan); a switch turned off keeps only its partner in the
// same byte, which also drops any movement or lens bit held there.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    bool stop;       // keep only the switches first
    uint8_t add[2];  // then set these bits of state1 and state2
};

// Directions add to what is held: a second one without a stop combines.
constexpr Row kCommands[] = {
    {PT_UP, false, {0x01, 0x00}},         {PT_UP_RIGHT, false, {0x05, 0x00}},
    {PT_RIGHT, false, {0x04, 0x00}},      {PT_DOWN_RIGHT, false, {0x06, 0x00}},
    {PT_DOWN, false, {0x02, 0x00}},       {PT_DOWN_LEFT, false, {0x0A, 0x00}},
    {PT_LEFT, false, {0x08, 0x00}},       {PT_UP_LEFT, false, {0x09, 0x00}},
    {PT_FOCUS_NEAR, false, {0x80, 0x00}}, {PT_FOCUS_FAR, false, {0x40, 0x00}},
    {PT_ZOOM_TELE, false, {0x00, 0x01}},  {PT_ZOOM_WIDE, false, {0x00, 0x02}},
    {PT_STOP, true, {0x00, 0x00}},        {PT_LENS_STOP, true, {0x00, 0x00}},
};

// The switches: which state byte and bit. Partners share a byte and sit
// side by side (index ^ 1).
struct Switch {
    uint8_t byte, bit;
};
enum { kCamera, kLamp, kAux, kAutoPan };
constexpr Switch kSwitches[] = {{1, 0x04}, {1, 0x08}, {0, 0x20}, {0, 0x10}};

}  // namespace

class CPtVRX_2101 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtVRX_2101]")

    // The receiver starts with camera power on and everything else off.
    void AttachPort(PtPortHandle*) override {
        m_byFrame[4] = m_byFrame[5] = 0x00;
        m_byFrame[4 + kSwitches[kCamera].byte] = kSwitches[kCamera].bit;
        NoPacket();
    }

    void DetachPort(PtPortHandle*) override {
        for (uint8_t& b : m_byFrame) b = 0;
        NoPacket();
    }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) {
            for (int i = 0; i < 2; ++i) {
                uint8_t& state = m_byFrame[4 + i];
                if (row->stop) state &= KeptByStop(i);
                state |= row->add[i];
            }
        }
        Send(h);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Turn(h, kCamera, on); }
    void SetLampPower(PtPortHandle* h, int on) override { Turn(h, kLamp, on); }
    void SetAuxPower(PtPortHandle* h, int on) override { Turn(h, kAux, on); }
    void SetAutoPan(PtPortHandle* h, int on) override { Turn(h, kAutoPan, on); }

private:
    static uint8_t KeptByStop(int byte) {
        uint8_t keep = 0;
        for (const Switch& s : kSwitches)
            if (s.byte == byte) keep |= s.bit;
        return keep;
    }
    void Turn(PtPortHandle* h, int which, int on) {
        const Switch& s = kSwitches[which];
        uint8_t& state = m_byFrame[4 + s.byte];
        state = on ? static_cast<uint8_t>(state | s.bit) : static_cast<uint8_t>(state & kSwitches[which ^ 1].bit);
        Send(h);
    }
    void Send(PtPortHandle* h) {
        m_byFrame[0] = 0x10;
        m_byFrame[1] = 0x02;
        m_byFrame[2] = static_cast<uint8_t>(h->address);
        m_byFrame[3] = 'U';
        m_byFrame[6] = ptcheck::Sum(m_byFrame, 0, 5);
        Out(*this, h).Put(m_byFrame);
    }

    uint8_t m_byFrame[7] = {};
};

CPtProtocol* NewCPtVRX_2101() { return new (std::nothrow) CPtVRX_2101(); }
