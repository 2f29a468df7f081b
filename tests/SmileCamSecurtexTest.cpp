// SmileCAM (27) and Securtex_B (26): per-form lengths, and the speed frame
// that precedes every Securtex_B command.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(SmileCamSecurtex, Vectors) {
    CheckVectors({
        {"SmileCAM up-right", 27, 1, {}, Cmd(PT_UP_RIGHT), "FE 01 09 FF FF", "FE 01 09 FF FF"},
        {"SmileCAM stop is two bytes", 27, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "FA 01", "FA 01"},
        {"SmileCAM lens stop is three", 27, 4, {}, Cmd(PT_LENS_STOP), "FA 04 00"},
        {"SmileCAM auto-pan code", 27, 1, {}, Cmd(PT_AUTO_PAN_ON), "F4 01 01"},
        {"SmileCAM auto-pan on", 27, 1, {}, AutoPan(1), "F4 01 01"},
        {"SmileCAM auto-pan off", 27, 2, {}, AutoPan(0), "F4 02 00"},
        {"SmileCAM zoom leaves length", 27, 1, {Cmd(PT_UP)}, Cmd(PT_ZOOM_TELE), "-", ""},
        {"SmileCAM power unsupported", 27, 1, {}, Power(1), "", ""},

        {"Securtex up behind speed frame", 26, 1, {}, Cmd(PT_UP),
         "02 01 0E 80 B0 41 02 01 01 04 00 08", "02 01 0E 80 B0 41 | 02 01 01 04 00 08"},
        {"Securtex left", 26, 3, {}, Cmd(PT_LEFT), "02 03 0E 80 B0 43 02 03 01 02 00 08"},
        {"Securtex lens stop is auto-pan off", 26, 1, {}, Cmd(PT_LENS_STOP),
         "02 01 0E 80 B0 41 02 01 0F 00 00 12"},
        {"Securtex auto-pan code", 26, 1, {}, Cmd(PT_AUTO_PAN_ON),
         "02 01 0E 80 B0 41 02 01 0F 03 00 15"},
        {"Securtex unknown code sends speed twice", 26, 1, {Cmd(PT_UP)}, Cmd(PT_PRESET_GOTO),
         "02 01 0E 80 B0 41 02 01 0E 80 B0 41", "02 01 0E 80 B0 41 | 02 01 0E 80 B0 41"},
        {"Securtex auto-pan on", 26, 1, {}, AutoPan(1), "02 01 0F 01 60 73 02 01 0F 03 00 15",
         "02 01 0F 01 60 73 | 02 01 0F 03 00 15"},
        {"Securtex auto-pan off", 26, 1, {}, AutoPan(0), "02 01 0F 01 60 73 02 01 0F 00 00 12"},
        {"Securtex attach sends nothing", 26, 1, {}, Attach(), "", ""},

        {"sweep", 26, 3, {}, Sweep(), "#2C82BB833296C614", "#1D5FF5B33007935C"},
        {"sweep", 27, 3, {}, Sweep(), "#D80F96786875C524", "#ECC6716759B9181E"},
    });
}

}  // namespace
