// Cyber Scan Dome (index 60), a binary cousin of the CNB domes. Seven bytes:
//   A5  address  command  data1  data2  00  sum(0..5)
// A movement's data2 holds pan in its high nibble and tilt in its low one,
// 8 meaning rest and the distance from 8 the speed. Sync and address come
// from the attach; the packet is kept, so a code without a row resends
// the previous command.
#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocol/PtCheck.h"
#include "protocols/QuietProtocol.h"

namespace {

// Movements are 10 0D, then pan nibble + tilt nibble from the speeds.
enum Pan : uint8_t { kPanRest, kPanLeft, kPanRight };
enum Tilt : uint8_t { kTiltRest, kTiltDown, kTiltUp };

struct Move {
    int code;
    Pan pan;
    Tilt tilt;
};

constexpr Move kMoves[] = {
    {PT_UP, kPanRest, kTiltUp},       {PT_UP_RIGHT, kPanRight, kTiltUp},
    {PT_RIGHT, kPanRight, kTiltRest}, {PT_DOWN_RIGHT, kPanRight, kTiltDown},
    {PT_DOWN, kPanRest, kTiltDown},   {PT_DOWN_LEFT, kPanLeft, kTiltDown},
    {PT_LEFT, kPanLeft, kTiltRest},   {PT_UP_LEFT, kPanLeft, kTiltUp},
};

// In data bytes: kPresetHigh is preset >> 4, kPresetLow preset & 0F,
// kPresetClear preset >> 4 | 40.
using pttable::kPresetClear;
using pttable::kPresetHigh;
using pttable::kPresetLow;

using Row = pttable::Row<3>;  // command, data1, data2

constexpr Row kCommands[] = {
    {PT_FOCUS_NEAR, {0x10, 0x03, 0x00}},
    {PT_FOCUS_FAR, {0x10, 0x04, 0x00}},
    {PT_ZOOM_TELE, {0x10, 0x0E, 0x00}},
    {PT_ZOOM_WIDE, {0x10, 0x0B, 0x00}},
    {PT_STOP, {0x10, 0x0D, 0x88}},
    {PT_LENS_STOP, {0x10, 0x0D, 0x88}},
    {PT_PRESET_SET, {0x25, kPresetHigh, kPresetLow}},
    {PT_PRESET_CLEAR, {0x11, kPresetClear, kPresetLow}},
    {PT_PRESET_GOTO, {0x11, kPresetHigh, kPresetLow}},
    {PT_IRIS_CLOSE, {0x10, 0x05, 0x00}},
    {PT_IRIS_OPEN, {0x10, 0x06, 0x00}},
};

// Auto-scan values 0 to 3; 0 and 2 carry the scan number as two nibbles.
struct ScanRow {
    uint8_t command;
    bool numbered;
};
const ScanRow kScans[] = {{0x32, true}, {0x33, false}, {0x17, true}, {0x1D, false}};

const uint8_t kZoomSpeedCommand = 0x56;  // "V"

// Speed nibbles: the rest value 8 plus or minus 1 to 7.
constexpr int kRightMin = 0x90, kRightMax = 0xF0, kLeftMin = 0x10, kLeftMax = 0x70;
constexpr int kUpMin = 0x09, kUpMax = 0x0F, kDownMin = 0x01, kDownMax = 0x07;

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

class CPtCyberScan : public CPtQuietProtocol {
public:
    // The CNB-SMART tag on purpose: the dome came out of CNB's line, and
    // hosts that match message text already know it under that tag.
    PT_SHOW_MESSAGE("[CPtCNB_SMART]")

    void AttachPort(PtPortHandle* h) override {
        m_byPacket[0] = 0xA5;
        m_byPacket[1] = static_cast<uint8_t>(h->address);
        NoPacket();
    }

    void SetPresetNo(int preset) override { m_nPreset = preset; }
    void SetAutoScanNo(int scan) override { m_nScan = scan; }

    void SetCmd(PtPortHandle* h, int code) override {
        if (const Move* m = pttable::Find<kMoves>(code)) Set(0x10, 0x0D, Nibbles(*m));
        if (const Row* r = pttable::Find<kCommands>(code)) {
            pttable::Fill(m_byPacket + 2, r->bytes, [this](pttable::Source src) { return Data(src); });
            m_byPacket[5] = 0x00;
        }
        Send(h);
    }

    // Values past the list resend the previous packet.
    void SetAutoScan(PtPortHandle* h, int value) override {
        if (value >= 0 && value < 4) {
            const ScanRow& s = kScans[value];
            Set(s.command, s.numbered ? static_cast<uint8_t>(m_nScan >> 4) : 0x00,
                s.numbered ? static_cast<uint8_t>(m_nScan & 0x0F) : 0x00);
        }
        Send(h);
    }

    // Pan and tilt speeds go out with the next movement; only the zoom
    // speed has a packet of its own.
    void SetSpeedCtrl(PtPortHandle* h, int axis, int increase) override {
        const int step = increase ? 1 : -1;
        switch (axis) {
            case PT_AXIS_PAN:
                m_byRight = static_cast<uint8_t>(Clamp(m_byRight + 0x10 * step, kRightMin, kRightMax));
                m_byLeft = static_cast<uint8_t>(Clamp(m_byLeft - 0x10 * step, kLeftMin, kLeftMax));
                return NoPacket();
            case PT_AXIS_TILT:
                m_byUp = static_cast<uint8_t>(Clamp(m_byUp + step, kUpMin, kUpMax));
                m_byDown = static_cast<uint8_t>(Clamp(m_byDown - step, kDownMin, kDownMax));
                return NoPacket();
            case PT_AXIS_ZOOM:
                m_byZoom = static_cast<uint8_t>(StepSpeed(m_byZoom, increase, 1, 15));
                Set(kZoomSpeedCommand, m_byZoom, 0x00);
                return Send(h);
            default: return NoPacket();
        }
    }

private:
    uint8_t Nibbles(const Move& m) const {
        const uint8_t pan = m.pan == kPanRight ? m_byRight : m.pan == kPanLeft ? m_byLeft : 0x80;
        const uint8_t tilt = m.tilt == kTiltUp ? m_byUp : m.tilt == kTiltDown ? m_byDown : 0x08;
        return static_cast<uint8_t>(pan + tilt);
    }

    uint8_t Data(pttable::Source source) const {
        switch (source) {
            case kPresetHigh: return static_cast<uint8_t>(m_nPreset >> 4);
            case kPresetLow: return static_cast<uint8_t>(m_nPreset & 0x0F);
            default: return static_cast<uint8_t>((m_nPreset >> 4) | 0x40);  // kPresetClear
        }
    }

    void Set(uint8_t command, uint8_t data1, uint8_t data2) {
        m_byPacket[2] = command;
        m_byPacket[3] = data1;
        m_byPacket[4] = data2;
        m_byPacket[5] = 0x00;
    }

    void Send(PtPortHandle* h) {
        m_byPacket[6] = ptcheck::Sum(m_byPacket, 0, 5);
        Out(*this, h).Put(m_byPacket);
    }

    uint8_t m_byPacket[7] = {};
    int m_nPreset = 0;
    int m_nScan = 0;
    uint8_t m_byLeft = 0x50, m_byRight = 0xD0, m_byDown = 0x05, m_byUp = 0x0D, m_byZoom = 0x0F;
};

CPtProtocol* NewCPtCyberScan() { return new (std::nothrow) CPtCyberScan(); }
