// KD6 and Niko (indexes 13, 20).
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(KD6Niko, Vectors) {
    CheckVectors({
        // Parity vectors: address, pan, tilt and zoom exercise all three groups.
        {"KD6 up", 13, 1, {}, Cmd(PT_UP), "00 01 80 00 80 60", "00 01 80 00 80 60"},
        {"KD6 stop", 13, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "00 01 80 80 80 20"},
        {"KD6 zoom tele", 13, 1, {}, Cmd(PT_ZOOM_TELE), "00 01 80 80 FF A0"},
        {"KD6 address 2", 13, 2, {}, Cmd(PT_UP), "00 02 80 00 80 80"},
        {"KD6 down left 0x5A", 13, 0x5A, {}, Cmd(PT_DOWN_LEFT), "00 5A 00 FF 80 40"},
        {"KD6 up right 0xC3", 13, 0xC3, {}, Cmd(PT_UP_RIGHT), "00 C3 FF 00 80 E0"},
        {"KD6 code 8 resends right", 13, 1, {Cmd(PT_RIGHT)}, Cmd(PT_AUTO_PAN_ON), "00 01 FF 80 80 20"},
        // Focus flags ride in the low bits beside intact parity.
        {"KD6 focus near", 13, 1, {}, Cmd(PT_FOCUS_NEAR), "00 01 80 80 80 28"},
        {"KD6 focus far", 13, 1, {}, Cmd(PT_FOCUS_FAR), "00 01 80 80 80 30"},
        {"KD6 attach sends nothing", 13, 1, {}, Attach(), ""},
        {"KD6 no auto-pan", 13, 1, {}, AutoPan(1), ""},

        {"N attach sends both frames", 20, 1, {}, Attach(),
         "AA 00 00 00 00 00 01 00 AA 00 00 00 00 00 01 00",
         "AA 00 00 00 00 00 01 00 | AA 00 00 00 00 00 01 00"},
        {"N up", 20, 1, {}, Cmd(PT_UP), "AA 9B 32 00 00 00 01 78", "AA 9B 32 00 00 00 01 78"},
        {"N stop is two frames", 20, 1, {}, Cmd(PT_STOP),
         "AA E5 00 00 00 00 01 90 AA 5F 0C 00 00 00 01 16",
         "AA E5 00 00 00 00 01 90 | AA 5F 0C 00 00 00 01 16"},
        {"N diagonal is two axes", 20, 1, {}, Cmd(PT_DOWN_LEFT),
         "AA 9D 32 00 00 00 01 7A AA 97 32 00 00 00 01 74"},
        {"N unknown code after attach gets a sum", 20, 1, {}, Cmd(PT_IRIS_OPEN),
         "AA 00 00 00 00 00 01 AB"},
        {"N code 8 resends zoom", 20, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_AUTO_PAN_ON),
         "AA 5F 01 00 00 00 01 0B"},
        {"N auto-pan after diagonal is one frame", 20, 1, {Cmd(PT_UP_RIGHT)}, AutoPan(1),
         "AA B6 00 00 00 00 01 61", "AA B6 00 00 00 00 01 61"},
        {"N power unsupported", 20, 1, {}, Power(1), ""},

        {"sweep", 13, 3, {}, Sweep(), "#585FEE375E08257F", "#C4EEE88538CD95BD"},
        // Address 0x0D turns all three parity bits the other way, so a
        // focus flag landing on a parity bit shows in one of the two sweeps.
        {"sweep", 13, 0x0D, {}, Sweep(), "#F8F7CE962518D9B9", "#D5219CCA56192E57"},
        {"sweep", 20, 3, {}, Sweep(), "#15FFF4A877167381", "#6182F59626147E6D"},
    });
}

}  // namespace
