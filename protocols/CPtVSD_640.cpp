// VSD_640 dome (index 37). Six bytes, no check:
//   address command p1 p2 p3 p4
// In movement and lens frames each axis byte is 0x80 still, 0xA0 one way
// and 0x60 the other (pan, tilt, focus, zoom). The frame lives in the
// object: a code without a row resends the previous command with the
// current address, and the switches keep bytes 4 and 5.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace {

using pttable::kPreset;

using Row = pttable::Row<5>;  // bytes 1 to 5

constexpr Row kCommands[] = {
    {PT_UP, {0x02, 0x80, 0xA0, 0x80, 0x80}},
    {PT_UP_RIGHT, {0x02, 0xA0, 0xA0, 0x80, 0x80}},
    {PT_RIGHT, {0x02, 0xA0, 0x80, 0x80, 0x80}},
    {PT_DOWN_RIGHT, {0x02, 0xA0, 0x60, 0x80, 0x80}},
    {PT_DOWN, {0x02, 0x80, 0x60, 0x80, 0x80}},
    {PT_DOWN_LEFT, {0x02, 0x60, 0x60, 0x80, 0x80}},
    {PT_LEFT, {0x02, 0x60, 0x80, 0x80, 0x80}},
    {PT_UP_LEFT, {0x02, 0x60, 0xA0, 0x80, 0x80}},
    {PT_FOCUS_NEAR, {0x02, 0x80, 0x80, 0xA0, 0x80}},
    {PT_FOCUS_FAR, {0x02, 0x80, 0x80, 0x60, 0x80}},
    {PT_ZOOM_TELE, {0x02, 0x80, 0x80, 0x80, 0xA0}},
    {PT_ZOOM_WIDE, {0x02, 0x80, 0x80, 0x80, 0x60}},
    {PT_STOP, {0x02, 0x80, 0x80, 0x80, 0x80}},
    {PT_LENS_STOP, {0x02, 0x80, 0x80, 0x80, 0x80}},
    {PT_PRESET_SET, {0x03, kPreset, 0x00, 0x00, 0x00}},
    {PT_PRESET_CLEAR, {0x07, kPreset, 0x00, 0x00, 0x00}},
    {PT_PRESET_GOTO, {0x01, kPreset, 0x00, 0x00, 0x00}},
};

constexpr uint8_t kAutoPanOn[5] = {0x60, 0x98, 0x68, 0x78, 0x00};
constexpr uint8_t kAutoPanOff[5] = {0x61, 0x00, 0x00, 0x00, 0x00};

// Output switches: command A0 and the output number.
constexpr uint8_t kOutputCall = 0xA0;
constexpr uint8_t kAux = 0x01, kCamera = 0x02, kLamp = 0x03;

}  // namespace

class CPtVSD_640 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtVSD_640]")

    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Row* row = pttable::Find<kCommands>(code)) {
            pttable::Fill(m_byFrame + 1, row->bytes, [this](pttable::Source) { return static_cast<uint8_t>(m_nPreset); });
        }
        Send(h);
    }

    void SetCameraPower(PtPortHandle* h, int on) override { Output(h, kCamera, on); }
    void SetLampPower(PtPortHandle* h, int on) override { Output(h, kLamp, on); }
    void SetAuxPower(PtPortHandle* h, int on) override { Output(h, kAux, on); }

    void SetAutoPan(PtPortHandle* h, int on) override {
        const uint8_t* body = on ? kAutoPanOn : kAutoPanOff;
        for (int i = 0; i < 5; ++i) m_byFrame[1 + i] = body[i];
        Send(h);
    }

private:
    void Output(PtPortHandle* h, uint8_t output, int on) {
        m_byFrame[1] = kOutputCall;
        m_byFrame[2] = output;
        m_byFrame[3] = on ? 1 : 0;
        Send(h);
    }

    void Send(PtPortHandle* h) {
        m_byFrame[0] = static_cast<uint8_t>(h->address);
        Out(*this, h).Put(m_byFrame);
    }

    int m_nPreset = 0;
    uint8_t m_byFrame[6] = {};
};

CPtProtocol* NewCPtVSD_640() { return new (std::nothrow) CPtVSD_640(); }
