// Pelco-P (index 46). Its speeds live in the shared speed block, so a
// capture open starts from the speed file (160 with no file) while a
// serial object starts from its own defaults (0x33): rows whose bytes
// depend on speeds differ between the two modes on purpose.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

// A fresh current directory per test, so no speed file leaks in.
class PelcoP : public ::testing::Test {
protected:
    void SetUp() override {
        m_old = platform::CurrentDirectory();
        ASSERT_EQ(chdir(TempDir().c_str()), 0);
        mkdir("config", 0755);
    }
    void TearDown() override { ASSERT_EQ(chdir(m_old.c_str()), 0); }
    std::string m_old;
};

TEST_F(PelcoP, Vectors) {
    CheckVectors({
        {"up carries the speeds", 46, 1, {}, Cmd(PT_UP), "A0 00 00 08 A0 A0 AF 07", "A0 00 00 08 33 33 AF 07"},
        {"preset goto", 46, 1, {PresetNo(5)}, Cmd(PT_PRESET_GOTO), "A0 00 00 07 00 05 AF 0D",
         "A0 00 00 07 00 05 AF 0D"},
        {"address 0 wraps to FF", 46, 0, {}, Cmd(PT_STOP), "A0 FF 00 00 00 00 AF F0"},
        {"iris close in data 1", 46, 1, {}, Cmd(PT_IRIS_CLOSE), "A0 00 08 00 00 00 AF 07"},
        {"code 18 resends left", 46, 1, {Cmd(PT_LEFT)}, Cmd(PT_SPECIAL_GOTO), "A0 00 00 04 A0 A0 AF 0B",
         "A0 00 00 04 33 33 AF 0B"},
        // Zoom and focus clamp to 0..3 even from a loaded 13 or 208.
        {"zoom speed clamps at 3", 46, 2, {Speed(PT_AXIS_ZOOM, 1)}, Speed(PT_AXIS_ZOOM, 1),
         "A0 01 00 25 00 03 AF 28", "A0 01 00 25 00 03 AF 28"},
        {"focus speed down", 46, 2, {}, Speed(PT_AXIS_FOCUS, 0), "A0 01 00 27 00 03 AF 2A",
         "A0 01 00 27 00 01 AF 28"},
        {"pan step sends nothing", 46, 1, {}, Speed(PT_AXIS_PAN, 1), "", ""},
        {"unknown axis leaves the length", 46, 1, {}, Speed(9, 1), "-", ""},
        {"attach sends nothing", 46, 1, {}, Attach(), ""},
        {"auto pan unsupported", 46, 1, {}, AutoPan(1), "", ""},

        {"sweep", 46, 3, {}, Sweep(), "#E446317992E9A5D6", "#B1BD027B5474ED43"},
    });
}

// A speed stepped in capture mode is saved and comes back at the next
// capture open of the same channel, protocol and address.
TEST_F(PelcoP, CaptureSpeedsComeBackAtNextOpen) {
    {
        CaptureChannel ch(46, 1, 3);
        for (int i = 0; i < 3; ++i) ch.Run(Speed(PT_AXIS_PAN, 0));  // 160 -> 63 -> 62 -> 61
    }
    CaptureChannel again(46, 1, 3);
    EXPECT_EQ(again.Run(Cmd(PT_RIGHT)), ToHex(Hex("A0 00 00 02 3D A0 AF 90")));
    SerialRig serial(46, 1);  // the serial path never reads the file
    EXPECT_EQ(serial.Run(Cmd(PT_RIGHT)), "A0 00 00 02 33 33 AF 0D");
}

}  // namespace
