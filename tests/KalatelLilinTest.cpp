// Kalatel and Lilin (indexes 3, 4): short packets without a check.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(KalatelLilin, Vectors) {
    CheckVectors({
        // Kalatel: "27U001~" and friends; the tail comes from the attach.
        {"K up", 3, 1, {}, Cmd(PT_UP), "32 37 55 30 30 31 7E", "32 37 55 30 30 31 7E"},
        {"K stop lowers last letter", 3, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "32 37 75 30 30 31 7E"},
        {"K lens stop after zoom", 3, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_LENS_STOP), "30 30 69 30 30 31 7E"},
        {"K stop before any movement", 3, 1, {}, Cmd(PT_STOP), "00 00 20 30 30 31 7E"},
        {"K preset set, address 15", 3, 15, {PresetNo(7)}, Cmd(PT_PRESET_SET), "30 37 51 30 31 35 7E"},
        {"K stop keeps preset digits and movement letter", 3, 1,
         {Cmd(PT_LEFT), PresetNo(42), Cmd(PT_PRESET_GOTO)}, Cmd(PT_STOP), "34 32 6C 30 30 31 7E"},
        {"K auto-pan leaves the last letter", 3, 1, {Cmd(PT_UP), AutoPan(1)}, Cmd(PT_STOP),
         "30 30 75 30 30 31 7E"},
        {"K auto-pan off", 3, 1, {}, AutoPan(0), "30 30 5F 30 30 31 7E"},
        {"K large address stays digits", 3, 25, {PresetNo(23)}, Cmd(PT_PRESET_SET),
         "32 33 51 30 32 35 7E"},
        {"K preset beyond two digits sends nothing", 3, 1, {PresetNo(123)}, Cmd(PT_PRESET_GOTO), "", ""},
        {"K diagonal sends nothing", 3, 1, {Cmd(PT_UP)}, Cmd(PT_UP_LEFT), "", ""},
        {"K preset clear sends nothing", 3, 1, {}, Cmd(PT_PRESET_CLEAR), ""},
        {"K negative code sends nothing", 3, 1, {}, Cmd(-1), ""},
        {"K attach sends nothing", 3, 1, {}, Attach(), ""},
        {"K power unsupported", 3, 1, {}, Power(1), ""},

        {"L up", 4, 1, {}, Cmd(PT_UP), "01 04 98", "01 04 98"},
        {"L diagonal", 4, 2, {}, Cmd(PT_DOWN_LEFT), "02 0A 9D"},
        {"L code 8 resends left", 4, 1, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON), "01 02 85"},
        {"L preset set flags address", 4, 1, {}, Cmd(PT_PRESET_SET), "81 03 64"},
        {"L unknown code after preset: plain address, kept command", 4, 1, {Cmd(PT_PRESET_SET)},
         Cmd(PT_ZONE_END), "01 03 64"},
        {"L preset goto ignores the host's number", 4, 2, {PresetNo(5)}, Cmd(PT_PRESET_GOTO),
         "42 00 00"},
        {"L preset clear", 4, 1, {}, Cmd(PT_PRESET_CLEAR), "01 FF F5"},
        {"L auto-pan off same as on", 4, 3, {}, AutoPan(0), "03 00 0A"},
        {"L auto-scan unsupported", 4, 1, {}, AutoScan(1), ""},

        {"sweep", 3, 3, {}, Sweep(), "#6680903900DB03E5", "#7050ED524D8D40BD"},
        {"sweep", 4, 3, {}, Sweep(), "#452EFCBA1241BF7E", "#11FEB74C85B58CD2"},
    });
}

}  // namespace
