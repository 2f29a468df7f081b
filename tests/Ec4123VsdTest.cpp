// EC-4123ZD and VSD_640 (indexes 45, 37).
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(Ec4123Vsd, Vectors) {
    CheckVectors({
        {"EC zoom tele", 45, 1, {}, Cmd(PT_ZOOM_TELE), "C5 5F 02 00 01 27", "C5 5F 02 00 01 27"},
        {"EC lens stop ends zoom", 45, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_LENS_STOP), "C5 5F 0C 00 01 31"},
        {"EC second lens stop is no call", 45, 1, {Cmd(PT_ZOOM_TELE), Cmd(PT_LENS_STOP)},
         Cmd(PT_LENS_STOP), "C5 AA 0C 00 01 7C"},
        {"EC lens stop ends focus", 45, 1, {Cmd(PT_FOCUS_NEAR)}, Cmd(PT_LENS_STOP), "C5 5F 0C 00 01 31"},
        {"EC stop leaves zoom running for lens stop", 45, 1, {Cmd(PT_ZOOM_WIDE), Cmd(PT_STOP)},
         Cmd(PT_LENS_STOP), "C5 5F 0C 00 01 31"},
        {"EC up from fresh", 45, 1, {}, Cmd(PT_UP), "C5 AA 00 00 01 70"},
        {"EC unknown keeps lens code", 45, 1, {Cmd(PT_FOCUS_NEAR)}, Cmd(PT_LEFT), "C5 AA 09 00 01 79"},
        {"EC attach sends nothing", 45, 1, {}, Attach(), ""},
        {"EC power unsupported", 45, 1, {}, Power(1), ""},

        {"VSD left", 37, 3, {}, Cmd(PT_LEFT), "03 02 60 80 80 80", "03 02 60 80 80 80"},
        {"VSD preset goto", 37, 3, {PresetNo(9)}, Cmd(PT_PRESET_GOTO), "03 01 09 00 00 00"},
        {"VSD preset low byte", 37, 3, {PresetNo(0x10A)}, Cmd(PT_PRESET_CLEAR), "03 07 0A 00 00 00"},
        {"VSD lamp keeps bytes 4, 5", 37, 3, {Cmd(PT_LEFT)}, Lamp(1), "03 A0 03 01 80 80"},
        {"VSD aux off", 37, 3, {Cmd(PT_ZOOM_WIDE)}, Aux(0), "03 A0 01 00 80 60"},
        {"VSD code 8 resends", 37, 3, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON), "03 02 60 80 80 80"},
        {"VSD auto-pan on", 37, 3, {}, AutoPan(1), "03 60 98 68 78 00"},
        {"VSD auto-pan off", 37, 3, {}, AutoPan(0), "03 61 00 00 00 00"},
        {"VSD attach sends nothing", 37, 3, {}, Attach(), ""},
        {"VSD speed unsupported", 37, 3, {}, Speed(PT_AXIS_PAN, 1), ""},

        {"sweep", 37, 3, {}, Sweep(), "#985D26A3B014569F", "#952C83E564201C5F"},
        {"sweep", 45, 3, {}, Sweep(), "#E1370A2732BFE62D", "#EEBABBC16C19C91F"},
    });
}

}  // namespace
