// The seven-byte Pelco-D frame shared by CPtPelcoD and its two dialects:
//   FF  address  command1  command2  data1  data2  sum(1..5)
// The frame lives in the object; a command sets only the bytes it names.
#pragma once

#include <cstdint>

#include "protocols/QuietProtocol.h"

namespace pelcod {

// Data-byte sources in a command row; values 0..255 are literal bytes.
enum : int16_t { kPan = -1, kTilt = -2, kPreset = -3, kKept = -4 };

struct Row {
    int code;
    int16_t bytes[4];  // command1, command2, data1, data2
};

}  // namespace pelcod

class CPtPelcoDFrame : public CPtQuietProtocol {
public:
    void AttachPort(PtPortHandle* h) override;
    void SetPresetNo(int preset) override { m_nPreset = preset; }

protected:
    template <size_t N>
    bool ApplyCommand(const pelcod::Row (&table)[N], PtPortHandle* h, int code) {
        return Apply(table, N, h, code);
    }
    // Pan/tilt: step, no frame (they go out with the next movement).
    // Zoom/focus: step, then build FF addr 00 25|27 00 speed and return true.
    // Any other axis: nothing at all, not even a capture length.
    bool StepSpeed(int axis, int increase, uint8_t address);
    void Seal();
    // The dialects' sending: one write, and on the line a stop goes twice
    // because their domes miss a single stop now and then.
    void SendOnceStopTwice(PtPortHandle* h, int code);

    uint8_t m_byFrame[7] = {};
    int m_nPreset = 0;
    uint8_t m_byPan = 0x33, m_byTilt = 0x33, m_byZoom = 2, m_byFocus = 2;

private:
    bool Apply(const pelcod::Row* table, size_t n, PtPortHandle* h, int code);
};
