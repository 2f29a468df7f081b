// The six-byte frame of the Sysmania receivers:
//   1h  2u  3t  function  direction  sum(0..4)
// h, t, u being the hundreds, tens and units digits of the address.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"
#include "trevalo.h"

namespace sysmania {

struct Row {
    int code;
    uint8_t function, direction;
};

// Movement letters and lens bytes, the same on both receivers.
constexpr Row kShared[] = {
    {PT_UP, 0x00, 'A'},         {PT_UP_RIGHT, 0x00, 'I'},   {PT_RIGHT, 0x00, 'H'},
    {PT_DOWN_RIGHT, 0x00, 'J'}, {PT_DOWN, 0x00, 'B'},       {PT_DOWN_LEFT, 0x00, 'F'},
    {PT_LEFT, 0x00, 'D'},       {PT_UP_LEFT, 0x00, 'E'},    {PT_FOCUS_NEAR, 0xAC, 0x40},
    {PT_FOCUS_FAR, 0xAF, 0x40}, {PT_ZOOM_TELE, 0xA3, 0x40}, {PT_ZOOM_WIDE, 0xA0, 0x40},
    {PT_STOP, 0x00, 0x40},
};

// Sets the function and direction bytes from the shared rows, then the
// receiver's own; leaves them as they are for a code neither has.
template <const auto& kOwn>
void Lookup(int code, uint8_t* frame) {
    const Row* row = pttable::Find<kShared>(code);
    if (!row) row = pttable::Find<kOwn>(code);
    if (!row) return;
    frame[3] = row->function;
    frame[4] = row->direction;
}

// The address is read as 0 to 255: the hundreds digit has a nibble of
// its own, so 128 and up encode like any other address.
inline void Address(uint8_t* frame, signed char address) {
    const unsigned a = static_cast<uint8_t>(address);
    frame[0] = static_cast<uint8_t>(0x10 | (a / 100));
    frame[1] = static_cast<uint8_t>(0x20 | (a % 10));
    frame[2] = static_cast<uint8_t>(0x30 | (a / 10 % 10));
}

inline void Seal(uint8_t* frame) { frame[5] = ptcheck::Sum(frame, 0, 4); }

}  // namespace sysmania
