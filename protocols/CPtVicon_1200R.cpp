// Vicon 1200R receiver (index 10). Header 80 (address + 50), or
// 80 (address + 10) once aux power or auto-pan has been used; then 10 ms;
// then a four-byte word: direction, lens, 00, 00. The header is kept and
// goes in front of every word until the next attach.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocols/ViconCommands.h"

namespace {

// Focus near and the lens stop set the first byte's lowest bit as well.
constexpr vicon::Row kOwn[] = {
    {PT_FOCUS_NEAR, 0x01, 0x08},
    {PT_LENS_STOP, 0x01, 0x10},
};

const uint8_t kZero[4] = {0x00, 0x00, 0x00, 0x00};
const uint8_t kAuxOn[4] = {0x00, 0x00, 0x40, 0x00};
const uint8_t kAutoPan[4] = {0x04, 0x00, 0x00, 0x00};

}  // namespace

class CPtVicon_1200R : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtVicon_1200R]")

    void AttachPort(PtPortHandle* h) override {
        SetHeader(h, 0x50);
        Out(*this, h).Put(m_byHeader);
    }

    // A code without a word sends the header alone.
    void SetCmd(PtPortHandle* h, int code) override {
        Out out(*this, h);
        out.Put(m_byHeader).Pause(vicon::kHeaderGapMs);
        if (const vicon::Row* r = vicon::Lookup<kOwn>(code)) {
            const uint8_t word[4] = {r->direction, r->lens, 0x00, 0x00};
            out.Put(word);
        }
    }

    void SetAuxPower(PtPortHandle* h, int on) override {
        SetHeader(h, 0x10);
        Out(*this, h).Put(m_byHeader).Pause(vicon::kHeaderGapMs).Put(on ? kAuxOn : kZero);
    }

    // Off is stop, toggle, stop on the line; capture keeps the first pair.
    void SetAutoPan(PtPortHandle* h, int on) override {
        SetHeader(h, 0x10);
        Out out(*this, h);
        out.Put(m_byHeader).Pause(vicon::kHeaderGapMs).Put(on ? kAutoPan : kZero);
        if (on) return;
        out.Repeat(m_byHeader).Pause(vicon::kHeaderGapMs).Repeat(kAutoPan);
        out.Repeat(m_byHeader).Pause(vicon::kHeaderGapMs).Repeat(kZero);
    }

private:
    void SetHeader(PtPortHandle* h, uint8_t base) {
        m_byHeader[0] = 0x80;
        m_byHeader[1] = static_cast<uint8_t>(h->address + base);
    }

    uint8_t m_byHeader[2] = {};
};

CPtProtocol* NewCPtVicon_1200R() { return new (std::nothrow) CPtVicon_1200R(); }
