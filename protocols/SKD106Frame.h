// The 16-byte frame of the SK-D106 dome and its reversed twin:
//   02  address  letter letter  p4 p5 p6 00 zoom  00 x5  sum(1..13)  04
// The frame lives in the object: a code without a row, or auto-pan,
// resends what the previous command left (with a fresh address and sum).
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocols/QuietProtocol.h"

namespace skd106 {

// Parameter bytes in a row; other values are literal bytes.
enum : int16_t { kPreset = -1 };

struct Row {
    int code;
    char letters[2];
    int16_t p4, p5, p6, zoom;
};

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
    CPtSKD106Frame(const skd106::Row* moves, size_t count, bool captureBothStops)
        : m_pMoves(moves), m_nMoves(count), m_bCaptureBothStops(captureBothStops) {}

private:
    const skd106::Row* Find(int code) const;
    void Address(PtPortHandle* h);

    const skd106::Row* m_pMoves;
    size_t m_nMoves;
    bool m_bCaptureBothStops;
    int m_nPreset = 0;
    uint8_t m_byFrame[16] = {};
};
