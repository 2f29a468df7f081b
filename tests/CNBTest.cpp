// CNB family (indexes 18, 31, 60): the ASCII packets with hex sums, and
// the Cyber Scan Dome's kept packet, presets, auto-scan and speed steps.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(CNB, Vectors) {
    const std::vector<Op> zoomDown14(14, Speed(PT_AXIS_ZOOM, 0));
    const std::vector<Op> panUp3(3, Speed(PT_AXIS_PAN, 1));
    const std::vector<Op> tiltDown5(5, Speed(PT_AXIS_TILT, 0));
    CheckVectors({
        // "*0100000000", no sum
        {"CNB attach", 18, 1, {}, Attach(), "2A 30 31 30 30 30 30 30 30 30 30",
         "2A 30 31 30 30 30 30 30 30 30 30"},
        // "*01753E00CF"
        {"CNB up", 18, 1, {}, Cmd(PT_UP), "2A 30 31 37 35 33 45 30 30 43 46"},
        // "*157509" "00C5"
        {"CNB lens stop address 15", 18, 15, {}, Cmd(PT_LENS_STOP), "2A 31 35 37 35 30 39 30 30 43 35"},
        // "*42753E00D4": two digits up to 99
        {"CNB address 42", 18, 42, {}, Cmd(PT_UP), "2A 34 32 37 35 33 45 30 30 44 34"},
        {"CNB diagonal sends nothing", 18, 1, {}, Cmd(PT_UP_RIGHT), "", ""},
        {"CNB address 150 sends nothing", 18, 150, {}, Cmd(PT_UP), "", ""},
        {"CNB lamp unsupported", 18, 1, {}, Lamp(1), ""},

        // "*01E700U0EC"
        {"SMART up", 31, 1, {}, Cmd(PT_UP), "2A 30 31 45 37 30 30 55 30 45 43",
         "2A 30 31 45 37 30 30 55 30 45 43"},
        // "*99E7L00D08"
        {"SMART down left address 99", 31, 99, {}, Cmd(PT_DOWN_LEFT), "2A 39 39 45 37 4C 30 30 44 30 38"},
        {"SMART preset goto zero word", 31, 1, {}, Cmd(PT_PRESET_GOTO), "2A 30 31 00 00 00 00 00 00 38 42"},
        {"SMART address 100 sends nothing", 31, 100, {}, Cmd(PT_UP), "", ""},
        {"SMART attach silent", 31, 1, {}, Attach(), ""},

        {"Cyber up", 60, 1, {}, Cmd(PT_UP), "A5 01 10 0D 8D 00 50", "A5 01 10 0D 8D 00 50"},
        {"Cyber attach silent", 60, 1, {}, Attach(), ""},
        {"Cyber code 8 resends", 60, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_AUTO_PAN_ON), "A5 01 10 0E 00 00 C4"},
        {"Cyber preset set 20", 60, 1, {PresetNo(20)}, Cmd(PT_PRESET_SET), "A5 01 25 01 04 00 D0"},
        {"Cyber preset clear 20", 60, 1, {PresetNo(20)}, Cmd(PT_PRESET_CLEAR), "A5 01 11 41 04 00 FC"},
        {"Cyber pan speed clamps right", 60, 1, panUp3, Cmd(PT_UP_RIGHT), "A5 01 10 0D FD 00 C0"},
        {"Cyber pan speed moves left on", 60, 1, panUp3, Cmd(PT_LEFT), "A5 01 10 0D 28 00 EB"},
        {"Cyber tilt speed clamps", 60, 1, tiltDown5, Cmd(PT_DOWN_LEFT), "A5 01 10 0D 57 00 1A"},
        {"Cyber pan step sends nothing", 60, 1, {}, Speed(PT_AXIS_PAN, 1), "", ""},
        {"Cyber zoom speed down", 60, 1, {}, Speed(PT_AXIS_ZOOM, 0), "A5 01 56 0E 00 00 0A",
         "A5 01 56 0E 00 00 0A"},
        {"Cyber zoom speed floor", 60, 1, zoomDown14, Speed(PT_AXIS_ZOOM, 0), "A5 01 56 01 00 00 FD"},
        {"Cyber zoom speed ceiling", 60, 1, {}, Speed(PT_AXIS_ZOOM, 1), "A5 01 56 0F 00 00 0B"},
        {"Cyber auto-scan numbered", 60, 1, {ScanNo(0x23)}, AutoScan(0), "A5 01 32 02 03 00 DD"},
        {"Cyber auto-scan stop", 60, 1, {}, AutoScan(1), "A5 01 33 00 00 00 D9"},
        {"Cyber auto-scan unknown resends", 60, 1, {AutoScan(3)}, AutoScan(5), "A5 01 1D 00 00 00 C3"},
        {"Cyber power unsupported", 60, 1, {}, Power(1), "", ""},

        {"sweep", 18, 3, {}, Sweep(), "#9D20E74F5B612259", "#A5DCFC9E3D203D79"},
        {"sweep", 31, 3, {}, Sweep(), "#7850126EA8F39358", "#5BADBEAF31A63AC4"},
        {"sweep", 60, 3, {}, Sweep(), "#CA14B44FA0DF2C57", "#46BE4DF001B92F35"},
    });
}

}  // namespace
