// PanasonicV12 (index 24). Frames of PanasonicFrame.h, written twice 2 ms
// apart. Commands are "2021" + three characters. A lens move is preceded
// by a lens stop in the same burst (two frames, no gap, each written once)
// so the lens never carries on from the previous move. Auto pan is a plain
// command here: code 8 switches it on and the second stop (14) off.
//
// Presets 15 and 17 use a longer frame, ";GCF:" with the preset number
// appended after ';'. We send it whole (25 bytes, twice) and restore the
// ordinary header afterwards, so later frames keep their ETX.
// All frames carry the address character 0x30 + address, the one the
// command frames use, so opening, closing and auto pan reach the same camera.
#include "protocols/PtFactories.h"
#include "protocols/PanasonicFrame.h"
#include "protocols/PtTable.h"

namespace {

enum Kind { kPlain, kLensMove, kStop, kPreset };

struct Row {
    int code;
    const char* text;  // the last three command characters
    Kind kind;
};

constexpr Row kCommands[] = {
    {PT_UP, "32A", kPlain},         {PT_UP_RIGHT, "32B", kPlain},     {PT_RIGHT, "32C", kPlain},
    {PT_DOWN_RIGHT, "32D", kPlain}, {PT_DOWN, "32E", kPlain},         {PT_DOWN_LEFT, "32F", kPlain},
    {PT_LEFT, "328", kPlain},       {PT_UP_LEFT, "329", kPlain},      {PT_AUTO_PAN_ON, "300", kPlain},
    {PT_FOCUS_NEAR, "22E", kLensMove}, {PT_FOCUS_FAR, "22A", kLensMove},
    {PT_ZOOM_TELE, "228", kLensMove},  {PT_ZOOM_WIDE, "22C", kLensMove},
    {PT_STOP, nullptr, kStop},      {PT_LENS_STOP, "301", kPlain},    {PT_PRESET_CLEAR, "547", kPlain},
    {PT_PRESET_SET, "9F0", kPreset}, {PT_PRESET_GOTO, "400", kPreset},
};

constexpr unsigned kGapMs = 2;
constexpr size_t kPresetFrame = 25;

}  // namespace

class CPtPanasonicV12 : public CPtPanasonicFrame {
public:
    PT_SHOW_MESSAGE("[CPtPanasonicV12]")

    void AttachPort(PtPortHandle* h) override {
        Header(Address(h));
        Text("2021200");
        std::memcpy(m_byFrame + 18, "2022", 4);
        m_byFrame[24] = 0x03;
        m_byFrame[25] = 0x00;
        NoPacket();
    }

    void DetachPort(PtPortHandle* h) override {
        Header(Address(h));
        Text("2021201");
        SendTwice(h, kGapMs);
    }

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        m_byFrame[4] = Address(h);
        Text("2021");
        const Row* row = pttable::Find<kCommands>(code);
        switch (row ? row->kind : kPlain) {
            case kPlain:
                if (row) Text(row->text, 4);
                SendTwice(h, kGapMs);
                break;
            case kStop:
                Text(m_bLens ? "224" : "324", 4);
                m_bLens = 0;
                SendTwice(h, kGapMs);
                break;
            case kLensMove: {
                m_bLens = 1;
                Out out(*this, h);
                Text("224", 4);
                out.Put(m_byFrame, kFrame);
                Text(row->text, 4);
                out.Put(m_byFrame, kFrame);
                break;
            }
            case kPreset: SendPreset(h, row->text); break;
        }
    }

    void SetAutoPan(PtPortHandle* h, int on) override {
        m_byFrame[4] = Address(h);
        Text(on ? "2021300" : "2021301");
        SendTwice(h, kGapMs);
    }

private:
    static uint8_t Address(PtPortHandle* h) { return static_cast<uint8_t>(0x30 + h->address); }

    // The preset number travels as the first two characters of the
    // lower-case hex text of number + 99; a one-digit text leaves its
    // terminator. By hand: snprintf alone cost more than the rest of the call.
    static void LeadingHex(unsigned v, uint8_t* out) {
        static const char kDigits[] = "0123456789abcdef";
        unsigned shift = 28;
        while (shift > 0 && (v >> shift) == 0) shift -= 4;
        out[0] = static_cast<uint8_t>(kDigits[(v >> shift) & 0xF]);
        out[1] = shift ? static_cast<uint8_t>(kDigits[(v >> (shift - 4)) & 0xF]) : 0;
    }

    void SendPreset(PtPortHandle* h, const char* text) {
        m_byFrame[8] = 'F';
        Text(text, 4);
        m_byFrame[17] = ';';
        std::memcpy(m_byFrame + 18, "2022", 4);
        LeadingHex(static_cast<unsigned>(m_nPreset) + 99u, m_byFrame + 22);
        m_byFrame[24] = 0x03;
        SendTwice(h, kGapMs, kPresetFrame);
        m_byFrame[8] = '7';
        m_byFrame[17] = 0x03;
    }

    int32_t m_nPreset = 0;
};

CPtProtocol* NewCPtPanasonicV12() { return new (std::nothrow) CPtPanasonicV12(); }
