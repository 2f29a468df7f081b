// Direction and lens bits shared by the Vicon receivers. Every Vicon
// packet is a two-byte address header, a 10 ms gap, then a command block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocols/PtTable.h"

namespace vicon {

// The gap the receiver needs between the header and its block.
constexpr unsigned kHeaderGapMs = 10;

struct Row {
    int code;
    uint8_t direction, lens;
};

// Codes the two receivers word the same way.
constexpr Row kShared[] = {
    {PT_UP, 0x10, 0x00},
    {PT_UP_RIGHT, 0x30, 0x00},
    {PT_RIGHT, 0x20, 0x00},
    {PT_DOWN_RIGHT, 0x28, 0x00},
    {PT_DOWN, 0x08, 0x00},
    {PT_DOWN_LEFT, 0x48, 0x00},
    {PT_LEFT, 0x40, 0x00},
    {PT_UP_LEFT, 0x50, 0x00},
    {PT_FOCUS_FAR, 0x00, 0x10},
    {PT_ZOOM_TELE, 0x00, 0x20},
    {PT_ZOOM_WIDE, 0x00, 0x40},
    {PT_STOP, 0x00, 0x00},
};

// The shared rows first, then the receiver's own.
template <const auto& kOwn>
const Row* Lookup(int code) {
    const Row* r = pttable::Find<kShared>(code);
    return r ? r : pttable::Find<kOwn>(code);
}

}  // namespace vicon
