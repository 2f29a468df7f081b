// Serim (index 8): six-byte frames
//   FC command address data command+address+data+0x80 FD
// data is 01 to run, 00 to stop. The stop must name the motion it stops, so
// the last command code is kept in "c:\windows\PTINI.INI" (a 4-byte
// little-endian integer at offset 0), which outlives the object and the
// process. The library never creates that file; without it a stop stops
// whatever this object sent last.
#include <string>

#include "protocols/PtFactories.h"
#include "platform/Platform.h"
#include "protocol/PtCodeFile.h"
#include "protocols/QuietProtocol.h"
#include "protocols/PtTable.h"

namespace {

using Row = pttable::CommandRow;

constexpr Row kCommands[] = {
    {PT_UP, 0x80},         {PT_UP_RIGHT, 0x0A},   {PT_RIGHT, 0x86},      {PT_DOWN_RIGHT, 0x12},
    {PT_DOWN, 0x82},       {PT_DOWN_LEFT, 0x14},  {PT_LEFT, 0x84},       {PT_UP_LEFT, 0x0C},
    {PT_FOCUS_NEAR, 0x94}, {PT_FOCUS_FAR, 0x96},  {PT_ZOOM_TELE, 0x90},  {PT_ZOOM_WIDE, 0x92},
};

constexpr uint8_t kAttachCommand = 0x98, kAutoPanCommand = 0x8E;

std::string LastCommandFile() { return platform::FixedWindowsPath("c:\\windows\\PTINI.INI"); }

bool ReadLastCode(int32_t& code) { return ptcodefile::Read(LastCommandFile(), code); }
void WriteLastCode(int32_t code) { ptcodefile::Write(LastCommandFile(), code); }

}  // namespace

class CPtSerim : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtSerim]")

    // The attach frame addresses the camera one up.
    void AttachPort(PtPortHandle* h) override {
        m_byStart = 0xFC;
        m_byAddress = static_cast<uint8_t>(h->address);
        m_byEnd = 0xFD;
        Send(h, kAttachCommand, static_cast<uint8_t>(m_byAddress + 1), 0x00);
    }
    // File errors are silent: the frame goes out regardless.
    void SetCmd(PtPortHandle* h, int code) override {
        int32_t last = 0;
        if (code == PT_STOP && ReadLastCode(last)) {
            if (const Row* row = pttable::Find<kCommands>(last)) m_byCommand = row->command;
        }
        WriteLastCode(code);

        m_byData = 0x01;
        if (const Row* row = pttable::Find<kCommands>(code)) {
            m_byCommand = row->command;
        } else if (code == PT_STOP) {
            m_byData = 0x00;
        } else if (code == PT_LENS_STOP) {
            m_byCommand = 0x00;
        }
        m_byCheck = Check(m_byCommand, m_byAddress, m_byData);
        const uint8_t frame[6] = {m_byStart, m_byCommand, m_byAddress, m_byData, m_byCheck, m_byEnd};
        Out(*this, h).Put(frame);
    }
    // One toggle: on and off send the same frame, to the handle's address.
    void SetAutoPan(PtPortHandle* h, int) override {
        Send(h, kAutoPanCommand, static_cast<uint8_t>(h->address), 0x00);
    }
private:
    static uint8_t Check(uint8_t command, uint8_t address, uint8_t data) {
        return static_cast<uint8_t>(command + address + data + 0x80);
    }
    // A frame that leaves the stored command, data and check bytes alone.
    void Send(PtPortHandle* h, uint8_t command, uint8_t address, uint8_t data) {
        const uint8_t frame[6] = {0xFC, command, address, data, Check(command, address, data), 0xFD};
        Out(*this, h).Put(frame);
    }

    uint8_t m_byStart = 0, m_byCommand = 0, m_byAddress = 0, m_byEnd = 0, m_byData = 0, m_byCheck = 0;
};

CPtProtocol* NewCPtSerim() { return new (std::nothrow) CPtSerim(); }
