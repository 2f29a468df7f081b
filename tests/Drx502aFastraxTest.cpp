// DRX502A and FastraxII (indexes 28, 34). DRX502A keeps its speeds in the
// shared block: a capture channel loads them from the speed file (160 =
// 0xA0 by default), a serial one starts from 0xB5. Rows that step a speed
// in capture mode save it, so each uses an address of its own.
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(Drx502aFastrax, Vectors) {
    CheckVectors({
        {"D up: file speeds captured, constructor speeds on the line", 28, 1, {}, Cmd(PT_UP),
         "55 00 01 00 08 A0 A0 00 00 AA D8", "55 00 01 00 08 B5 B5 00 00 AA AE"},
        {"D stop", 28, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "55 00 01 00 00 00 00 00 00 AA 20"},
        {"D zoom carries zoom|focus", 28, 1, {}, Cmd(PT_ZOOM_TELE), "55 00 01 00 20 00 00 DD 00 AA 23"},
        {"D code 8 speeds only", 28, 1, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON),
         "55 00 01 00 00 A0 A0 00 00 AA E0", "55 00 01 00 00 B5 B5 00 00 AA B6"},
        {"D preset counted from 1", 28, 1, {PresetNo(3)}, Cmd(PT_PRESET_GOTO),
         "55 00 01 00 07 00 00 82 00 AA 97"},
        {"D preset 0 and 1 meet", 28, 1, {PresetNo(0)}, Cmd(PT_PRESET_GOTO),
         "55 00 01 00 07 00 00 80 00 AA 99"},
        {"D preset 1", 28, 1, {PresetNo(1)}, Cmd(PT_PRESET_GOTO), "55 00 01 00 07 00 00 80 00 AA 99"},
        {"D iris close", 28, 1, {}, Cmd(PT_IRIS_CLOSE), "55 00 01 00 57 00 00 81 83 AA C5"},
        {"D camera on", 28, 1, {}, Power(1), "55 00 01 00 4F 00 81 00 00 AA 50"},
        {"D lamp off", 28, 1, {}, Lamp(0), "55 00 01 00 4F 00 82 00 00 AA 4F"},
        {"D auto-pan on", 28, 1, {}, AutoPan(1), "55 00 01 00 1B 00 80 00 00 AA 85"},
        {"D auto-pan off", 28, 1, {}, AutoPan(0), "55 00 01 00 1F 00 00 00 00 AA 01"},
        {"D attach leaves the length", 28, 1, {}, Attach(), "-"},
        {"D speed step sends nothing", 28, 2, {}, Speed(PT_AXIS_PAN, 1), "", ""},
        {"D unknown axis leaves the length", 28, 2, {}, Speed(4, 1), "-"},
        {"D pan capped at BF", 28, 3, std::vector<Op>(32, Speed(PT_AXIS_PAN, 1)), Cmd(PT_RIGHT),
         "55 00 03 00 02 BF A0 00 00 AA BD", "55 00 03 00 02 BF B5 00 00 AA A8"},
        {"D tilt down one", 28, 4, {Speed(PT_AXIS_TILT, 0)}, Cmd(PT_DOWN),
         "55 00 04 00 10 A0 9F 00 00 AA CE", "55 00 04 00 10 B5 B4 00 00 AA A4"},
        {"D zoom floored at 05", 28, 5, std::vector<Op>(12, Speed(PT_AXIS_ZOOM, 0)),
         Cmd(PT_ZOOM_TELE), "55 00 05 00 20 00 00 D5 00 AA 27"},
        {"D unknown axis changes nothing", 28, 6, {Speed(-1, 1), Speed(9, 0)}, Cmd(PT_UP),
         "55 00 06 00 08 A0 A0 00 00 AA D3", "55 00 06 00 08 B5 B5 00 00 AA A9"},

        {"F up", 34, 1, {}, Cmd(PT_UP), "A5 01 10 0D 81 55 99", "A5 01 10 0D 81 55 99"},
        {"F stop", 34, 1, {}, Cmd(PT_STOP), "A5 01 10 0D 88 55 A0"},
        {"F lens stop resends", 34, 1, {Cmd(PT_UP)}, Cmd(PT_LENS_STOP), "A5 01 10 0D 81 55 99"},
        {"F unknown code after attach", 34, 1, {}, Cmd(PT_AUTO_PAN_ON), "A5 01 00 00 00 00 A6"},
        {"F preset goto 18", 34, 1, {PresetNo(18)}, Cmd(PT_PRESET_GOTO), "A5 01 11 81 82 55 0F"},
        {"F preset set 5", 34, 1, {PresetNo(5)}, Cmd(PT_PRESET_SET), "A5 01 27 80 85 55 27"},
        {"F preset 255", 34, 1, {PresetNo(255)}, Cmd(PT_PRESET_SET), "A5 01 27 8F 8F 55 40"},
        {"F preset 511 goes as its low byte", 34, 1, {PresetNo(511)}, Cmd(PT_PRESET_SET),
         "A5 01 27 8F 8F 55 40"},
        {"F power unsupported", 34, 1, {}, Power(1), ""},
        {"F attach sends nothing", 34, 1, {}, Attach(), ""},

        {"sweep", 28, 3, {}, Sweep(), "#0C8FE62DA1934A2E", "#C8B2FA7E647058F5"},
        {"sweep", 34, 3, {}, Sweep(), "#D56B0D234660D94F", "#847957D06977B2F1"},
    });
}

