// Vicon receivers (indexes 10, 25): header, 10 ms, block; the 1200R's
// header form follows the last of attach, aux power and auto-pan.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(Vicon, Vectors) {
    CheckVectors({
        {"1200R attach sends header", 10, 1, {}, Attach(), "80 51", "80 51"},
        {"1200R up", 10, 1, {}, Cmd(PT_UP), "80 51 10 00 00 00", "80 51 | p10 | 10 00 00 00"},
        {"1200R focus near", 10, 1, {}, Cmd(PT_FOCUS_NEAR), "80 51 01 08 00 00"},
        {"1200R lens stop", 10, 1, {}, Cmd(PT_LENS_STOP), "80 51 01 10 00 00"},
        {"1200R code 8 header only", 10, 1, {}, Cmd(PT_AUTO_PAN_ON), "80 51", "80 51 | p10"},
        {"1200R code 15 header only", 10, 1, {}, Cmd(PT_PRESET_SET), "80 51"},
        {"1200R header after auto-pan", 10, 1, {AutoPan(1)}, Cmd(PT_UP), "80 11 10 00 00 00"},
        {"1200R header wraps", 10, 0xB0, {}, Attach(), "80 00"},
        {"1200R aux on", 10, 1, {}, Aux(1), "80 11 00 00 40 00", "80 11 | p10 | 00 00 40 00"},
        {"1200R aux off", 10, 2, {}, Aux(0), "80 12 00 00 00 00"},
        {"1200R auto-pan on", 10, 1, {}, AutoPan(1), "80 11 04 00 00 00"},
        {"1200R auto-pan off three pairs", 10, 1, {}, AutoPan(0), "80 11 00 00 00 00",
         "80 11 | p10 | 00 00 00 00 | 80 11 | p10 | 04 00 00 00 | 80 11 | p10 | 00 00 00 00"},
        {"1200R lamp unsupported", 10, 1, {}, Lamp(1), "", ""},

        {"15UVS attach silent", 25, 1, {}, Attach(), "", ""},
        {"15UVS up", 25, 1, {}, Cmd(PT_UP), "80 51 10 00 00 00 05 7F 05 7F",
         "80 51 | p10 | 10 00 00 00 05 7F 05 7F"},
        {"15UVS focus near", 25, 1, {}, Cmd(PT_FOCUS_NEAR), "80 51 00 08 00 00 05 7F 05 7F"},
        {"15UVS header nibbles, unknown code", 25, 0x23, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON),
         "82 53 00 00 00 00 05 7F 05 7F"},
        {"15UVS auto-pan on", 25, 1, {}, AutoPan(1), "80 51 04 00 00 00", "80 51 | p10 | 04 00 00 00"},
        {"15UVS auto-pan off sends stop word", 25, 1, {}, AutoPan(0), "80 51 00 00 00 00"},
        {"15UVS aux unsupported", 25, 1, {}, Aux(1), "", ""},

        {"sweep", 10, 3, {}, Sweep(), "#A1D8732F69F74EAB", "#008C78A5155F84EF"},
        {"sweep", 25, 3, {}, Sweep(), "#48C7AB69DFAA998A", "#CD2214D7EED31F0F"},
    });
}

// Only an attach brings the 1200R back to its 0x50 header.
TEST(Vicon, AttachRestoresHeader) {
    SerialRig rig(10, 3);
    rig.Run(Aux(1));
    EXPECT_EQ(rig.Run(Cmd(PT_STOP)), "80 13 | p10 | 00 00 00 00");
    rig.Run(Attach());
    EXPECT_EQ(rig.Run(Cmd(PT_STOP)), "80 53 | p10 | 00 00 00 00");
}

}  // namespace
