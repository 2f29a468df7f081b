// LG LPT-SD163HM speed dome (index 54). Eight-byte packets:
//   AA  command  data  data  00  00  address  sum(0..6)
// The address is set once at attach. The dome moves one axis per packet,
// so a diagonal is two packets (up-right = up, then right), and a stop is
// a pan/tilt stop followed by a lens stop. Two packets are two writes on
// the line and one 16-byte block in capture.
#include <initializer_list>

#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

// Byte 2 of a preset row: the preset number's low byte.
using pttable::kPreset;

struct Row {
    int code;
    int16_t first[3];   // bytes 1..3 of the first packet
    uint8_t second[2];  // bytes 1..2 of the second packet; 00 00 = none
};

constexpr Row kCommands[] = {
    {PT_UP, {0x9B, 0x80, 0x00}, {}},
    {PT_UP_RIGHT, {0x9B, 0x80, 0x00}, {0x99, 0x80}},
    {PT_RIGHT, {0x99, 0x80, 0x00}, {}},
    {PT_DOWN_RIGHT, {0x99, 0x80, 0x00}, {0x9D, 0x80}},
    {PT_DOWN, {0x9D, 0x80, 0x00}, {}},
    {PT_DOWN_LEFT, {0x9D, 0x80, 0x00}, {0x97, 0x80}},
    {PT_LEFT, {0x97, 0x80, 0x00}, {}},
    {PT_UP_LEFT, {0x97, 0x80, 0x00}, {0x9B, 0x80}},
    {PT_FOCUS_NEAR, {0x5F, 0x09, 0x00}, {}},
    {PT_FOCUS_FAR, {0x5F, 0x08, 0x00}, {}},
    {PT_ZOOM_TELE, {0x5F, 0x01, 0x00}, {}},
    {PT_ZOOM_WIDE, {0x5F, 0x03, 0x00}, {}},
    {PT_STOP, {0xE5, 0x00, 0x00}, {0x5F, 0x0C}},
    {PT_LENS_STOP, {0xE5, 0x00, 0x00}, {0x5F, 0x0C}},
    {PT_PRESET_SET, {0xD5, kPreset, 0x01}, {}},
    {PT_PRESET_CLEAR, {0xD6, kPreset, 0x00}, {}},
    {PT_PRESET_GOTO, {0xD7, kPreset, 0x00}, {}},
};

const Row kUnlisted = {-1, {0x00, 0x00, 0x00}, {}};

}  // namespace

class CPtLG_SD163 : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtLG_SD163]")

    void AttachPort(PtPortHandle* h) override {
        for (uint8_t* packet : {m_byFirst, m_bySecond}) {
            for (int i = 0; i < 8; ++i) packet[i] = 0;
            packet[0] = 0xAA;
            packet[6] = static_cast<uint8_t>(h->address);
        }
        NoPacket();
    }
    void SetPresetNo(int preset) override { m_nPreset = preset; }
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* found = pttable::Find<kCommands>(code);
        const Row& row = found ? *found : kUnlisted;
        Clear(m_byFirst);
        Clear(m_bySecond);
        pttable::Fill(m_byFirst + 1, row.first, [this](pttable::Source) { return static_cast<uint8_t>(m_nPreset); });
        m_bySecond[1] = row.second[0];
        m_bySecond[2] = row.second[1];
        Seal(m_byFirst);
        Seal(m_bySecond);
        Out out(*this, h);
        out.Put(m_byFirst, 8);
        if (row.second[0]) out.Put(m_bySecond, 8);
    }

    void SetAutoPan(PtPortHandle* h, int on) override { SendFirst(h, on ? 0xB6 : 0xE5, on ? 0x00 : 0x01); }
    void SetCameraPower(PtPortHandle* h, int on) override { SendFirst(h, on ? 0x3A : 0x3E); }
    // Lamp and auxiliary are one switch on this dome: the same packet.
    void SetLampPower(PtPortHandle* h, int on) override { SendFirst(h, on ? 0xFE : 0xFF); }
    void SetAuxPower(PtPortHandle* h, int on) override { SendFirst(h, on ? 0xFE : 0xFF); }

private:
    static void Clear(uint8_t* packet) {
        for (int i = 1; i <= 5; ++i) packet[i] = 0;
    }
    static void Seal(uint8_t* packet) { packet[7] = ptcheck::Sum(packet, 0, 6); }

    void SendFirst(PtPortHandle* h, uint8_t command, uint8_t data = 0x00) {
        Clear(m_byFirst);
        m_byFirst[1] = command;
        m_byFirst[2] = data;
        Seal(m_byFirst);
        Out(*this, h).Put(m_byFirst, 8);
    }

    int m_nPreset = 0;
    uint8_t m_byFirst[8] = {};
    uint8_t m_bySecond[8] = {};
};

CPtProtocol* NewCPtLG_SD163() { return new (std::nothrow) CPtLG_SD163(); }
