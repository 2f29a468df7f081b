// Philips/Bosch (7) and Sony EX780S (47): kept command bytes, the preset
// kind byte, and the Sony stop that names the lens group that moved.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(PhilipsSony, Vectors) {
    CheckVectors({
        {"Philips up", 7, 1, {}, Cmd(PT_UP), "86 00 00 02 08 00 10", "86 00 00 02 08 00 10"},
        {"Philips address 0 wraps", 7, 0, {}, Cmd(PT_UP), "86 00 FF 02 08 00 0F"},
        {"Philips preset goto", 7, 2, {PresetNo(3)}, Cmd(PT_PRESET_GOTO), "86 00 01 07 05 03 16"},
        {"Philips preset low byte", 7, 1, {PresetNo(511)}, Cmd(PT_PRESET_SET), "86 00 00 07 04 FF 10"},
        {"Philips unknown code resends as plain", 7, 1, {PresetNo(10), Cmd(PT_PRESET_GOTO)},
         Cmd(PT_PRESET_CLEAR), "86 00 00 02 05 0A 17"},
        {"Philips auto-pan unsupported", 7, 1, {}, AutoPan(1), "", ""},

        {"Sony zoom tele", 47, 1, {}, Cmd(PT_ZOOM_TELE), "81 01 04 07 02 FF", "81 01 04 07 02 FF"},
        {"Sony stop after zoom", 47, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_STOP), "81 01 04 07 00 FF"},
        {"Sony fresh stop", 47, 1, {}, Cmd(PT_STOP), "81 01 04 00 00 FF"},
        {"Sony focus wins", 47, 1, {Cmd(PT_FOCUS_NEAR), Cmd(PT_ZOOM_WIDE)}, Cmd(PT_STOP),
         "81 01 04 08 00 FF"},
        {"Sony stop clears flags", 47, 1, {Cmd(PT_ZOOM_TELE), Cmd(PT_STOP), Power(1)}, Cmd(PT_STOP),
         "81 01 04 00 00 FF"},
        {"Sony lens stop resends", 47, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_LENS_STOP), "81 01 04 07 02 FF"},
        {"Sony movement resends", 47, 2, {Cmd(PT_FOCUS_FAR)}, Cmd(PT_LEFT), "82 01 04 08 03 FF"},
        {"Sony power off", 47, 3, {}, Power(0), "83 01 04 00 03 FF", "83 01 04 00 03 FF"},
        {"Sony lamp unsupported", 47, 1, {}, Lamp(1), "", ""},

        {"sweep", 7, 3, {}, Sweep(), "#7FA0B90706C17EE8", "#1E3DCFDA6AA8E638"},
        {"sweep", 47, 3, {}, Sweep(), "#E7CCA9DD5406ECD1", "#C5315D036ED8396F"},
    });
}

}  // namespace
