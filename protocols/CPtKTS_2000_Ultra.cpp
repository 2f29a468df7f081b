// KTS-2000 UltraDome (index 39): six-byte frames
//   02  address+0x80  command(2)  (b1 ^ b2 ^ b3) | 0x80  03
// A stop right after a lens command must be the lens stop (M 80); a preset
// store is confirmed at once by a second frame (I 85). Codes without a row
// resend the previous command.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

using pttable::kPreset;  // here the preset number + 0x80

struct Row {
    int code;
    uint8_t command1;
    int16_t command2;
    bool lens;
};

constexpr Row kCommands[] = {
    {PT_UP, 'R', 'U', false},
    {PT_RIGHT, 'R', 'R', false},
    {PT_DOWN, 'R', 'D', false},
    {PT_LEFT, 'R', 'L', false},
    {PT_FOCUS_NEAR, 'M', 0x88, true},
    {PT_FOCUS_FAR, 'M', 0x90, true},
    {PT_ZOOM_TELE, 'M', 0x82, true},
    {PT_ZOOM_WIDE, 'M', 0x84, true},
    {PT_PRESET_SET, 'S', kPreset, false},
    {PT_PRESET_CLEAR, 'A', 'S', false},
    {PT_PRESET_GOTO, 'A', 'R', false},
};

const uint8_t kLensStop[2] = {'M', 0x80};
const uint8_t kStop[2] = {'S', 'M'};
const uint8_t kPresetConfirm[2] = {'I', 0x85};
const uint8_t kLamp[2] = {'S', 'H'};
const uint8_t kAux[2] = {'S', 'L'};
const uint8_t kAutoPanOn[2] = {'A', 'T'};
const uint8_t kAutoPanOff[2] = {'S', 'M'};

}  // namespace

class CPtKTS_2000_Ultra : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtKTS_2000_Ultra]")
    void SetPresetNo(int preset) override { m_nPreset = preset; }

    void SetCmd(PtPortHandle* h, int code) override {
        SetAddress(h);
        if (code == PT_STOP || code == PT_LENS_STOP) {
            SetCommand(m_bLens ? kLensStop : kStop);
            m_bLens = false;
        } else if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byFrame[2] = row->command1;
            m_byFrame[3] = row->command2 == kPreset ? static_cast<uint8_t>(m_nPreset + 0x80)
                                                         : static_cast<uint8_t>(row->command2);
            m_bLens = row->lens;
            if (code == PT_PRESET_SET) m_bPresetStored = true;
        }
        Seal();
        Out out(*this, h);
        out.Put(m_byFrame);
        if (m_bPresetStored) {
            SetCommand(kPresetConfirm);
            Seal();
            out.Put(m_byFrame);
            m_bPresetStored = false;
        }
    }
    // Lamp and aux have one command each; the argument does not reach the wire.
    void SetLampPower(PtPortHandle* h, int) override { SendCommand(h, kLamp); }
    void SetAuxPower(PtPortHandle* h, int) override { SendCommand(h, kAux); }
    void SetAutoPan(PtPortHandle* h, int on) override {
        SendCommand(h, on ? kAutoPanOn : kAutoPanOff);
    }
private:
    void SetAddress(PtPortHandle* h) {
        m_byFrame[0] = 0x02;
        m_byFrame[1] = static_cast<uint8_t>(h->address + 0x80);
    }
    void SetCommand(const uint8_t (&command)[2]) {
        m_byFrame[2] = command[0];
        m_byFrame[3] = command[1];
    }
    void Seal() {
        m_byFrame[4] = static_cast<uint8_t>(ptcheck::Xor(m_byFrame, 1, 3) | 0x80);
        m_byFrame[5] = 0x03;
    }
    void SendCommand(PtPortHandle* h, const uint8_t (&command)[2]) {
        SetAddress(h);
        SetCommand(command);
        Seal();
        Out(*this, h).Put(m_byFrame);
    }

    int m_nPreset = 0;
    bool m_bLens = false;
    bool m_bPresetStored = false;
    uint8_t m_byFrame[6] = {};
};

CPtProtocol* NewCPtKTS_2000_Ultra() { return new (std::nothrow) CPtKTS_2000_Ultra(); }
