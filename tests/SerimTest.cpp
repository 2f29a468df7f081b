// Serim (index 8): frames, and the last command kept in PTINI.INI in the
// Windows-directory stand-in, which the library reads and writes but never
// creates.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

std::string IniPath() { return platform::JoinPath(platform::WindowsDirectory(), "PTINI.INI"); }

void StoreCode(int32_t code) {
    const uint32_t v = static_cast<uint32_t>(code);
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    ASSERT_TRUE(platform::FileWriteAt0(IniPath(), b, 4));
}

std::string StoredBytes() {
    uint8_t b[4];
    return platform::FileReadAt0(IniPath(), b, 4) ? ToHex(b, 4) : "missing";
}

class Serim : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::FileEnsureExists(IniPath()));
        StoreCode(0);
    }
    void TearDown() override { std::remove(IniPath().c_str()); }
};

TEST_F(Serim, Vectors) {
    CheckVectors({
        {"attach frame: address + 1", 8, 1, {}, Attach(), "FC 98 02 00 1A FD", "FC 98 02 00 1A FD"},
        {"up", 8, 1, {}, Cmd(PT_UP), "FC 80 01 01 02 FD", "FC 80 01 01 02 FD"},
        {"stop names the motion", 8, 1, {Cmd(PT_UP)}, Cmd(PT_STOP), "FC 80 01 00 01 FD"},
        {"zoom tele", 8, 1, {}, Cmd(PT_ZOOM_TELE), "FC 90 01 01 12 FD"},
        {"lens stop clears the command", 8, 1, {Cmd(PT_LEFT)}, Cmd(PT_LENS_STOP), "FC 00 01 01 82 FD"},
        {"unknown code resends running", 8, 1, {Cmd(PT_LEFT), Cmd(PT_STOP)}, Cmd(PT_PRESET_SET),
         "FC 84 01 01 06 FD"},
        {"second stop keeps the first's command", 8, 1, {Cmd(PT_LEFT), Cmd(PT_STOP)}, Cmd(PT_STOP),
         "FC 84 01 00 05 FD"},
        {"auto-pan is one toggle", 8, 1, {}, AutoPan(0), "FC 8E 01 00 0F FD", "FC 8E 01 00 0F FD"},
        {"auto-pan leaves the stored command", 8, 1, {Cmd(PT_RIGHT), AutoPan(1)}, Cmd(PT_ZONE_END),
         "FC 86 01 01 08 FD"},
        {"power unsupported", 8, 1, {}, Power(1), "", ""},

        {"sweep", 8, 3, {}, Sweep(), "#626BD06034972F6F", "#82CAE9BB548134B7"},
    });
}

// The file outlives the object: a stop on a reopened channel stops what the
// closed one started, and every code is recorded, capture mode included.
TEST_F(Serim, StopAfterReopenUsesTheFile) {
    {
        CaptureChannel first(8, 1);
        first.Run(Cmd(PT_DOWN_LEFT));
    }
    EXPECT_EQ(StoredBytes(), "05 00 00 00");
    CaptureChannel second(8, 1);
    EXPECT_EQ(second.Run(Cmd(PT_STOP)), "FC 14 01 00 95 FD");
    EXPECT_EQ(StoredBytes(), "0D 00 00 00");
    second.Run(Cmd(-3));
    EXPECT_EQ(StoredBytes(), "FD FF FF FF");
}

TEST_F(Serim, StopReadsWhatAnotherWriterLeft) {
    CaptureChannel ch(8, 1);
    ch.Run(Cmd(PT_UP));
    StoreCode(PT_DOWN);
    EXPECT_EQ(ch.Run(Cmd(PT_STOP)), "FC 82 01 00 03 FD");
    StoreCode(99);  // not a motion: the object's own command stays
    EXPECT_EQ(ch.Run(Cmd(PT_STOP)), "FC 82 01 00 03 FD");
}

TEST_F(Serim, WithoutTheFileFramesStillGoOut) {
    std::remove(IniPath().c_str());
    SerialRig rig(8, 1);
    rig.Run(Cmd(PT_ZOOM_WIDE));
    EXPECT_EQ(rig.Run(Cmd(PT_STOP)), "FC 92 01 00 13 FD");
    EXPECT_EQ(StoredBytes(), "missing");
}

}  // namespace
