// Mikami PTC-205 and VRX-2101 (indexes 58, 50).
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

// Mikami frame for address 1: letters and data (bytes 2 to 13), check.
#define MK(body, check) "02 01 " body " " check " 04"
#define ZERO10 "00 00 00 00 00 00 00 00 00 00"

TEST(MikamiVrx, Vectors) {
    CheckVectors({
        {"MK up", 58, 1, {}, Cmd(PT_UP), MK("4D 41 00 00 A1 01 00 00 00 00 00 00", "31"),
         MK("4D 41 00 00 A1 01 00 00 00 00 00 00", "31")},
        {"MK near equals tele", 58, 1, {}, Cmd(PT_FOCUS_NEAR), MK("4D 41 00 00 00 00 01 00 00 00 00 00", "90")},
        {"MK tele", 58, 1, {}, Cmd(PT_ZOOM_TELE), MK("4D 41 00 00 00 00 01 00 00 00 00 00", "90")},
        {"MK preset goto", 58, 1, {PresetNo(7)}, Cmd(PT_PRESET_GOTO),
         MK("50 52 07 00 00 00 01 00 00 00 00 00", "AB")},
        {"MK unknown code empties the call", 58, 1, {Cmd(PT_UP)}, Cmd(PT_AUTO_PAN_ON), MK("00 00 " ZERO10, "01")},
        {"MK camera on", 58, 1, {}, Power(1), MK("43 50 01 00 00 00 00 00 00 00 00 00", "95")},
        {"MK camera clears old data", 58, 1, {PresetNo(7), Cmd(PT_PRESET_CLEAR)}, Power(0),
         MK("43 50 00 00 00 00 00 00 00 00 00 00", "94")},
        {"MK lamp keeps old data", 58, 1, {PresetNo(7), Cmd(PT_PRESET_CLEAR)}, Lamp(1),
         MK("4C 49 01 07 00 00 00 00 00 00 00 00", "9E")},
        {"MK aux zeroes only the call", 58, 1, {PresetNo(7), Cmd(PT_PRESET_CLEAR)}, Aux(1),
         MK("00 00 00 07 00 00 00 00 00 00 00 00", "08")},
        {"MK auto-pan on", 58, 1, {Cmd(PT_UP_LEFT)}, AutoPan(1), MK("41 50 01 02 00 00 00 00 00 00 00 00", "95")},
        {"MK attach sends nothing", 58, 1, {}, Attach(), ""},
        {"MK auto-scan unsupported", 58, 1, {}, AutoScan(1), ""},

        {"VRX up", 50, 1, {}, Cmd(PT_UP), "10 02 01 55 01 04 6D", "10 02 01 55 01 04 6D"},
        {"VRX right adds to up", 50, 1, {Cmd(PT_UP)}, Cmd(PT_RIGHT), "10 02 01 55 05 04 71"},
        {"VRX stop keeps the switches", 50, 1, {Cmd(PT_UP), Cmd(PT_RIGHT)}, Cmd(PT_STOP),
         "10 02 01 55 00 04 6C"},
        {"VRX stop keeps auto-pan and lamp", 50, 1, {AutoPan(1), Lamp(1), Cmd(PT_ZOOM_WIDE), Cmd(PT_LEFT)},
         Cmd(PT_LENS_STOP), "10 02 01 55 10 0C 84"},
        {"VRX lamp on", 50, 1, {}, Lamp(1), "10 02 01 55 00 0C 74"},
        {"VRX camera off clears zoom too", 50, 1, {Cmd(PT_UP), Cmd(PT_ZOOM_TELE)}, Power(0),
         "10 02 01 55 01 00 69"},
        {"VRX lamp off keeps camera only", 50, 1, {Cmd(PT_ZOOM_TELE), Lamp(1)}, Lamp(0),
         "10 02 01 55 00 04 6C"},
        {"VRX aux off keeps auto-pan only", 50, 1, {Cmd(PT_UP), AutoPan(1), Aux(1)}, Aux(0),
         "10 02 01 55 10 04 7C"},
        {"VRX code 8 restates", 50, 1, {Cmd(PT_DOWN), Cmd(PT_UP)}, Cmd(PT_AUTO_PAN_ON),
         "10 02 01 55 03 04 6F"},
        {"VRX attach sends nothing", 50, 1, {}, Attach(), ""},
        {"VRX speed unsupported", 50, 1, {}, Speed(PT_AXIS_ZOOM, 1), ""},

        {"sweep", 50, 3, {}, Sweep(), "#C8231912039506FF", "#5C83A1EB804BC473"},
        {"sweep", 58, 3, {}, Sweep(), "#D23D8C06902A359D", "#CF72706CE1F35A15"},
    });
}

}  // namespace
