// AD family (indexes 21, 38): the AD1650/2050 bit-packed pair and the
// SpeedDome's kept packet with its zero-sum check.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(AD, Vectors) {
    CheckVectors({
        {"1650 up", 38, 1, {}, Cmd(PT_UP), "9C 04", "9C 04"},
        {"1650 address 33 high bit", 38, 33, {}, Cmd(PT_UP), "9D 04"},
        {"1650 address 64 lens", 38, 64, {}, Cmd(PT_FOCUS_NEAR), "8B F8"},
        {"1650 address 0", 38, 0, {}, Cmd(PT_ZOOM_TELE), "8C F8"},
        {"1650 address 200 is negative", 38, 200, {}, Cmd(PT_UP), "9C 3C"},
        {"1650 fresh stop", 38, 1, {}, Cmd(PT_STOP), "00 00", "00 00"},
        {"1650 stop resends left", 38, 1, {Cmd(PT_LEFT)}, Cmd(PT_STOP), "AC 04"},
        {"1650 attach silent", 38, 1, {}, Attach(), ""},
        {"1650 preset number no length", 38, 1, {}, PresetNo(4), "-"},
        {"1650 power unsupported", 38, 1, {}, Power(1), "", ""},

        {"SD up", 21, 1, {}, Cmd(PT_UP), "01 C0 84 32 89", "01 C0 84 32 89"},
        {"SD stop short", 21, 1, {}, Cmd(PT_STOP), "01 93 6C", "01 93 6C"},
        {"SD unlisted after stop", 21, 1, {Cmd(PT_UP), Cmd(PT_STOP)}, Cmd(PT_UP_RIGHT), "01 93 6C 32 CE"},
        {"SD preset set low byte", 21, 1, {PresetNo(0x105)}, Cmd(PT_PRESET_SET), "01 C7 01 05 32"},
        {"SD preset clear resends goto", 21, 1, {PresetNo(9), Cmd(PT_PRESET_GOTO)}, Cmd(PT_PRESET_CLEAR),
         "01 C7 02 09 2D"},
        {"SD special goto", 21, 1, {}, Cmd(PT_SPECIAL_GOTO), "01 CC 00 00 33"},
        {"SD auto-pan on", 21, 1, {}, AutoPan(1), "01 C0 82 10 AD"},
        {"SD auto-pan off", 21, 1, {}, AutoPan(0), "01 93 6C"},
        {"SD lamp on", 21, 1, {}, Lamp(1), "01 CC 09 2A", "01 CC 09 2A"},
        {"SD lamp off leaves length", 21, 1, {}, Lamp(0), "-", ""},
        {"SD attach silent", 21, 1, {}, Attach(), ""},
        {"SD aux unsupported", 21, 1, {}, Aux(1), "", ""},

        {"sweep", 21, 3, {}, Sweep(), "#40D7AB67832467B5", "#8FC76D9C623D9048"},
        {"sweep", 38, 3, {}, Sweep(), "#487F1E5F283F76EE", "#AD00429DBF6FFF4A"},
    });
}

}  // namespace
