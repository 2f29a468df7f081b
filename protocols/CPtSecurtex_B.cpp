// Securtex_B (index 26): STX frames with an additive check
//   02 address group command data sum(0..4)
// Groups: 01 command, 0E speed, 0F auto pan. Every command goes out behind
// a fixed speed frame; a code without a row leaves that frame in place, so
// the speed frame goes out twice.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

constexpr uint8_t kCommandGroup = 0x01, kSpeedGroup = 0x0E, kAutoPanGroup = 0x0F;

struct Row {
    int code;
    uint8_t group, command;
};

constexpr Row kCommands[] = {
    {PT_UP, kCommandGroup, 0x04},          {PT_UP_RIGHT, kCommandGroup, 0x05},
    {PT_RIGHT, kCommandGroup, 0x01},       {PT_DOWN_RIGHT, kCommandGroup, 0x09},
    {PT_DOWN, kCommandGroup, 0x08},        {PT_DOWN_LEFT, kCommandGroup, 0x0A},
    {PT_LEFT, kCommandGroup, 0x02},        {PT_UP_LEFT, kCommandGroup, 0x06},
    {PT_AUTO_PAN_ON, kAutoPanGroup, 0x03}, {PT_FOCUS_NEAR, kCommandGroup, 0x40},
    {PT_FOCUS_FAR, kCommandGroup, 0x80},   {PT_ZOOM_TELE, kCommandGroup, 0x20},
    {PT_ZOOM_WIDE, kCommandGroup, 0x10},   {PT_STOP, kCommandGroup, 0x00},
    {PT_LENS_STOP, kAutoPanGroup, 0x00},
};

}  // namespace

class CPtSecurtex_B : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSecurtex_B]")

    void AttachPort(PtPortHandle*) override {
        for (uint8_t& b : m_byPacket) b = 0x00;
        m_byPacket[0] = 0x02;
        NoPacket();
    }
    void SetCmd(PtPortHandle* h, int code) override {
        Out out(*this, h);
        SetFrame(h, kSpeedGroup, 0x80, 0xB0);
        out.Put(m_byPacket);
        if (const Row* row = pttable::Find<kCommands>(code)) SetFrame(h, row->group, row->command, 0x00);
        out.Put(m_byPacket);
    }
    // Auto-pan speed first, then start (03) or stop (00).
    void SetAutoPan(PtPortHandle* h, int on) override {
        Out out(*this, h);
        SetFrame(h, kAutoPanGroup, 0x01, 0x60);
        out.Put(m_byPacket);
        SetFrame(h, kAutoPanGroup, on ? 0x03 : 0x00, 0x00);
        out.Put(m_byPacket);
    }
private:
    void SetFrame(PtPortHandle* h, uint8_t group, uint8_t command, uint8_t data) {
        m_byPacket[0] = 0x02;
        m_byPacket[1] = static_cast<uint8_t>(h->address);
        m_byPacket[2] = group;
        m_byPacket[3] = command;
        m_byPacket[4] = data;
        m_byPacket[5] = ptcheck::Sum(m_byPacket, 0, 4);
    }

    uint8_t m_byPacket[6] = {};
};

CPtProtocol* NewCPtSecurtex_B() { return new (std::nothrow) CPtSecurtex_B(); }
