// The row tools every table-driven protocol shares. A command table is a
// constexpr array of rows whose first member is the command code; the rest
// of a row is the class's own data, often bytes of its frame. In such
// bytes, values 0..255 are literal and the markers below say where a byte
// comes from instead, with one meaning (and one number) for all classes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/PtCommand.h"

namespace pttable {

enum Source : int16_t {
    kKept = -1,         // stays as the previous command left it
    kPan = -2,          // the pan speed
    kTilt = -3,         // the tilt speed
    kLens = -4,         // the zoom or focus speed
    kSpeed = -5,        // the class's single speed
    kAddr = -6,         // the camera address
    kPreset = -7,       // the preset number
    kPresetHigh = -8,   // the preset's high part (the class says how it splits)
    kPresetLow = -9,    // the preset's low part
    kPresetClear = -10, // the preset's high part, marked as a clear
};

// The common row: a code and N frame bytes or markers.
template <size_t N>
struct Row {
    int code;
    int16_t bytes[N];
};

// The row of protocols whose codes each map to one command byte.
struct CommandRow {
    int code;
    uint8_t command;
};

// The one resolver: literal bytes are copied, kKept leaves its byte alone,
// and every other marker takes what value(marker) gives.
template <size_t N, class Value>
void Fill(uint8_t* dst, const int16_t (&src)[N], Value value) {
    for (size_t i = 0; i < N; ++i) {
        if (src[i] >= 0)
            dst[i] = static_cast<uint8_t>(src[i]);
        else if (src[i] != kKept)
            dst[i] = value(static_cast<Source>(src[i]));
    }
}

constexpr int kCodes = PT_ZONE_END + 1;
constexpr uint8_t kNoRow = 0xFF;

// Which row each command code has: built once per table, at compile time.
struct Index {
    uint8_t row[kCodes];
};

template <class R, size_t N>
constexpr Index MakeIndex(const R (&table)[N]) {
    static_assert(N < kNoRow, "a command table has fewer rows than codes");
    Index index{};
    for (uint8_t& r : index.row) r = kNoRow;
    for (size_t i = 0; i < N; ++i) {
        const int code = table[i].code;
        // Thrown while the compiler builds the index: a build error.
        if (code < 0 || code >= kCodes) throw "a row's code is not a command code";
        if (index.row[code] != kNoRow) throw "two rows for one code";
        index.row[code] = static_cast<uint8_t>(i);
    }
    return index;
}

// The row of a code in a table, or null when the protocol does not list
// it (any int is safe to ask about). One load and a compare, however long
// the table.
template <const auto& kTable>
auto Find(int code) -> decltype(&kTable[0]) {
    static constexpr Index kIndex = MakeIndex(kTable);
    if (code < 0 || code >= kCodes || kIndex.row[code] == kNoRow) return nullptr;
    return &kTable[kIndex.row[code]];
}

}  // namespace pttable
