// KT group (indexes 36, 39, 41): ASCII frames with a remembered stop letter,
// XOR-checked frames with lens stop and preset confirm, and sum-16 frames
// with a stepped output state per address.
#include <gtest/gtest.h>

#include <memory>

#include "protocol/PtPortHandle.h"
#include "interface/PtRegistry.h"
#include "protocol/CPtProtocol.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(KTGroup, Vectors) {
    CheckVectors({
        {"KTD up", 36, 1, {}, Cmd(PT_UP), "32 37 55 30 30 31 7E", "32 37 55 30 30 31 7E"},
        {"KTD stop lower-cases letter", 36, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "32 37 75 30 30 31 7E"},
        {"KTD stop before movement is a space", 36, 1, {}, Cmd(PT_STOP), "00 00 20 30 30 31 7E"},
        {"KTD lens stop after zoom", 36, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_LENS_STOP),
         "30 30 69 30 30 31 7E"},
        {"KTD address 12", 36, 12, {}, Cmd(PT_LEFT), "32 37 4C 30 31 32 7E"},
        {"KTD preset goto", 36, 1, {PresetNo(47)}, Cmd(PT_PRESET_GOTO), "34 37 45 30 30 31 7E"},
        {"KTD preset keeps stop letter, stop keeps preset prefix", 36, 1,
         {Cmd(PT_DOWN), PresetNo(3), Cmd(PT_PRESET_SET)}, Cmd(PT_STOP), "30 33 64 30 30 31 7E"},
        {"KTD auto-pan keeps stop letter", 36, 1, {Cmd(PT_RIGHT), AutoPan(1)}, Cmd(PT_STOP),
         "30 30 72 30 30 31 7E"},
        {"KTD diagonal leaves length", 36, 1, {Cmd(PT_UP)}, Cmd(PT_UP_RIGHT), "-", ""},
        {"KTD address 25 as two digits", 36, 25, {}, Cmd(PT_UP), "32 37 55 30 32 35 7E"},
        {"KTD address 200, last two digits", 36, 200, {}, Cmd(PT_UP), "32 37 55 30 30 30 7E"},
        {"KTD preset beyond two digits sends nothing", 36, 1, {PresetNo(123)}, Cmd(PT_PRESET_SET),
         "", ""},
        {"KTD attach sends nothing", 36, 1, {}, Attach(), "", ""},

        {"KTS up", 39, 1, {}, Cmd(PT_UP), "02 81 52 55 86 03", "02 81 52 55 86 03"},
        {"KTS preset store and confirm", 39, 1, {PresetNo(5)}, Cmd(PT_PRESET_SET),
         "02 81 53 85 D7 03 02 81 49 85 CD 03", "02 81 53 85 D7 03 | 02 81 49 85 CD 03"},
        {"KTS unknown code after store resends the confirm alone", 39, 1,
         {PresetNo(5), Cmd(PT_PRESET_SET)}, Cmd(PT_AUTO_PAN_ON), "02 81 49 85 CD 03"},
        {"KTS stop after zoom is lens stop", 39, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_STOP),
         "02 81 4D 80 CC 03"},
        {"KTS second stop is plain", 39, 1, {Cmd(PT_ZOOM_TELE), Cmd(PT_STOP)}, Cmd(PT_STOP),
         "02 81 53 4D 9F 03"},
        {"KTS unknown code keeps lens flag", 39, 1, {Cmd(PT_FOCUS_FAR), Cmd(PT_UP_LEFT)},
         Cmd(PT_LENS_STOP), "02 81 4D 80 CC 03"},
        {"KTS unknown code resends goto", 39, 1, {PresetNo(2), Cmd(PT_PRESET_GOTO)},
         Cmd(PT_UP_RIGHT), "02 81 41 52 92 03"},
        {"KTS fresh unknown code", 39, 1, {}, Cmd(PT_ZONE_END), "02 81 00 00 81 03"},
        {"KTS lamp off sends the lamp toggle", 39, 1, {}, Lamp(0), "02 81 53 48 9A 03"},
        {"KTS address wraps", 39, 0x90, {}, Cmd(PT_UP), "02 10 52 55 97 03"},

        {"KRE up", 41, 1, {}, Cmd(PT_UP), "F5 20 00 01 01 00 C8 01 DF",
         "F5 20 00 01 01 00 C8 01 DF"},
        {"KRE stop repeats last with data 0", 41, 1, {Cmd(PT_UP)}, Cmd(PT_STOP),
         "F5 20 00 01 01 00 00 01 17"},
        {"KRE fresh stop", 41, 1, {}, Cmd(PT_LENS_STOP), "F5 20 00 01 00 00 00 01 16"},
        {"KRE unknown code resends", 41, 1, {Cmd(PT_LEFT)}, Cmd(PT_IRIS_OPEN),
         "F5 20 00 01 03 00 C8 01 E1"},
        {"KRE camera on", 41, 1, {}, Power(1), "F5 20 00 01 09 00 04 01 23"},
        {"KRE lamp on then off restores", 41, 1, {Lamp(1)}, Lamp(0), "F5 20 00 01 09 00 02 01 21"},
        {"KRE aux on twice adds twice", 41, 1, {Aux(1)}, Aux(1), "F5 20 00 01 09 00 12 01 31"},
        {"KRE camera off twice wraps", 41, 1, {Power(0)}, Power(0), "F5 20 00 01 09 00 FE 02 1D"},
        {"KRE stop ignores switches", 41, 1, {Cmd(PT_UP), Aux(1)}, Cmd(PT_STOP),
         "F5 20 00 01 01 00 00 01 17"},
        {"KRE auto-pan unsupported", 41, 1, {}, AutoPan(1), "", ""},

        {"sweep", 36, 3, {}, Sweep(), "#418CD8DD3868AC63", "#7050ED524D8D40BD"},
        {"sweep", 39, 3, {}, Sweep(), "#EE74F2DA2A1143E3", "#F8E4A9ADA9F7A6FB"},
        {"sweep", 41, 3, {}, Sweep(), "#6F7C1442B57D1D0A", "#AFC0355A0CA62A1E"},
    });
}

// Addresses 128 to 255 keep an output state of their own, apart from the
// address that shares their low seven bits.
TEST(KTGroup, KreHighAddressesHaveTheirOwnState) {
    std::unique_ptr<CPtProtocol> kre(ptregistry::Create(41));
    ASSERT_TRUE(kre);
    PtPortHandle high{nullptr, 41, static_cast<signed char>(200)};
    PtPortHandle low{nullptr, 41, 72};
    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    kre->AttachPortNet(&high, buf, &len);
    kre->SetCameraPowerNet(&high, 1, buf, &len);
    EXPECT_EQ(ToHex(buf, len), "F5 20 00 C8 09 00 04 01 EA");
    kre->SetCameraPowerNet(&low, 1, buf, &len);
    EXPECT_EQ(ToHex(buf, len), "F5 20 00 48 09 00 04 01 6A");
    kre->SetLampPowerNet(&high, 1, buf, &len);
    EXPECT_EQ(ToHex(buf, len), "F5 20 00 C8 09 00 08 01 EE");
}

}  // namespace
