// Samsung SCC-641 (index 14). Nine-byte packets (see SamsungFrame.h).
// Movement and lens commands are group 01 with data 20 20, presets group
// 03 with data FF FF. The auto-pan packet carries 01 whether asked for on
// or off; there is no power control.
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
    {PT_FOCUS_NEAR, {0x01, 0x02, 0x00, 0x20, 0x20}},
    {PT_FOCUS_FAR, {0x01, 0x01, 0x00, 0x20, 0x20}},
    {PT_ZOOM_TELE, {0x01, 0x20, 0x00, 0x20, 0x20}},
    {PT_ZOOM_WIDE, {0x01, 0x40, 0x00, 0x20, 0x20}},
    {PT_STOP, {0x01, 0x00, 0x00, 0x20, 0x20}},
    {PT_LENS_STOP, {0x01, 0x00, 0x00, 0x20, 0x20}},
    {PT_PRESET_SET, {0x03, 0x50, kPreset, 0xFF, 0xFF}},
    {PT_PRESET_CLEAR, {0x03, 0x51, kPreset, 0xFF, 0xFF}},
    {PT_PRESET_GOTO, {0x03, 0x19, kPreset, 0xFF, 0xFF}},
};

constexpr int16_t kAutoPan[5] = {0x03, 0x1A, 0x01, 0xFF, 0xFF};

}  // namespace

class CPtSamsung : public CPtSamsungFrame {
public:
    PT_SHOW_MESSAGE("[CPtSamsung]")

    void SetCmd(PtPortHandle* h, int code) override { Command<kCommands>(h, code); }
    void SetAutoPan(PtPortHandle* h, int) override { Send(h, kAutoPan); }
    void SetCameraPower(PtPortHandle*, int) override { NoPacket(); }
    void SetLampPower(PtPortHandle*, int) override { NoPacket(); }
    void SetAuxPower(PtPortHandle*, int) override { NoPacket(); }
};

CPtProtocol* NewCPtSamsung() { return new (std::nothrow) CPtSamsung(); }
