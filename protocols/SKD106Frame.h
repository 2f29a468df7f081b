// The 16-byte frame of the SK-D106 dome and its reversed twin:
//   02  address  letter letter  p4 p5 p6 00 zoom  00 x5  sum(1..13)  04
// The frame lives in the object: a code without a row, or auto-pan,
// resends what the previous command left (with a fresh address and sum).
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocols/PtTable.h"
#include "protocols/QuietProtocol.h"

namespace skd106 {

using pttable::kPreset;

struct Row {
    int code;
    char letters[2];
    int16_t bytes[5];  // p4 p5 p6 00 zoom
};

using Finder = const Row* (*)(int code);

}  // namespace skd106

class CPtSKD106Frame : public CPtQuietProtocol {
public:
    void AttachPort(PtPortHandle* h) override;
    void SetPresetNo(int preset) override { m_nPreset = preset; }
    void SetCmd(PtPortHandle* h, int code) override;
    void SetAutoPan(PtPortHandle* h, int on) override;

protected:
    // moves: the class's pan/tilt rows; captureBothStops: whether a
    // capture of a stop holds both copies that go on the line.
    CPtSKD106Frame(skd106::Finder findMove, bool captureBothStops)
        : m_findMove(findMove), m_bCaptureBothStops(captureBothStops) {}

private:
    const skd106::Row* Find(int code) const;
    void Address(PtPortHandle* h);

    skd106::Finder m_findMove;
    bool m_bCaptureBothStops;
    int m_nPreset = 0;
    uint8_t m_byFrame[16] = {};
};
