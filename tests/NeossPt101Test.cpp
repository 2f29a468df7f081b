// NEOSSRX-1 and PT-101 (indexes 22, 23).
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(NeossPt101, Vectors) {
    CheckVectors({
        {"NE up", 22, 1, {}, Cmd(PT_UP), "40 43 01 01 85", "40 43 01 01 85"},
        {"NE diagonal sends stop", 22, 1, {}, Cmd(PT_UP_RIGHT), "40 43 01 00 84"},
        {"NE focus far", 22, 1, {}, Cmd(PT_FOCUS_FAR), "40 43 01 30 B4"},
        {"NE camera on", 22, 1, {}, Power(1), "40 50 01 21 B2", "40 50 01 21 B2"},
        {"NE camera off", 22, 1, {}, Power(0), "40 50 01 11 A2"},
        {"NE lamp 2 is off", 22, 1, {}, Lamp(2), "40 50 01 12 A3"},
        {"NE aux on", 22, 1, {}, Aux(1), "40 50 01 23 B4"},
        {"NE attach sends nothing", 22, 1, {}, Attach(), ""},
        {"NE auto-pan unsupported", 22, 1, {}, AutoPan(1), ""},

        {"PT up", 23, 1, {}, Cmd(PT_UP), "55 00 01 00 08 00 C0 00 00 AA 58",
         "55 00 01 00 08 00 C0 00 00 AA 58"},
        {"PT stop clears the body", 23, 1, {Cmd(PT_UP_LEFT)}, Cmd(PT_STOP),
         "55 00 01 00 00 00 00 00 00 AA 20"},
        {"PT focus near", 23, 1, {}, Cmd(PT_FOCUS_NEAR), "55 00 01 02 00 00 00 0D 00 AA 11"},
        {"PT check wraps", 23, 0x80, {}, Cmd(PT_UP), "55 00 80 00 08 00 C0 00 00 AA D9"},
        {"PT auto-pan on", 23, 1, {}, AutoPan(1), "55 00 01 00 1B 00 0D 00 00 AA F8"},
        {"PT auto-pan off", 23, 1, {}, AutoPan(0), "55 00 01 00 1F 00 00 00 00 AA 01"},
        {"PT attach sends nothing", 23, 1, {}, Attach(), ""},
        {"PT power unsupported", 23, 1, {}, Power(1), ""},

        {"sweep", 22, 3, {}, Sweep(), "#83239AF8E4FAA4B0", "#E255B58F2F2734FC"},
        {"sweep", 23, 3, {}, Sweep(), "#21F478AD5D8FEEF7", "#97D65057133AAE4B"},
    });
}

}  // namespace
