// Pelco-D as spoken by D-Max and Cynix domes (index 42): one write per
// frame, stops written twice on the line, zoom and stop clear the data.
#include "protocols/PelcoDFrame.h"

#include "protocols/PtFactories.h"

namespace {

using namespace pelcod;

constexpr Row kCommands[] = {
    {PT_UP, {0x00, 0x08, kPan, kTilt}},
    {PT_UP_RIGHT, {0x00, 0x0A, kPan, kTilt}},
    {PT_RIGHT, {0x00, 0x02, kPan, kTilt}},
    {PT_DOWN_RIGHT, {0x00, 0x12, kPan, kTilt}},
    {PT_DOWN, {0x00, 0x10, kPan, kTilt}},
    {PT_DOWN_LEFT, {0x00, 0x14, kPan, kTilt}},
    {PT_LEFT, {0x00, 0x04, kPan, kTilt}},
    {PT_UP_LEFT, {0x00, 0x0C, kPan, kTilt}},
    {PT_FOCUS_NEAR, {0x01, 0x00, 0x00, 0x00}},
    {PT_FOCUS_FAR, {0x00, 0x80, 0x00, 0x00}},
    {PT_ZOOM_TELE, {0x00, 0x20, 0x00, 0x00}},
    {PT_ZOOM_WIDE, {0x00, 0x40, 0x00, 0x00}},
    {PT_STOP, {0x00, 0x00, 0x00, 0x00}},
    {PT_LENS_STOP, {0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_SET, {0x00, 0x03, 0x00, kPreset}},
    {PT_PRESET_CLEAR, {0x00, 0x05, 0x00, kPreset}},
    {PT_PRESET_GOTO, {0x00, 0x07, 0x00, kPreset}},
    {PT_SPECIAL_GOTO, {0x00, 0x07, kPan, kTilt}},
    {PT_IRIS_CLOSE, {0x04, 0x00, 0x00, 0x00}},
    {PT_IRIS_OPEN, {0x02, 0x00, 0x00, 0x00}},
    {PT_IRIS_AUTO, {0x00, 0x2D, 0x00, 0x00}},
    {PT_ZONE_START, {0x00, 0x11, 0x00, kPreset}},
    {PT_ZONE_END, {0x00, 0x13, 0x00, kPreset}},
};

}  // namespace

class CPtPelcoD_CYNIX : public CPtPelcoDFrame {
public:
    PT_SHOW_MESSAGE("[CPtPelcoD_CYNIX]")

    void SetCmd(PtPortHandle* h, int code) override {
        ApplyCommand<kCommands>(h, code);
        SendOnceStopTwice(h, code);
    }

    void SetSpeedCtrl(PtPortHandle* h, int axis, int increase) override {
        if (StepSpeed(axis, increase, static_cast<uint8_t>(h->address)))
            Out(*this, h).Put(m_byFrame).Pause(10);
    }
};

CPtProtocol* NewCPtPelcoD_CYNIX() { return new (std::nothrow) CPtPelcoD_CYNIX(); }
