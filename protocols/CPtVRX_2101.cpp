// VRX-2101 receiver (index 50). Seven bytes:
//   10 02 address 'U' state1 state2 sum(0..5)
// state1: 01 up, 02 down, 04 right, 08 left, 10 auto pan, 20 aux,
//         40 focus far, 80 focus near
// state2: 01 tele, 02 wide, 04 camera power, 08 lamp
// Every frame restates every output, so the state bytes live in the frame
// and each call only changes bits: s = (s & keep) | set. An off request
// keeps only its partner switch in the same byte, which also drops any
// movement or lens bit held there.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Change {
    uint8_t keep1, set1, keep2, set2;
};

constexpr Change kNone = {0xFF, 0x00, 0xFF, 0x00};

struct Row {
    int code;
    Change change;
};

// Directions add to what is held: a second one without a stop combines.
constexpr Row kCommands[] = {
    {PT_UP, {0xFF, 0x01, 0xFF, 0x00}},
    {PT_UP_RIGHT, {0xFF, 0x05, 0xFF, 0x00}},
    {PT_RIGHT, {0xFF, 0x04, 0xFF, 0x00}},
    {PT_DOWN_RIGHT, {0xFF, 0x06, 0xFF, 0x00}},
    {PT_DOWN, {0xFF, 0x02, 0xFF, 0x00}},
    {PT_DOWN_LEFT, {0xFF, 0x0A, 0xFF, 0x00}},
    {PT_LEFT, {0xFF, 0x08, 0xFF, 0x00}},
    {PT_UP_LEFT, {0xFF, 0x09, 0xFF, 0x00}},
    {PT_FOCUS_NEAR, {0xFF, 0x80, 0xFF, 0x00}},
    {PT_FOCUS_FAR, {0xFF, 0x40, 0xFF, 0x00}},
    {PT_ZOOM_TELE, {0xFF, 0x00, 0xFF, 0x01}},
    {PT_ZOOM_WIDE, {0xFF, 0x00, 0xFF, 0x02}},
    {PT_STOP, {0x30, 0x00, 0x0C, 0x00}},  // keep the switches only
    {PT_LENS_STOP, {0x30, 0x00, 0x0C, 0x00}},
};

// The switches, on and off.
struct Switch {
    Change on, off;
};
constexpr Switch kCamera = {{0xFF, 0x00, 0xFF, 0x04}, {0xFF, 0x00, 0x08, 0x00}};
constexpr Switch kLamp = {{0xFF, 0x00, 0xFF, 0x08}, {0xFF, 0x00, 0x04, 0x00}};
constexpr Switch kAux = {{0xFF, 0x20, 0xFF, 0x00}, {0x10, 0x00, 0xFF, 0x00}};
constexpr Switch kAutoPan = {{0xFF, 0x10, 0xFF, 0x00}, {0x20, 0x00, 0xFF, 0x00}};

}  // namespace

class CPtVRX_2101 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtVRX_2101]")

    // The receiver starts with camera power on and everything else off.
    void AttachPort(PtPortHandle*) override {
        m_byFrame[4] = 0x00;
        m_byFrame[5] = 0x04;
        NoPacket();
    }

    void DetachPort(PtPortHandle*) override {
        for (uint8_t& b : m_byFrame) b = 0;
        NoPacket();
    }

    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, row ? row->change : kNone);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Send(h, on ? kCamera.on : kCamera.off); }
    void SetLampPower(PtPortHandle* h, int on) override { Send(h, on ? kLamp.on : kLamp.off); }
    void SetAuxPower(PtPortHandle* h, int on) override { Send(h, on ? kAux.on : kAux.off); }
    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, on ? kAutoPan.on : kAutoPan.off); }

private:
    void Send(PtPortHandle* h, const Change& c) {
        m_byFrame[0] = 0x10;
        m_byFrame[1] = 0x02;
        m_byFrame[2] = static_cast<uint8_t>(h->address);
        m_byFrame[3] = 'U';
        m_byFrame[4] = static_cast<uint8_t>((m_byFrame[4] & c.keep1) | c.set1);
        m_byFrame[5] = static_cast<uint8_t>((m_byFrame[5] & c.keep2) | c.set2);
        m_byFrame[6] = ptcheck::Sum(m_byFrame, 0, 5);
        Out(*this, h).Put(m_byFrame);
    }

    uint8_t m_byFrame[7] = {};
};

CPtProtocol* NewCPtVRX_2101() { return new (std::nothrow) CPtVRX_2101(); }
