// Pelco-D family (indexes 6, 42, 57): frames in capture mode, and the
// writes and pauses of serial mode.
#include <gtest/gtest.h>

#include "protocol/PtPortHandle.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(PelcoD, Vectors) {
    CheckVectors({
        {"D up", 6, 1, {}, Cmd(PT_UP), "FF 01 00 08 33 33 6F", "FF 01 | 00 08 33 33 6F | p30"},
        {"D stop keeps speeds", 6, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "FF 01 00 00 33 33 67",
         "FF 01 | 00 00 33 33 67 | p30"},
        {"D zoom from fresh keeps zero data", 6, 1, {}, Cmd(PT_ZOOM_TELE), "FF 01 00 20 00 00 21"},
        {"D preset goto", 6, 2, {PresetNo(5)}, Cmd(PT_PRESET_GOTO), "FF 02 00 07 00 05 0E"},
        {"D preset low byte", 6, 1, {PresetNo(0x1FF)}, Cmd(PT_PRESET_SET), "FF 01 00 03 00 FF 03"},
        {"D code 8 resends left", 6, 1, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON), "FF 01 00 04 33 33 6B"},
        {"D code 21 resends", 6, 1, {Cmd(PT_IRIS_OPEN)}, Cmd(PT_IRIS_AUTO), "FF 01 02 00 00 00 03"},
        {"D negative code resends", 6, 3, {Cmd(PT_DOWN)}, Cmd(-1), "FF 03 00 10 33 33 79"},
        {"D check wraps", 6, 0xFF, {}, Cmd(PT_UP), "FF FF 00 08 33 33 6D"},
        {"D special goto", 6, 1, {}, Cmd(PT_SPECIAL_GOTO), "FF 01 00 07 33 33 6E"},
        {"D attach sends nothing", 6, 1, {}, Attach(), ""},
        {"D power unsupported", 6, 1, {}, Power(1), "", ""},
        {"D autopan unsupported", 6, 1, {}, AutoPan(1), ""},
        {"D pan speed step no frame", 6, 1, {}, Speed(PT_AXIS_PAN, 1), "", ""},
        {"D pan speed reaches frame", 6, 1, {Speed(PT_AXIS_PAN, 1), Speed(PT_AXIS_TILT, 0)},
         Cmd(PT_RIGHT), "FF 01 00 02 34 32 69"},
        {"D zoom speed clamps at 3", 6, 1, {Speed(PT_AXIS_ZOOM, 1)}, Speed(PT_AXIS_ZOOM, 1),
         "FF 01 00 25 00 03 29", "FF 01 | 00 25 00 03 29 | p10"},
        {"D focus speed down", 6, 1, {}, Speed(PT_AXIS_FOCUS, 0), "FF 01 00 27 00 01 29"},
        {"D unknown axis leaves length", 6, 1, {}, Speed(7, 1), "-", ""},
        {"D zone start with scan number", 6, 1, {ScanNo(4)}, AutoScan(0), "FF 01 00 11 00 04 16",
         "FF 01 | 00 11 00 04 16 | p30"},
        {"D zone scan off", 6, 1, {ScanNo(2)}, AutoScan(3), "FF 01 00 1D 00 02 20"},
        {"D auto-scan unknown value resends", 6, 1, {Cmd(PT_UP)}, AutoScan(9), "FF 01 00 08 33 33 6F"},

        {"CYNIX stop clears data, twice on the line", 42, 1, {Cmd(PT_UP)}, Cmd(PT_STOP),
         "FF 01 00 00 00 00 01", "FF 01 00 00 00 00 01 | FF 01 00 00 00 00 01"},
        {"CYNIX up one write no pause", 42, 1, {}, Cmd(PT_UP), "FF 01 00 08 33 33 6F",
         "FF 01 00 08 33 33 6F"},
        {"CYNIX iris auto", 42, 1, {}, Cmd(PT_IRIS_AUTO), "FF 01 00 2D 00 00 2E"},
        {"CYNIX zone end uses preset", 42, 1, {PresetNo(9)}, Cmd(PT_ZONE_END), "FF 01 00 13 00 09 1D"},
        {"CYNIX code 24 resends", 42, 1, {Cmd(PT_ZONE_START)}, Cmd(24), "FF 01 00 11 00 00 12"},
        {"CYNIX zoom speed frame", 42, 5, {}, Speed(PT_AXIS_ZOOM, 1), "FF 05 00 25 00 03 2D",
         "FF 05 00 25 00 03 2D | p10"},
        {"CYNIX auto-scan unsupported", 42, 1, {}, AutoScan(0), "", ""},

        {"TBT special goto", 57, 1, {}, Cmd(PT_SPECIAL_GOTO), "FF 01 00 07 00 21 29"},
        {"TBT lens stop twice on the line", 57, 1, {}, Cmd(PT_LENS_STOP), "FF 01 00 00 00 00 01",
         "FF 01 00 00 00 00 01 | FF 01 00 00 00 00 01"},
        {"TBT no speed control", 57, 1, {}, Speed(PT_AXIS_ZOOM, 1), "", ""},
        {"TBT down left", 57, 1, {}, Cmd(PT_DOWN_LEFT), "FF 01 00 14 33 33 7B"},

        {"sweep", 6, 3, {}, Sweep(), "#9E056C9A56E5D17B", "#E268DFF17C059A9E"},
        {"sweep", 42, 3, {}, Sweep(), "#349632F74777B113", "#1DB183E47FAC9BF1"},
        {"sweep", 57, 3, {}, Sweep(), "#7D0332285990E797", "#B8B67E53397BE789"},
    });
}

// Steps past the ends stay clamped: 20 pan steps up from 0x33 stop at 0x3F
// (12 reach it), 70 down stop at 0.
TEST(PelcoD, PanSpeedClampsAtBothEnds) {
    CaptureChannel ch(6, 1);
    for (int i = 0; i < 20; ++i) ch.Run(Speed(PT_AXIS_PAN, 1));
    EXPECT_EQ(ch.Run(Cmd(PT_RIGHT)), ToHex(Hex("FF 01 00 02 3F 33 75")));
    for (int i = 0; i < 70; ++i) ch.Run(Speed(PT_AXIS_PAN, 0));
    EXPECT_EQ(ch.Run(Cmd(PT_RIGHT)), ToHex(Hex("FF 01 00 02 00 33 36")));
}

// The reference dialect's speed frame reuses the address already in the
// frame; the Cynix dialect takes the handle's. The handles here have moved
// to another address since the attach, so the two sources differ.
TEST(PelcoD, SpeedFrameAddressSource) {
    SerialRig d(6, 7), cynix(42, 7);
    d.handle()->address = 9;
    cynix.handle()->address = 9;
    EXPECT_EQ(d.Run(Speed(PT_AXIS_ZOOM, 0)), "FF 07 | 00 25 00 01 2D | p10");
    EXPECT_EQ(cynix.Run(Speed(PT_AXIS_ZOOM, 1)), "FF 09 00 25 00 03 31 | p10");
}

}  // namespace
