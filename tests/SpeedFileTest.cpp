// The capture path's speed file under <cwd>/config/ptz_speed.ini.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "interface/CPtApp.h"
#include "interface/CPtManager.h"
#include "platform/Platform.h"
#include "protocol/CPtProtocol.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Each test gets its own current directory with an empty config/.
class SpeedFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SetPTInit(), 1);
        m_old = platform::CurrentDirectory();
        m_dir = TempDir();
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
        mkdir("config", 0755);
    }
    void TearDown() override { ASSERT_EQ(chdir(m_old.c_str()), 0); }
    const uint8_t* Speeds(int channel) { return theApp.Manager()->At(channel)->Speeds(); }
    std::string m_old, m_dir;
};

TEST_F(SpeedFile, DefaultsWithoutFile) {
    CaptureChannel ch(6, 1, 0);
    const uint8_t* s = Speeds(0);
    EXPECT_EQ((std::vector<int>{s[0], s[1], s[2], s[3]}), (std::vector<int>{160, 160, 13, 208}));
}

TEST_F(SpeedFile, SaveNamesSectionAndKeepsOtherSections) {
    {
        std::ofstream f("config/ptz_speed.ini");
        f << "; kept comment\n[other]\nKey=1\n[3 6 1]\nPAN_SPEED=7\n";
    }
    CaptureChannel ch(6, 1, 3);
    EXPECT_EQ(Speeds(3)[0], 7);  // key names compare without case
    ch.Run(Speed(PT_AXIS_ZOOM, 1));
    const std::string text = ReadFile("config/ptz_speed.ini");
    EXPECT_NE(text.find("; kept comment\n[other]\nKey=1\n[3 6 1]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PAN_SPEED=7\n"), std::string::npos) << text;
    EXPECT_NE(text.find("tilt_speed=160\nzoom_speed=13\nfocus_speed=208\n"), std::string::npos) << text;
}

TEST_F(SpeedFile, HighAddressAndLowByteStorage) {
    {
        std::ofstream f("config/ptz_speed.ini");
        f << "[2 6 200]\npan_speed=300\ntilt_speed=-1\nzoom_speed=abc\nfocus_speed=\n";
    }
    CaptureChannel ch(6, 200, 2);
    ASSERT_TRUE(ch.ok());
    const uint8_t* s = Speeds(2);
    EXPECT_EQ((std::vector<int>{s[0], s[1], s[2], s[3]}), (std::vector<int>{44, 255, 0, 208}));
    ch.Run(Speed(PT_AXIS_TILT, 0));
    EXPECT_NE(ReadFile("config/ptz_speed.ini").find("[2 6 200]\npan_speed=44\n"), std::string::npos);
}

TEST_F(SpeedFile, RoundTripThroughANewCaptureOpen) {
    {
        std::ofstream f("config/ptz_speed.ini");
        f << "[2 6 1]\npan_speed=5\n";
    }
    {
        CaptureChannel ch(6, 1, 2);
        ch.Run(Speed(PT_AXIS_FOCUS, 0));  // saves the whole block
    }
    CaptureChannel again(6, 1, 2);
    const uint8_t* s = Speeds(2);
    EXPECT_EQ((std::vector<int>{s[0], s[1], s[2], s[3]}), (std::vector<int>{5, 160, 13, 208}));
    EXPECT_EQ(ReadFile("config/ptz_speed.ini"),
              "[2 6 1]\npan_speed=5\ntilt_speed=160\nzoom_speed=13\nfocus_speed=208\n");
}

TEST_F(SpeedFile, MissingConfigDirectoryFailsSilently) {
    ASSERT_EQ(rmdir("config"), 0);
    CaptureChannel ch(6, 1, 0);
    EXPECT_EQ(ch.Run(Speed(PT_AXIS_ZOOM, 1)), ToHex(Hex("FF 01 00 25 00 03 29")));
    struct stat st;
    EXPECT_NE(stat("config", &st), 0);
}

}  // namespace
