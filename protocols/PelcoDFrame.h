// The seven-byte Pelco-D frame shared by CPtPelcoD and its two dialects:
//   FF  address  command1  command2  data1  data2  sum(1..5)
// The frame lives in the object; a command sets only the bytes it names.
#pragma once

#include <cstdint>

#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace pelcod {

using pttable::kKept;
using pttable::kPan;
using pttable::kPreset;
using pttable::kTilt;

// command1, command2, data1, data2
using Row = pttable::Row<4>;

}  // namespace pelcod

class CPtPelcoDFrame : public CPtQuietProtocol {
public:
    void AttachPort(PtPortHandle* h) override;
    void SetPresetNo(int preset) override { m_nPreset = preset; }

protected:
    // An unknown code resends the previous command with the current address.
    template <const auto& kTable>
    bool ApplyCommand(PtPortHandle* h, int code) {
        return Apply(pttable::Find<kTable>(code), h);
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
    bool Apply(const pelcod::Row* row, PtPortHandle* h);
};
