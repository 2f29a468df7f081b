// NEWBORN SpeedDome (index 52): every command twice on the line.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

#define UP1 "AA 9B 32 00 00 00 01 78"
#define DL1 "AA 9D 32 00 00 00 01 7A"
#define DL2 "AA 97 32 00 00 00 01 74"
#define EMPTY1 "AA 00 00 00 00 00 01 AB"

TEST(Newborn, Vectors) {
    CheckVectors({
        {"up twice 200 ms apart", 52, 1, {}, Cmd(PT_UP), UP1, UP1 " | p200 | " UP1},
        {"diagonal: both frames, twice", 52, 1, {}, Cmd(PT_DOWN_LEFT), DL1 " " DL2,
         DL1 " | " DL2 " | p200 | " DL1 " | " DL2},
        {"stop: pan/tilt then lens", 52, 1, {}, Cmd(PT_LENS_STOP),
         "AA E5 00 00 00 00 01 90 AA 5F 0C 00 00 00 01 16", "AA E5 00 00 00 00 01 90 | AA 5F 0C 00 00 00 01 16 | p200 | AA E5 00 00 00 00 01 90 | AA 5F 0C 00 00 00 01 16"},
        {"zone start", 52, 1, {PresetNo(5)}, Cmd(PT_ZONE_START), "AA B5 05 32 01 00 01 98", "= | p200 | ="},
        {"preset low byte", 52, 1, {PresetNo(0x105)}, Cmd(PT_PRESET_SET), "AA D5 05 01 00 00 01 86", "= | p200 | ="},
        {"unknown code clears the command", 52, 1, {Cmd(PT_UP)}, Cmd(PT_AUTO_PAN_ON), EMPTY1,
         EMPTY1 " | p200 | " EMPTY1},
        {"auto-pan on", 52, 1, {}, AutoPan(1), "AA B6 00 00 00 00 01 61",
         "AA B6 00 00 00 00 01 61 | p200"},
        {"auto-pan off adds a second call", 52, 1, {}, AutoPan(0), "AA B0 00 00 00 00 01 5B",
         "AA B0 00 00 00 00 01 5B | p200 | AA AA 73 02 00 00 01 CA"},
        {"camera off once", 52, 1, {Cmd(PT_DOWN_LEFT)}, Power(0), "AA 3E 00 00 00 00 01 E9",
         "AA 3E 00 00 00 00 01 E9"},
        {"lamp on", 52, 1, {}, Lamp(1), "AA FE 00 00 00 00 01 A9"},
        {"aux on same as lamp", 52, 1, {}, Aux(1), "AA FE 00 00 00 00 01 A9"},
        {"attach sends nothing", 52, 1, {}, Attach(), ""},
        {"speed unsupported", 52, 1, {}, Speed(PT_AXIS_PAN, 1), ""},

        {"sweep", 52, 3, {}, Sweep(), "#BBA2E74C4A0754D8", "#4509080FEDA958AB"},
    });
}

}  // namespace