// Speeds from the file outside the ranges: the steps wrap at 0xFF/0x00
// and are bounded on one side only; axis 3 always resets focus to 0xD0.
// The stepped speeds come back at the next capture open.
TEST(Drx502aFastrax, SpeedFileEdges) {
    const std::string file =
        platform::JoinPath(platform::JoinPath(platform::CurrentDirectory(), "config"), "ptz_speed.ini");
    platform::ProfileWriteString(file, "0 28 9", "pan_speed", "255");
    platform::ProfileWriteString(file, "0 28 9", "zoom_speed", "0");
    platform::ProfileWriteString(file, "0 28 9", "focus_speed", "1");
    platform::ProfileWriteString(file, "0 28 10", "pan_speed", "16");
    {
        CaptureChannel ch(28, 9);
        EXPECT_EQ(ch.Run(Cmd(PT_ZOOM_TELE)), ToHex(Hex("55 00 09 00 20 00 00 01 00 AA F7")));
        ch.Run(Speed(PT_AXIS_FOCUS, 1));
        EXPECT_EQ(ch.Run(Cmd(PT_ZOOM_TELE)), ToHex(Hex("55 00 09 00 20 00 00 D0 00 AA 28")));
        ch.Run(Speed(PT_AXIS_PAN, 1));
        ch.Run(Speed(PT_AXIS_ZOOM, 0));
        EXPECT_EQ(ch.Run(Cmd(PT_UP)), ToHex(Hex("55 00 09 00 08 00 A0 00 00 AA 70")));
    }
    {
        CaptureChannel again(28, 9);
        EXPECT_EQ(again.Run(Cmd(PT_UP)), ToHex(Hex("55 00 09 00 08 00 A0 00 00 AA 70")));
        EXPECT_EQ(again.Run(Cmd(PT_ZOOM_TELE)), ToHex(Hex("55 00 09 00 20 00 00 FF 00 AA F9")));
    }

    CaptureChannel low(28, 10);
    low.Run(Speed(PT_AXIS_PAN, 1));
    EXPECT_EQ(low.Run(Cmd(PT_RIGHT)), ToHex(Hex("55 00 0A 00 02 11 A0 00 00 AA 64")));
    low.Run(Speed(PT_AXIS_PAN, 0));
    EXPECT_EQ(low.Run(Cmd(PT_RIGHT)), ToHex(Hex("55 00 0A 00 02 81 A0 00 00 AA F4")));
}

}  // namespace
