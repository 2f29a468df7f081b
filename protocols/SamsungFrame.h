// The nine-byte packet of the Samsung SCC-641 and MRX-1000:
//   A0  00  address  group  command1  command2  data1  data2  check
// check = 0xFF minus the sum of bytes 1..7. The header is written only at
// attach and every later packet reuses it; bytes an operation does not
// name keep what the previous packet left.
#pragma once

#include <cstdint>

#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace samsung {

using pttable::kKept;
using pttable::kPreset;

// Bytes 3..7: group, command1, command2, data1, data2.
using Row = pttable::Row<5>;

// What an unlisted code sends: a movement group around the old commands.
constexpr int16_t kUnlisted[5] = {0x01, kKept, kKept, 0x20, 0x20};

}  // namespace samsung

class CPtSamsungFrame : public CPtQuietProtocol {
public:
    // The attach packet goes out with its check byte still 0.
    void AttachPort(PtPortHandle* h) override {
        const uint8_t header[9] = {0xA0, 0x00, static_cast<uint8_t>(h->address)};
        for (int i = 0; i < 9; ++i) m_byPacket[i] = header[i];
        Out(*this, h).Put(m_byPacket);
    }
    void SetPresetNo(int preset) override { m_nPreset = static_cast<uint32_t>(preset); }

protected:
    template <const auto& kTable>
    void Command(PtPortHandle* h, int code) {
        const samsung::Row* row = pttable::Find<kTable>(code);
        Send(h, row ? row->bytes : samsung::kUnlisted);
    }

    // Rows name only the preset.
    void Send(PtPortHandle* h, const int16_t (&bytes)[5]) {
        pttable::Fill(m_byPacket + 3, bytes, [&](pttable::Source) { return static_cast<uint8_t>(m_nPreset); });
        m_byPacket[8] = ptcheck::ComplementSum(m_byPacket, 1, 7);
        Out(*this, h).Put(m_byPacket);
    }

private:
    uint32_t m_nPreset = 0;
    uint8_t m_byPacket[9] = {};
};
