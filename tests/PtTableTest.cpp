// The shared row tools: the compile-time index and the resolver.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "protocols/PtTable.h"

namespace {

using pttable::kKept;
using pttable::kPan;
using pttable::kPreset;

// Rows out of code order and with gaps, as protocol tables are.
constexpr pttable::Row<2> kRows[] = {
    {PT_ZOOM_TELE, {0x20, kKept}},
    {PT_UP, {0x08, kPan}},
    {PT_ZONE_END, {0x13, kPreset}},
    {PT_STOP, {0x00, 0x00}},
};

TEST(PtTable, FindGivesEachCodeItsRowAndAnyOtherIntNull) {
    struct Case {
        int code;
        int row;  // index into kRows, -1 for none
    };
    const Case cases[] = {
        {PT_ZOOM_TELE, 0}, {PT_UP, 1}, {PT_ZONE_END, 2}, {PT_STOP, 3}, {PT_UP_RIGHT, -1},
        {PT_ZONE_START, -1}, {-1, -1}, {PT_ZONE_END + 1, -1}, {256, -1}, {INT_MAX, -1}, {INT_MIN, -1},
    };
    for (const Case& c : cases) {
        const auto* row = pttable::Find<kRows>(c.code);
        EXPECT_EQ(row, c.row < 0 ? nullptr : &kRows[c.row]) << "code " << c.code;
    }
}

TEST(PtTable, FillCopiesLiteralsKeepsKeptAndAsksForMarkers) {
    struct Case {
        int16_t src[4];
        const char* want;
    };
    const Case cases[] = {
        {{0x00, 0xFF, 0x7F, 0x80}, "00 FF 7F 80"},
        {{kKept, 0x01, kKept, 0x02}, "AA 01 AA 02"},
        {{kPan, kPreset, kKept, 0x10}, "33 05 AA 10"},
    };
    for (const Case& c : cases) {
        uint8_t dst[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        pttable::Fill(dst, c.src, [](pttable::Source s) -> uint8_t { return s == kPan ? 0x33 : 0x05; });
        char got[16];
        std::snprintf(got, sizeof got, "%02X %02X %02X %02X", dst[0], dst[1], dst[2], dst[3]);
        EXPECT_STREQ(got, c.want);
    }
}

}  // namespace
