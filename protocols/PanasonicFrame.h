// The Panasonic text frame, 18 bytes:
//   STX "AD0" address ";GC7:" seven command characters ETX
// The header goes in at open (or close) and every later frame reuses it;
// commands rewrite only the seven characters. Each frame goes on the line
// twice with a short gap; capture keeps one copy.
#pragma once

#include <cstdint>
#include <cstring>

#include "protocols/QuietProtocol.h"

class CPtPanasonicFrame : public CPtQuietProtocol {
protected:
    static constexpr size_t kFrame = 18;

    void Header(uint8_t addressChar) {
        std::memcpy(m_byFrame, "\x02" "AD0", 4);
        m_byFrame[4] = addressChar;
        std::memcpy(m_byFrame + 5, ";GC7:", 5);
        m_byFrame[17] = 0x03;
    }
    // Writes characters into the command field, from its offset within it.
    void Text(const char* text, size_t at = 0) {
        std::memcpy(m_byFrame + 10 + at, text, std::strlen(text));
    }
    void SendTwice(PtPortHandle* h, unsigned gapMs, size_t n = kFrame) {
        Out(*this, h).Put(m_byFrame, n).Pause(gapMs).Repeat(m_byFrame, n);
    }

    // Bytes 18 and up are only used by the V12 preset frame.
    uint8_t m_byFrame[26] = {};
    int32_t m_bLens = 0;
};
