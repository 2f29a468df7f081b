// Techwin (16) and Sungjin (9): Techwin's own speeds and kept command
// bytes; Sungjin's split writes and its two address sources.
#include <gtest/gtest.h>

#include <memory>

#include "protocol/PtPortHandle.h"
#include "interface/PtRegistry.h"
#include "protocol/CPtProtocol.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(TechwinSungjin, Vectors) {
    CheckVectors({
        {"Techwin attach frame, check left 0", 16, 1, {}, Attach(),
         "A0 01 00 00 00 20 20 04 04 AF 00", "A0 01 00 00 00 20 20 04 04 AF 00"},
        {"Techwin up", 16, 1, {}, Cmd(PT_UP), "A0 01 00 00 08 33 33 04 04 AF 88",
         "A0 01 00 00 08 33 33 04 04 AF 88"},
        {"Techwin focus carries focus speed", 16, 1, {}, Cmd(PT_FOCUS_NEAR),
         "A0 01 00 02 00 33 33 80 04 AF 12"},
        {"Techwin auto-pan keeps command1", 16, 1, {Cmd(PT_FOCUS_NEAR)}, AutoPan(1),
         "A0 01 00 02 1B 00 FF FF FF AF E4"},
        {"Techwin auto-pan off", 16, 1, {}, AutoPan(0), "A0 01 00 00 1F FF FF FF FF AF E3"},
        {"Techwin preset goto", 16, 1, {PresetNo(5)}, Cmd(PT_PRESET_GOTO),
         "A0 01 00 00 07 05 00 04 04 AF EA"},
        {"Techwin speeds return after preset", 16, 1, {PresetNo(5), Cmd(PT_PRESET_GOTO)}, Cmd(PT_UP),
         "A0 01 00 00 08 33 33 04 04 AF 88"},
        {"Techwin unknown code keeps command", 16, 1, {Cmd(PT_LEFT)}, Cmd(PT_IRIS_OPEN),
         "A0 01 00 00 04 33 33 04 04 AF 8C"},
        {"Techwin unknown code after power", 16, 1, {Lamp(1)}, Cmd(PT_ZONE_START),
         "A0 01 00 00 4F 33 33 04 04 AF 41"},
        {"Techwin lamp on", 16, 1, {}, Lamp(1), "A0 01 00 00 4F 03 FF FF FF AF AF"},
        {"Techwin zoom default steps up to 7", 16, 1, {Speed(PT_AXIS_ZOOM, 1)}, Cmd(PT_ZOOM_WIDE),
         "A0 01 00 00 40 33 33 07 04 AF 4D"},
        {"Techwin focus default steps up to 7F", 16, 1, {Speed(PT_AXIS_FOCUS, 1)}, Cmd(PT_FOCUS_FAR),
         "A0 01 00 01 00 33 33 7F 04 AF 14"},
        {"Techwin speed step sends nothing", 16, 1, {}, Speed(PT_AXIS_PAN, 1), "", ""},
        {"Techwin unknown axis leaves length", 16, 1, {}, Speed(4, 1), "-", ""},

        {"Sungjin up, prefix apart", 9, 1, {}, Cmd(PT_UP), "40 43 01 01 85", "40 43 | 01 01 85"},
        {"Sungjin camera on", 9, 2, {}, Power(1), "40 50 02 21 00 B3", "40 50 | 02 21 00 B3"},
        {"Sungjin aux off is auto-pan on", 9, 1, {}, Aux(0), "40 50 01 23 00 B4"},
        {"Sungjin unknown code resends", 9, 1, {Cmd(PT_LEFT)}, Cmd(PT_PRESET_SET), "40 43 01 04 88"},
        {"Sungjin attach sends nothing", 9, 1, {}, Attach(), "", ""},

        {"sweep", 9, 3, {}, Sweep(), "#9B06053BF3DD5F3C", "#59187FC28C61C3C4"},
        {"sweep", 16, 3, {}, Sweep(), "#ADE1BD9FD0B317B9", "#C5FFC55A4F5C16AD"},
    });
}

// Each axis stops at both ends: pan and tilt 0 and 0x3F, zoom 1 and 7,
// focus 0x10 and 0x7F (bytes 5, 6 and 7 of the next command).
TEST(TechwinSungjin, TechwinSpeedsClamp) {
    const struct {
        int axis, code;
        const char *low, *high;
    } rows[] = {
        {PT_AXIS_PAN, PT_UP, "A0 01 00 00 08 00 33 04 04 AF BB",
         "A0 01 00 00 08 3F 33 04 04 AF 7C"},
        {PT_AXIS_TILT, PT_UP, "A0 01 00 00 08 33 00 04 04 AF BB",
         "A0 01 00 00 08 33 3F 04 04 AF 7C"},
        {PT_AXIS_ZOOM, PT_ZOOM_WIDE, "A0 01 00 00 40 33 33 01 04 AF 53",
         "A0 01 00 00 40 33 33 07 04 AF 4D"},
        {PT_AXIS_FOCUS, PT_FOCUS_NEAR, "A0 01 00 02 00 33 33 10 04 AF 82",
         "A0 01 00 02 00 33 33 7F 04 AF 13"},
    };
    for (const auto& r : rows) {
        CaptureChannel ch(16, 1);
        for (int i = 0; i < 200; ++i) ch.Run(Speed(r.axis, 0));
        EXPECT_EQ(ch.Run(Cmd(r.code)), r.low) << "axis " << r.axis;
        for (int i = 0; i < 200; ++i) ch.Run(Speed(r.axis, 1));
        EXPECT_EQ(ch.Run(Cmd(r.code)), r.high) << "axis " << r.axis;
    }
}

// Commands keep the address of the attach; the 40 50 forms read the handle.
TEST(TechwinSungjin, SungjinAddressSources) {
    SerialRig fresh(9, 5, /*attach=*/false);
    EXPECT_EQ(fresh.Run(Cmd(PT_UP)), "40 43 | 00 01 84");

    std::unique_ptr<CPtProtocol> sungjin(ptregistry::Create(9));
    ASSERT_TRUE(sungjin);
    PtPortHandle h{nullptr, 9, 1};
    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    sungjin->AttachPortNet(&h, buf, &len);
    h.address = 2;
    sungjin->SetCmdNet(&h, PT_DOWN, buf, &len);
    EXPECT_EQ(ToHex(buf, len), "40 43 01 02 86");
    sungjin->SetAutoPanNet(&h, 0, buf, &len);
    EXPECT_EQ(ToHex(buf, len), "40 50 02 13 00 A5");
}

}  // namespace
