// OmniView and CTNCOM-HD0670 (indexes 17, 19).
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

// OmniView line for address 1 with the four axis letters in the middle.
#define OV(letters) "2F 0D 0A 30 30 31 " letters " 20 0D 0A"
#define OFF OV("20 4C 20 20")

TEST(OmniViewCtncom, Vectors) {
    CheckVectors({
        {"OV attach writes the still line", 17, 1, {}, Attach(), OV("20 20 20 20"),
         OV("20 20 20 20")},
        {"OV up", 17, 1, {}, Cmd(PT_UP), OV("55 20 20 20"), OV("55 20 20 20")},
        {"OV right is L", 17, 1, {}, Cmd(PT_DOWN_RIGHT), OV("44 4C 20 20")},
        {"OV near is F", 17, 1, {}, Cmd(PT_FOCUS_NEAR), OV("20 20 20 46")},
        {"OV tele is W", 17, 1, {}, Cmd(PT_ZOOM_TELE), OV("20 20 57 20")},
        {"OV stop clears the letters", 17, 1, {Cmd(PT_UP_LEFT)}, Cmd(PT_STOP), OV("20 20 20 20")},
        {"OV address 13", 17, 13, {}, Cmd(PT_UP), "2F 0D 0A 30 31 33 55 20 20 20 20 0D 0A"},
        {"OV address 9", 17, 9, {}, Cmd(PT_UP), "2F 0D 0A 30 30 39 55 20 20 20 20 0D 0A"},
        {"OV address 25 stays digits", 17, 25, {}, Cmd(PT_UP), "2F 0D 0A 30 32 35 55 20 20 20 20 0D 0A"},
        {"OV auto-pan on", 17, 1, {}, AutoPan(1), OV("41 20 20 20")},
        {"OV auto-pan off: six lines, one captured", 17, 1, {Cmd(PT_UP)}, AutoPan(0), OFF,
         OFF " | p100 | " OFF " | " OFF " | p100 | " OFF " | " OFF " | p100 | " OFF},
        {"OV power unsupported", 17, 1, {}, Power(1), ""},

        {"CT attach writes all-still", 19, 1, {}, Attach(), "F0 00 00 00 00 00 00 00 70",
         "F0 00 00 00 00 00 00 00 70"},
        {"CT up", 19, 1, {}, Cmd(PT_UP), "F0 00 00 00 00 00 BC 00 2C", "F0 00 00 00 00 00 BC 00 2C"},
        {"CT zoom tele address 2", 19, 2, {}, Cmd(PT_ZOOM_TELE), "F0 01 00 00 00 00 00 BC 2D"},
        {"CT address 0 wraps", 19, 0, {}, Cmd(PT_STOP), "F0 FF 00 00 00 00 00 00 6F"},
        {"CT down left", 19, 1, {}, Cmd(PT_DOWN_LEFT), "F0 00 00 00 00 3C 3C 00 68"},
        {"CT focus near", 19, 1, {}, Cmd(PT_FOCUS_NEAR), "F0 00 00 00 07 00 00 00 77"},
        {"CT unknown code is all-still", 19, 1, {Cmd(PT_UP)}, Cmd(PT_PRESET_GOTO),
         "F0 00 00 00 00 00 00 00 70"},
        {"CT auto-pan unsupported", 19, 1, {}, AutoPan(1), ""},

        {"sweep", 17, 3, {}, Sweep(), "#728D56469FF7EC45", "#90EF761D62E7007D"},
        {"sweep", 19, 3, {}, Sweep(), "#BA28E8D57C5779CD", "#8A011E9FDAEC8E9D"},
    });
}

}  // namespace
