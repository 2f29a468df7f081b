// LG family (indexes 51, 49, 53, 54). One write per packet; the SD163's
// two-packet commands are two writes, one 16-byte capture.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(LG, Vectors) {
    CheckVectors({
        // LPT-A100L: 7-bit sum; the command byte is kept.
        {"LPT open sends the attach packet", 51, 1, {}, Attach(), "02 01 31 31 03 68", "02 01 31 31 03 68"},
        {"LPT up", 51, 1, {}, Cmd(PT_UP), "02 01 36 31 03 6D"},
        {"LPT code 8 after open repeats attach", 51, 1, {}, Cmd(PT_AUTO_PAN_ON), "02 01 31 31 03 68"},
        {"LPT preset repeats last command", 51, 1, {Cmd(PT_LEFT)}, Cmd(PT_PRESET_GOTO), "02 01 38 31 03 6F"},
        {"LPT stop", 51, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "02 01 00 31 03 37"},
        {"LPT check keeps 7 bits", 51, 0x7F, {}, Cmd(PT_UP_RIGHT), "02 7F 3D 31 03 72"},
        {"LPT camera off", 51, 1, {}, Power(0), "02 01 30 31 03 67"},
        {"LPT auto pan on", 51, 1, {}, AutoPan(1), "02 01 33 30 03 69"},
        {"LPT no lamp", 51, 1, {}, Lamp(1), "", ""},

        // LVC zoom camera: lens byte kept, direction codes not listed.
        {"LVC open sends nothing", 49, 1, {}, Attach(), "", ""},
        {"LVC zoom tele", 49, 1, {}, Cmd(PT_ZOOM_TELE), "C5 5F 01 00 01 26", "C5 5F 01 00 01 26"},
        {"LVC direction repeats zoom", 49, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_UP), "C5 5F 01 00 01 26"},
        {"LVC direction before any lens code", 49, 1, {}, Cmd(PT_UP), "C5 5F 00 00 01 25"},
        {"LVC camera on, sum wraps", 49, 1, {}, Power(1), "C5 3A 00 00 01 00"},
        {"LVC no auto pan", 49, 1, {}, AutoPan(1), ""},

        // LPT-01551HQ: address from the attach; bytes 3..6 kept.
        {"MULTIX open sends nothing", 53, 1, {}, Attach(), "", ""},
        {"MULTIX up", 53, 1, {}, Cmd(PT_UP), "E5 02 01 00 20 40 40 88", "E5 02 01 00 20 40 40 88"},
        {"MULTIX preset low byte", 53, 1, {PresetNo(0x105)}, Cmd(PT_PRESET_SET), "E5 02 01 A1 05 7F 0A 17"},
        {"MULTIX unlisted code repeats", 53, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_IRIS_OPEN), "E5 02 01 00 08 C0 40 F0"},
        {"MULTIX auto pan off", 53, 1, {Cmd(PT_UP)}, AutoPan(0), "E5 02 01 AF 00 00 00 97"},
        {"MULTIX no power", 53, 1, {}, Power(1), "", ""},

        // LPT-SD163HM: diagonals and stops are two packets.
        {"SD163 open sends nothing", 54, 1, {}, Attach(), "", ""},
        {"SD163 up", 54, 1, {}, Cmd(PT_UP), "AA 9B 80 00 00 00 01 C6", "AA 9B 80 00 00 00 01 C6"},
        {"SD163 down-left is down then left", 54, 1, {}, Cmd(PT_DOWN_LEFT),
         "AA 9D 80 00 00 00 01 C8 AA 97 80 00 00 00 01 C2",
         "AA 9D 80 00 00 00 01 C8 | AA 97 80 00 00 00 01 C2"},
        {"SD163 stop is head then lens", 54, 1, {Cmd(PT_UP)}, Cmd(PT_LENS_STOP),
         "AA E5 00 00 00 00 01 90 AA 5F 0C 00 00 00 01 16",
         "AA E5 00 00 00 00 01 90 | AA 5F 0C 00 00 00 01 16"},
        {"SD163 preset set", 54, 1, {PresetNo(2)}, Cmd(PT_PRESET_SET), "AA D5 02 01 00 00 01 83"},
        {"SD163 unlisted code is empty", 54, 1, {Cmd(PT_UP)}, Cmd(PT_SPECIAL_GOTO), "AA 00 00 00 00 00 01 AB"},
        {"SD163 aux is the lamp packet", 54, 1, {}, Aux(1), "AA FE 00 00 00 00 01 A9"},
        {"SD163 auto pan off", 54, 1, {}, AutoPan(0), "AA E5 01 00 00 00 01 91", "AA E5 01 00 00 00 01 91"},
        {"SD163 no auto scan", 54, 1, {}, AutoScan(1), ""},

        {"sweep", 49, 3, {}, Sweep(), "#521961C03EEC24AD", "#CFEBF4913A379C85"},
        {"sweep", 51, 3, {}, Sweep(), "#A67661D3EC9AD5A2", "#24DF206AD950DEC4"},
        {"sweep", 53, 3, {}, Sweep(), "#852AFB8300B41384", "#361A25C1F3A2B39C"},
        {"sweep", 54, 3, {}, Sweep(), "#06B69DC89D8E59FB", "#0632FA66ED4FBE8B"},
    });
}

}  // namespace
