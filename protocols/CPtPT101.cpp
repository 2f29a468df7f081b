// PT-101 (index 23). Eleven bytes:
//   55 00 address focus direction pan-speed tilt-speed lens-speed 00 AA check
// The check makes all eleven bytes sum to 0x20. Bytes 0, 1, 2, 8 and 9 are
// written at attach only; every call rewrites bytes 3 to 7. Speeds are
// fixed: 0xC0 on a moving pan or tilt axis, 0x0D for the lens.
#include "protocols/PtFactories.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    uint8_t body[5];  // bytes 3 to 7
};

// Codes without a row (stops among them) send an all-zero body.
constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x08, 0x00, 0xC0, 0x00}},
    {PT_UP_RIGHT, {0x00, 0x0A, 0xC0, 0xC0, 0x00}},
    {PT_RIGHT, {0x00, 0x02, 0xC0, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {0x00, 0x12, 0xC0, 0xC0, 0x00}},
    {PT_DOWN, {0x00, 0x10, 0x00, 0xC0, 0x00}},
    {PT_DOWN_LEFT, {0x00, 0x14, 0xC0, 0xC0, 0x00}},
    {PT_LEFT, {0x00, 0x04, 0xC0, 0x00, 0x00}},
    {PT_UP_LEFT, {0x00, 0x0C, 0xC0, 0xC0, 0x00}},
    {PT_FOCUS_NEAR, {0x02, 0x00, 0x00, 0x00, 0x0D}},
    {PT_FOCUS_FAR, {0x01, 0x00, 0x00, 0x00, 0x0D}},
    {PT_ZOOM_TELE, {0x00, 0x20, 0x00, 0x00, 0x0D}},
    {PT_ZOOM_WIDE, {0x00, 0x40, 0x00, 0x00, 0x0D}},
};

constexpr uint8_t kStill[5] = {};
constexpr uint8_t kAutoPanOn[5] = {0x00, 0x1B, 0x00, 0x0D, 0x00};
constexpr uint8_t kAutoPanOff[5] = {0x00, 0x1F, 0x00, 0x00, 0x00};

}  // namespace

class CPtPT101 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtPT101]")

    void AttachPort(PtPortHandle* h) override {
        const uint8_t init[11] = {0x55, 0x00, static_cast<uint8_t>(h->address), 0x00, 0x00, 0xC0,
                                  0xC0, 0x0D, 0x00, 0xAA, 0x00};
        for (int i = 0; i < 11; ++i) m_byFrame[i] = init[i];
        NoPacket();
    }

    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        Send(h, row ? row->body : kStill);
    }

    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, on ? kAutoPanOn : kAutoPanOff); }

private:
    void Send(PtPortHandle* h, const uint8_t* body) {
        for (int i = 0; i < 5; ++i) m_byFrame[3 + i] = body[i];
        m_byFrame[10] = ptcheck::SumTo(0x20, m_byFrame, 0, 9);
        Out(*this, h).Put(m_byFrame);
    }

    uint8_t m_byFrame[11] = {};
};

CPtProtocol* NewCPtPT101() { return new (std::nothrow) CPtPT101(); }
