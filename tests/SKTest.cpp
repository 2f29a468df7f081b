// SK family (indexes 43, 44, 48): kept 16-byte frames with doubled stops,
// the reversed dome, and the SK-2172's kept command byte.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

#define SK_STOP "02 01 4D 41 00 00 00 00 00 00 00 00 00 00 8F 04"

TEST(SK, Vectors) {
    CheckVectors({
        {"D106 up", 43, 1, {}, Cmd(PT_UP), "02 01 4D 41 00 00 80 00 00 00 00 00 00 00 0F 04",
         "02 01 4D 41 00 00 80 00 00 00 00 00 00 00 0F 04"},
        {"D106 right clears tilt", 43, 1, {Cmd(PT_UP_RIGHT)}, Cmd(PT_RIGHT),
         "02 01 4D 41 7F 00 00 00 00 00 00 00 00 00 0E 04"},
        {"D106 focus resends zoom", 43, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_FOCUS_NEAR),
         "02 01 4D 41 00 00 00 00 01 00 00 00 00 00 90 04"},
        {"D106 stop twice on the line, once captured", 43, 1, {Cmd(PT_LEFT)}, Cmd(PT_STOP), SK_STOP,
         SK_STOP " | p10 | " SK_STOP},
        {"D106 preset low byte", 43, 1, {PresetNo(300)}, Cmd(PT_PRESET_SET),
         "02 01 53 54 2C 00 00 00 00 00 00 00 00 00 D4 04"},
        {"D106 preset clear", 43, 1, {PresetNo(5)}, Cmd(PT_PRESET_CLEAR),
         "02 01 4D 43 01 05 00 00 00 00 00 00 00 00 97 04"},
        {"D106 code 20 resends preset", 43, 1, {PresetNo(7), Cmd(PT_PRESET_GOTO)}, Cmd(PT_IRIS_OPEN),
         "02 01 50 52 07 00 00 00 00 00 00 00 00 00 AA 04"},
        {"D106 auto-pan keeps zoom", 43, 1, {Cmd(PT_ZOOM_WIDE)}, AutoPan(1),
         "02 01 41 50 00 00 00 00 80 00 00 00 00 00 12 04"},
        {"D106 auto-pan off", 43, 1, {Cmd(PT_DOWN)}, AutoPan(0),
         "02 01 52 53 00 00 00 00 00 00 00 00 00 00 A6 04"},
        {"D106 attach silent", 43, 1, {}, Attach(), "", ""},
        {"D106 lamp unsupported", 43, 1, {}, Lamp(1), "", ""},

        {"D106_R up reversed", 44, 1, {}, Cmd(PT_UP), "02 01 4D 41 00 00 7F 00 00 00 00 00 00 00 0E 04"},
        {"D106_R down left reversed", 44, 1, {}, Cmd(PT_DOWN_LEFT),
         "02 01 4D 41 7F 00 80 00 00 00 00 00 00 00 8E 04"},
        {"D106_R stop captured twice", 44, 1, {}, Cmd(PT_LENS_STOP), SK_STOP " " SK_STOP,
         SK_STOP " | p10 | " SK_STOP},

        {"2172 zoom tele", 48, 1, {}, Cmd(PT_ZOOM_TELE), "C5 60 15 00 01 3B", "C5 60 15 00 01 3B"},
        {"2172 fresh direction", 48, 1, {}, Cmd(PT_UP), "C5 60 00 00 01 26"},
        {"2172 power on", 48, 1, {}, Power(1), "C5 60 A0 00 01 C6"},
        {"2172 direction repeats power off", 48, 1, {Power(0)}, Cmd(PT_UP), "C5 60 A5 00 01 CB"},
        {"2172 auto-pan unsupported", 48, 1, {}, AutoPan(1), "", ""},

        {"sweep", 43, 3, {}, Sweep(), "#D820DA8543EC664A", "#22A3A5824B7C9226"},
        {"sweep", 44, 3, {}, Sweep(), "#70396D3310A324BA", "#18F5C8479BFBEE06"},
        {"sweep", 48, 3, {}, Sweep(), "#88E26B07C3EF03C4", "#3B86E58623F38FE0"},
    });
}

}  // namespace
