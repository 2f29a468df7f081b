// Samsung MRX-1000 (index 56). The SCC-641 packet (see SamsungFrame.h)
// with the focus and zoom directions swapped, an auto-pan that also
// switches off, and three power switches, each of which sends the same
// packet whether asked for on or off.
#include "protocols/PtFactories.h"
#include "protocols/SamsungFrame.h"

namespace {

using namespace samsung;

constexpr Row kCommands[] = {
    {PT_UP, {0x01, 0x00, 0x04, 0x20, 0x20}},
    {PT_UP_RIGHT, {0x01, 0x00, 0x06, 0x20, 0x20}},
    {PT_RIGHT, {0x01, 0x00, 0x02, 0x20, 0x20}},
    {PT_DOWN_RIGHT, {0x01, 0x00, 0x0A, 0x20, 0x20}},
    {PT_DOWN, {0x01, 0x00, 0x08, 0x20, 0x20}},
    {PT_DOWN_LEFT, {0x01, 0x00, 0x09, 0x20, 0x20}},
    {PT_LEFT, {0x01, 0x00, 0x01, 0x20, 0x20}},
    {PT_UP_LEFT, {0x01, 0x00, 0x05, 0x20, 0x20}},
    {PT_FOCUS_NEAR, {0x01, 0x01, 0x00, 0x20, 0x20}},
    {PT_FOCUS_FAR, {0x01, 0x02, 0x00, 0x20, 0x20}},
    {PT_ZOOM_TELE, {0x01, 0x40, 0x00, 0x20, 0x20}},
    {PT_ZOOM_WIDE, {0x01, 0x20, 0x00, 0x20, 0x20}},
    {PT_STOP, {0x01, 0x00, 0x00, 0x20, 0x20}},
    {PT_LENS_STOP, {0x01, 0x00, 0x00, 0x20, 0x20}},
    {PT_PRESET_SET, {0x03, 0x50, kPreset, 0xFF, 0xFF}},
    {PT_PRESET_CLEAR, {0x03, 0x51, kPreset, 0xFF, 0xFF}},
    {PT_PRESET_GOTO, {0x03, 0x19, kPreset, 0xFF, 0xFF}},
};

constexpr int16_t kAutoPanOn[5] = {0x03, 0x1A, 0x01, 0xFF, 0xFF};
constexpr int16_t kAutoPanOff[5] = {0x03, 0x1A, 0x00, 0xFF, 0xFF};
constexpr int16_t kCameraPower[5] = {0x03, 0x0D, 0x00, 0x00, 0x00};
constexpr int16_t kLampPower[5] = {0x03, 0x0E, 0x00, 0x00, 0x00};
constexpr int16_t kAuxPower[5] = {0x03, 0x0F, 0x00, 0x00, 0x00};

}  // namespace

class CPtSamsungMRX1000 : public CPtSamsungFrame {
public:
    PT_SHOW_MESSAGE("[CPtSamsungMRX1000]")

    void SetCmd(PtPortHandle* h, int code) override { Command<kCommands>(h, code); }
    void SetAutoPan(PtPortHandle* h, int on) override { Send(h, on ? kAutoPanOn : kAutoPanOff); }
    void SetCameraPower(PtPortHandle* h, int) override { Send(h, kCameraPower); }
    void SetLampPower(PtPortHandle* h, int) override { Send(h, kLampPower); }
    void SetAuxPower(PtPortHandle* h, int) override { Send(h, kAuxPower); }
};

CPtProtocol* NewCPtSamsungMRX1000() { return new (std::nothrow) CPtSamsungMRX1000(); }
