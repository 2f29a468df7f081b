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

// Byte sources in a row; 0..255 are literal bytes.
enum : int16_t { kKept = -1, kPreset = -2 };

struct Row {
    int code;
    int16_t bytes[5];  // group, command1, command2, data1, data2
};

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
    template <size_t N>
    void Command(const samsung::Row (&table)[N], PtPortHandle* h, int code) {
        const samsung::Row* row = FindRow(table, code);
        Send(h, row ? row->bytes : samsung::kUnlisted);
    }

    void Send(PtPortHandle* h, const int16_t (&bytes)[5]) {
        for (int i = 0; i < 5; ++i) {
            if (bytes[i] == samsung::kKept) continue;
            m_byPacket[3 + i] =
                static_cast<uint8_t>(bytes[i] == samsung::kPreset ? m_nPreset : bytes[i]);
        }
        m_byPacket[8] = ptcheck::ComplementSum(m_byPacket, 1, 7);
        Out(*this, h).Put(m_byPacket);
    }

private:
    uint32_t m_nPreset = 0;
    uint8_t m_byPacket[9] = {};
};
