// Fine and MP200 (indexes 2, 12).
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(FineMP200, Vectors) {
    CheckVectors({
        {"F up", 2, 1, {}, Cmd(PT_UP), "AA 5A 10 31", "AA 5A 10 31"},
        {"F preset set", 2, 2, {PresetNo(3)}, Cmd(PT_PRESET_SET), "AA 73 32 33"},
        {"F preset clear resends", 2, 2, {PresetNo(3), Cmd(PT_PRESET_SET)}, Cmd(PT_PRESET_CLEAR),
         "AA 73 32 33"},
        {"F lens stop", 2, 1, {Cmd(PT_ZOOM_WIDE)}, Cmd(PT_LENS_STOP), "AA 52 52 55"},
        {"F address 12 is one character", 2, 12, {}, Cmd(PT_DOWN_RIGHT), "AA 5A C0 3C"},
        {"F status bits accumulate", 2, 1, {Power(1)}, AutoPan(1), "AA 50 31 18", "AA 50 31 18"},
        {"F auto-pan off clears only its bit", 2, 1, {Power(1), AutoPan(1)}, AutoPan(0),
         "AA 50 31 10"},
        {"F lamp shares the power bit", 2, 1, {Power(1), AutoPan(1)}, Lamp(0), "AA 50 31 08"},
        {"F auto-scan unsupported", 2, 1, {}, AutoScan(0), ""},

        {"M attach sends the frame", 12, 1, {}, Attach(), "A0 01 00 00 4F 01 FF FF FF AF B1",
         "A0 01 00 00 4F 01 FF FF FF AF B1"},
        {"M up", 12, 1, {}, Cmd(PT_UP), "A0 01 00 00 08 20 20 44 FF AF 73"},
        {"M address 2", 12, 2, {}, Cmd(PT_UP), "A0 02 00 00 08 20 20 44 FF AF 72"},
        {"M code 8 keeps left", 12, 1, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON),
         "A0 01 00 00 04 20 20 44 FF AF 77"},
        {"M unknown code keeps auto-pan command", 12, 1, {AutoPan(1)}, Cmd(PT_IRIS_OPEN),
         "A0 01 00 00 11 20 20 44 FF AF 6A"},
        {"M auto-pan off", 12, 1, {}, AutoPan(0), "A0 01 00 00 1F FF FF FF FF AF E3"},
        {"M power unsupported", 12, 1, {}, Power(1), "", ""},

        {"sweep", 2, 3, {}, Sweep(), "#BAC8B844327CF8C0", "#264D7C87B245B000"},
        {"sweep", 12, 3, {}, Sweep(), "#F1EB76D6C7388646", "#9C9A9D5A03C32EAC"},
    });
}

}  // namespace
