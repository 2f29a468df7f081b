// Dyna receiver (index 0). Six-byte packets:
//   address  00  command  data  data  xor(0..4)
// Movement is command 18 with direction 00 right, 01 left, 02 up, 03 down.
// The receiver moves one axis per packet: a diagonal is the pan packet,
// 100 ms, then the tilt packet. Its stop has to name what is moving, so
// the last movement code is kept in "DynaPT.log" in the Windows directory
// (shared by every process on the machine, so it outlives the channel).
// Failures of that file are ignored: the packets go out all the same.
#include <initializer_list>
#include <string>

#include "protocols/PtFactories.h"
#include "platform/Platform.h"
#include "protocol/PtCodeFile.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

struct Row {
    int code;
    uint8_t first[3];   // bytes 2..4 of the first packet
    uint8_t second[3];  // bytes 2..4 of the second; 00 00 00 = no second packet
};

constexpr Row kCommands[] = {
    {PT_UP, {0x18, 0x02, 0x04}, {}},
    {PT_UP_RIGHT, {0x18, 0x00, 0x04}, {0x18, 0x02, 0x04}},
    {PT_RIGHT, {0x18, 0x00, 0x04}, {}},
    {PT_DOWN_RIGHT, {0x18, 0x00, 0x04}, {0x18, 0x03, 0x04}},
    {PT_DOWN, {0x18, 0x03, 0x04}, {}},
    {PT_DOWN_LEFT, {0x18, 0x01, 0x04}, {0x18, 0x03, 0x04}},
    {PT_LEFT, {0x18, 0x01, 0x04}, {}},
    {PT_UP_LEFT, {0x18, 0x01, 0x04}, {0x18, 0x02, 0x04}},
    {PT_FOCUS_NEAR, {0x25, 0x00, 0x00}, {}},
    {PT_FOCUS_FAR, {0x25, 0x01, 0x00}, {}},
    {PT_ZOOM_TELE, {0x24, 0x01, 0x00}, {}},
    {PT_ZOOM_WIDE, {0x24, 0x00, 0x00}, {}},
    {PT_LENS_STOP, {0x00, 0x02, 0x04}, {}},
};

// PT_STOP, chosen by the last movement code in the log.
constexpr Row kStops[] = {
    {PT_UP, {0x14, 0x00, 0x00}, {}},
    {PT_DOWN, {0x14, 0x00, 0x00}, {}},
    {PT_RIGHT, {0x13, 0x00, 0x00}, {}},
    {PT_LEFT, {0x13, 0x00, 0x00}, {}},
    {PT_UP_RIGHT, {0x13, 0x00, 0x00}, {0x14, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {0x13, 0x00, 0x00}, {0x14, 0x00, 0x00}},
    {PT_DOWN_LEFT, {0x13, 0x00, 0x00}, {0x14, 0x00, 0x00}},
    {PT_UP_LEFT, {0x13, 0x00, 0x00}, {0x14, 0x00, 0x00}},
    {PT_FOCUS_NEAR, {0x25, 0x04, 0x00}, {}},
    {PT_FOCUS_FAR, {0x25, 0x04, 0x00}, {}},
    {PT_ZOOM_TELE, {0x24, 0x04, 0x00}, {}},
    {PT_ZOOM_WIDE, {0x24, 0x04, 0x00}, {}},
};

// The stop for any other logged value. An empty or unreadable log (as
// right after the open created it) has no code, so it gets this one too.
const Row kGenericStop = {PT_STOP, {0x12, 0x00, 0x00}, {}};

constexpr unsigned kAxisGapMs = 100;

std::string LogPath() { return platform::JoinPath(platform::WindowsDirectory(), "DynaPT.log"); }

void WriteLastCode(int code) { ptcodefile::Write(LogPath(), code); }

int ReadLastCode() {
    int32_t code = -1;
    return ptcodefile::Read(LogPath(), code) ? code : -1;
}

}  // namespace

class CPtDyna : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtDyna]")

    void AttachPort(PtPortHandle* h) override {
        for (uint8_t* packet : {m_byFirst, m_bySecond}) {
            packet[0] = static_cast<uint8_t>(h->address);
            packet[1] = 0x00;
        }
        platform::FileEnsureExists(LogPath());
        NoPacket();
    }
    void SetCmd(PtPortHandle* h, int code) override {
        if (code >= PT_UP && code <= PT_ZOOM_WIDE) WriteLastCode(code);
        const Row* row = pttable::Find<kCommands>(code);
        if (code == PT_STOP) {
            row = pttable::Find<kStops>(ReadLastCode());
            if (!row) row = &kGenericStop;
        }
        const bool two = row && row->second[0];
        if (row) Set(m_byFirst, row->first);
        if (two) Set(m_bySecond, row->second);
        // Sealed every time: the attach may have changed the address byte.
        Seal(m_byFirst);
        Seal(m_bySecond);
        Out out(*this, h);
        out.Put(m_byFirst);
        if (two) out.Pause(kAxisGapMs).Put(m_bySecond);
    }

    // Takes the address from its own handle, unlike SetCmd.
    void SetAutoPan(PtPortHandle* h, int on) override {
        static const uint8_t kOn[3] = {0x11, 0x02, 0x00}, kOff[3] = {0x12, 0x00, 0x00};
        m_byFirst[0] = static_cast<uint8_t>(h->address);
        m_byFirst[1] = 0x00;
        Set(m_byFirst, on ? kOn : kOff);
        Seal(m_byFirst);
        Out(*this, h).Put(m_byFirst);
    }

private:
    static void Set(uint8_t (&packet)[6], const uint8_t (&bytes)[3]) {
        for (int i = 0; i < 3; ++i) packet[2 + i] = bytes[i];
    }
    static void Seal(uint8_t (&packet)[6]) { packet[5] = ptcheck::Xor(packet, 0, 4); }

    uint8_t m_byFirst[6] = {};
    uint8_t m_bySecond[6] = {};
};

CPtProtocol* NewCPtDyna() { return new (std::nothrow) CPtDyna(); }
