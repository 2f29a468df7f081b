// Vicon 15UVS receiver, "ViconExt" (index 25). Header
// (80 | address >> 4) (50 | address & 0F), built at attach; then 10 ms;
// then an eight-byte block: direction, lens, 00, 00, 05 7F 05 7F.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocols/ViconCommands.h"

namespace {

constexpr vicon::Row kOwn[] = {
    {PT_FOCUS_NEAR, 0x00, 0x08},
    {PT_LENS_STOP, 0x00, 0x00},
};

const uint8_t kBlockTail[6] = {0x00, 0x00, 0x05, 0x7F, 0x05, 0x7F};
const uint8_t kAutoPan = 0x04;

}  // namespace

class CPtVicon_15UVS : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtVicon_15UVS]")

    void AttachPort(PtPortHandle* h) override {
        const uint8_t a = static_cast<uint8_t>(h->address);
        m_byHeader[0] = static_cast<uint8_t>(0x80 | (a >> 4));
        m_byHeader[1] = static_cast<uint8_t>(0x50 | (a & 0x0F));
        NoPacket();
    }

    // An unknown code still sends the block, with no direction or lens bits.
    void SetCmd(PtPortHandle* h, int code) override {
        const vicon::Row* r = vicon::Lookup<kOwn>(code);
        SetBlock(r ? r->direction : 0x00, r ? r->lens : 0x00);
        Out(*this, h).Put(m_byHeader).Pause(vicon::kHeaderGapMs).Put(m_byBlock);
    }

    // The receiver takes a short word here. Off sends the stop word, so
    // that switching auto-pan off never repeats the on word.
    void SetAutoPan(PtPortHandle* h, int on) override {
        SetBlock(on ? kAutoPan : 0x00, 0x00);
        Out(*this, h).Put(m_byHeader).Pause(vicon::kHeaderGapMs).Put(m_byBlock, 4);
    }

private:
    void SetBlock(uint8_t direction, uint8_t lens) {
        m_byBlock[0] = direction;
        m_byBlock[1] = lens;
        for (int i = 0; i < 6; ++i) m_byBlock[2 + i] = kBlockTail[i];
    }

    uint8_t m_byHeader[2] = {};
    uint8_t m_byBlock[8] = {};
};

CPtProtocol* NewCPtVicon_15UVS() { return new (std::nothrow) CPtVicon_15UVS(); }
