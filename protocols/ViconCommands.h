// Direction and lens bits shared by the Vicon receivers. Every Vicon
// packet is a two-byte address header, a 10 ms gap, then a command block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "trevalo.h"

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

inline const Row* Find(const Row* rows, size_t n, int code) {
    for (size_t i = 0; i < n; ++i)
        if (rows[i].code == code) return &rows[i];
    return nullptr;
}

// The shared rows first, then the receiver's own.
template <size_t N>
const Row* Lookup(const Row (&own)[N], int code) {
    const Row* r = Find(kShared, sizeof kShared / sizeof kShared[0], code);
    return r ? r : Find(own, N, code);
}

}  // namespace vicon
