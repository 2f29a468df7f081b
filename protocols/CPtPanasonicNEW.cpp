// Panasonic NEW (index 55). Frames of PanasonicFrame.h with address
// character 0x30 + address and seven-character commands of their own.
// Only focus moves mark the lens as last moved, so only the stop after a
// focus move is the lens stop. Written twice, 10 ms apart; opening and
// closing send nothing.
#include "protocols/PtFactories.h"
#include "protocols/PanasonicFrame.h"
#include "protocols/PtTable.h"

namespace {

enum Lens { kKeep, kSet };

struct Row {
    int code;
    const char* text;
    Lens lens;
};

constexpr Row kCommands[] = {
    {PT_UP, "9028A0F", kKeep},        {PT_UP_RIGHT, "9028BFF", kKeep},
    {PT_RIGHT, "9028CF0", kKeep},     {PT_DOWN_RIGHT, "9028DFF", kKeep},
    {PT_DOWN, "9028E0F", kKeep},      {PT_DOWN_LEFT, "9028FFF", kKeep},
    {PT_LEFT, "90288F0", kKeep},      {PT_UP_LEFT, "90289FF", kKeep},
    {PT_FOCUS_NEAR, "9034003", kSet}, {PT_FOCUS_FAR, "9034007", kSet},
    {PT_ZOOM_TELE, "9023000", kKeep}, {PT_ZOOM_WIDE, "9027000", kKeep},
};

constexpr const char* kLensStop = "9024008";
constexpr const char* kHeadStop = "9028100";
constexpr unsigned kGapMs = 10;

}  // namespace

class CPtPanasonicNEW : public CPtPanasonicFrame {
public:
    PT_SHOW_MESSAGE("[CPtPanasonicNEW]")

    void AttachPort(PtPortHandle* h) override {
        Header(static_cast<uint8_t>(0x30 + h->address));
        NoPacket();
    }
    void DetachPort(PtPortHandle*) override { NoPacket(); }

    void SetCmd(PtPortHandle* h, int code) override {
        if (code == PT_STOP || code == PT_LENS_STOP) {
            Text(m_bLens ? kLensStop : kHeadStop);
            m_bLens = 0;
        } else if (const Row* row = pttable::Find<kCommands>(code)) {
            Text(row->text);
            if (row->lens == kSet) m_bLens = 1;
        }
        SendTwice(h, kGapMs);
    }

    void SetAutoPan(PtPortHandle* h, int on) override {
        Text(on ? "9030040" : "9030041");
        SendTwice(h, kGapMs);
    }
};

CPtProtocol* NewCPtPanasonicNEW() { return new (std::nothrow) CPtPanasonicNEW(); }
