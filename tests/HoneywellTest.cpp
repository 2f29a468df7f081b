// Honeywell receivers (indexes 29, 32): the HRX-1000's 7-bit line with
// its high-bit byte, and the HSDN-251's preset nibbles.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(Honeywell, Vectors) {
    CheckVectors({
        {"HRX up", 32, 1, {}, Cmd(PT_UP), "FF 89 40 00 02 70 00 4E", "FF 89 40 00 02 70 00 4E"},
        {"HRX high bits of data and check", 32, 1, {}, Cmd(PT_DOWN_RIGHT), "FF A9 40 00 02 7F 40 7F"},
        {"HRX stop waits first", 32, 1, {}, Cmd(PT_STOP), "FF 81 40 00 02 00 00 3E",
         "p3 | FF 81 40 00 02 00 00 3E"},
        {"HRX address 2", 32, 2, {}, Cmd(PT_STOP), "FF 81 40 01 02 00 00 3D"},
        {"HRX address 0 wraps to 1F", 32, 0, {}, Cmd(PT_UP), "FF 89 40 1F 02 70 00 2F"},
        {"HRX address 33 aliases 1", 32, 33, {}, Cmd(PT_STOP), "FF 81 40 00 02 00 00 3E"},
        {"HRX code 8 zero data", 32, 1, {Cmd(PT_UP)}, Cmd(PT_AUTO_PAN_ON), "FF 81 40 00 00 00 00 40"},
        {"HRX negative code", 32, 1, {}, Cmd(-3), "FF 81 40 00 00 00 00 40"},
        {"HRX power unsupported", 32, 1, {}, Power(1), "", ""},

        {"HSDN up", 29, 1, {}, Cmd(PT_UP), "A5 01 10 00 8F 55 9A", "A5 01 10 00 8F 55 9A"},
        {"HSDN stop", 29, 1, {}, Cmd(PT_STOP), "A5 01 10 0D 88 55 A0"},
        {"HSDN preset goto 18", 29, 1, {PresetNo(18)}, Cmd(PT_PRESET_GOTO), "A5 01 11 81 82 55 0F"},
        {"HSDN preset keeps two nibbles", 29, 1, {PresetNo(0x1234)}, Cmd(PT_PRESET_SET),
         "A5 01 27 83 84 55 29"},
        {"HSDN negative preset", 29, 1, {PresetNo(-1)}, Cmd(PT_PRESET_CLEAR), "A5 01 26 8F 8F 55 3F"},
        {"HSDN unknown code clears", 29, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_AUTO_PAN_ON), "A5 01 10 00 00 55 0B"},
        {"HSDN preset number sends nothing", 29, 1, {}, PresetNo(3), "-"},
        {"HSDN auto-scan unsupported", 29, 1, {}, AutoScan(0), "", ""},

        {"sweep", 29, 3, {}, Sweep(), "#8447A2D0B5F69E43", "#2BB5DB2DC16515A1"},
        {"sweep", 32, 3, {}, Sweep(), "#89CE533DC909A727", "#A9C1A7EAD85FC029"},
    });
}

// The HRX-1000 stop pause belongs to the device, so capture waits too.
TEST(Honeywell, HrxStopPausesInCapture) {
    CaptureChannel ch(32, 1);
    ClearRecorded();
    ch.Run(Cmd(PT_STOP));
    EXPECT_EQ(Recorded(), "p3");
    ClearRecorded();
    ch.Run(Cmd(PT_UP));
    EXPECT_EQ(Recorded(), "");
}

}  // namespace
