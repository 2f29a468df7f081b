// SAE (index 35): command plus speed frame pairs, five-byte preset frames,
// and the codes that leave the capture length alone.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(SAE, Vectors) {
    CheckVectors({
        {"up then its speed frame", 35, 1, {}, Cmd(PT_UP), "02 01 01 04 00 08 02 01 0E 00 7F 90",
         "02 01 01 04 00 08 | 02 01 0E 00 7F 90"},
        {"left pans at full speed", 35, 1, {}, Cmd(PT_LEFT), "02 01 01 02 00 06 02 01 0E 7F 00 90"},
        {"focus has zero speeds", 35, 2, {}, Cmd(PT_FOCUS_FAR), "02 02 01 80 00 85 02 02 0E 00 00 12"},
        {"stop is one frame", 35, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "02 01 01 00 00 04",
         "02 01 01 00 00 04"},
        {"preset goto", 35, 1, {PresetNo(3)}, Cmd(PT_PRESET_GOTO), "02 01 02 03 08", "02 01 02 03 08"},
        {"preset low byte", 35, 1, {PresetNo(260)}, Cmd(PT_PRESET_SET), "02 01 05 04 0C"},
        {"lens stop leaves length", 35, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_LENS_STOP), "-", ""},
        {"auto-pan code leaves length", 35, 1, {}, Cmd(PT_AUTO_PAN_ON), "-", ""},
        {"auto-pan on, two frames", 35, 1, {}, AutoPan(1), "02 01 0F 03 00 15 02 01 0F 01 7F 92",
         "02 01 0F 03 00 15 | 02 01 0F 01 7F 92"},
        {"auto-pan off is the stop", 35, 1, {}, AutoPan(0), "02 01 01 00 00 04"},
        {"attach sends nothing", 35, 1, {}, Attach(), "", ""},
        {"power unsupported", 35, 1, {}, Power(1), "", ""},

        {"sweep", 35, 3, {}, Sweep(), "#972EE4785F3BB2F8", "#677703666708BB40"},
    });
}

// Header and address come from the attach only.
TEST(SAE, FreshObjectSendsZeroHeader) {
    SerialRig fresh(35, 1, /*attach=*/false);
    EXPECT_EQ(fresh.Run(Cmd(PT_STOP)), "00 00 01 00 00 01");
}

}  // namespace
