// Sysmania receivers (indexes 15, 33): the digit-encoded address, the
// ORX-1000's repeated writes and 24-byte power captures, and the
// stateless DVRX-1000.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

#define ORX_POWER_ON "10 21 30 63 40 04"
#define ORX_STOP "10 21 30 00 40 A1"

TEST(Sysmania, Vectors) {
    CheckVectors({
        {"ORX attach sends stop", 15, 1, {}, Attach(), ORX_STOP, ORX_STOP},
        {"ORX up twice", 15, 1, {}, Cmd(PT_UP), "10 21 30 00 41 A2", "10 21 30 00 41 A2 | 10 21 30 00 41 A2"},
        {"ORX code 20 stops", 15, 1, {Cmd(PT_UP)}, Cmd(PT_IRIS_OPEN), ORX_STOP, ORX_STOP " | " ORX_STOP},
        {"ORX code 8 stops", 15, 1, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON), ORX_STOP, "10 21 30 00 40 A1 | 10 21 30 00 40 A1"},
        {"ORX focus near address 12", 15, 12, {}, Cmd(PT_FOCUS_NEAR), "10 22 31 AC 40 4F", "= | ="},
        {"ORX power four copies", 15, 1, {}, Power(1),
         ORX_POWER_ON " " ORX_POWER_ON " " ORX_POWER_ON " " ORX_POWER_ON,
         ORX_POWER_ON " | " ORX_POWER_ON " | " ORX_POWER_ON " | " ORX_POWER_ON},
        {"ORX power 2 is on", 15, 1, {}, Power(2), ORX_POWER_ON " " ORX_POWER_ON " " ORX_POWER_ON " " ORX_POWER_ON},
        {"ORX lamp on", 15, 1, {}, Lamp(1),
         "10 21 30 64 40 05 10 21 30 64 40 05 10 21 30 64 40 05 10 21 30 64 40 05"},
        {"ORX auto-pan off", 15, 1, {}, AutoPan(0), "10 21 30 00 44 A5", "10 21 30 00 44 A5 | 10 21 30 00 44 A5"},
        {"ORX aux unsupported", 15, 1, {}, Aux(1), "", ""},
        {"ORX address 200", 15, 200, {}, Attach(), "12 20 30 00 40 A2"},

        {"DVRX attach silent", 33, 1, {}, Attach(), "", ""},
        {"DVRX power on once", 33, 1, {}, Power(1), "10 21 30 63 00 C4", "10 21 30 63 00 C4"},
        {"DVRX power 2 is off", 33, 1, {}, Power(2), "10 21 30 60 00 C1"},
        {"DVRX lamp on", 33, 1, {}, Lamp(1), "10 21 30 67 00 C8"},
        {"DVRX aux on", 33, 1, {}, Aux(1), "10 21 30 6B 00 CC"},
        {"DVRX auto-pan off", 33, 1, {}, AutoPan(0), "10 21 30 40 00 A1"},
        {"DVRX code 8 auto-pan", 33, 1, {}, Cmd(PT_AUTO_PAN_ON), "10 21 30 5F 40 00"},
        {"DVRX lens stop zero", 33, 1, {Cmd(PT_UP)}, Cmd(PT_LENS_STOP), "10 21 30 00 00 61"},
        {"DVRX address 100", 33, 100, {}, Cmd(PT_UP), "11 20 30 00 41 A2"},
        {"DVRX address 123", 33, 123, {}, Cmd(PT_STOP), "11 23 32 00 40 A6"},
        {"DVRX address 9", 33, 9, {}, Cmd(PT_STOP), "10 29 30 00 40 A9"},

        {"sweep", 15, 3, {}, Sweep(), "#A85B3A89685A6966", "#78EC3411A25166C2"},
        {"sweep", 33, 3, {}, Sweep(), "#001BC93018A70510", "#76C8C7019AA0737E"},
    });
}

}  // namespace
