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

const char* const kFile = "config/ptz_speed.ini";

std::string ReadFile(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path).rdbuf();
    return s.str();
}

std::vector<int> Speeds(int channel) {
    const uint8_t* s = theApp.Manager()->At(channel)->Speeds();
    return {s[0], s[1], s[2], s[3]};
}

// Each test gets its own current directory with an empty config/.
class SpeedFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SetPTInit(), 1);
        m_old = platform::CurrentDirectory();
        ASSERT_EQ(chdir(TempDir().c_str()), 0);
        mkdir("config", 0755);
    }
    void TearDown() override { ASSERT_EQ(chdir(m_old.c_str()), 0); }
    std::string m_old;
};

// Key names compare without case, values are stored as their low byte (bad
// ones as 0); a speed call writes the block back in place and the next open
// reads what was written. (Defaults, new and partial sections: LibraryFiles.)
TEST_F(SpeedFile, ReadAtOpenSavedBySpeedCallsReadBackByTheNextOpen) {
    struct Row { const char* before; int channel, address; std::vector<int> speeds; Op save; const char* after; };
    const Row rows[] = {
        {"; kept comment\n[other]\nKey=1\n[3 6 1]\nPAN_SPEED=7\n", 3, 1, {7, 160, 13, 208}, Speed(PT_AXIS_ZOOM, 1),
         "; kept comment\n[other]\nKey=1\n[3 6 1]\nPAN_SPEED=7\ntilt_speed=160\nzoom_speed=13\nfocus_speed=208\n"},
        {"[2 6 200]\npan_speed=300\ntilt_speed=-1\nzoom_speed=abc\nfocus_speed=\n", 2, 200, {44, 255, 0, 208},
         Speed(PT_AXIS_TILT, 0), "[2 6 200]\npan_speed=44\ntilt_speed=255\nzoom_speed=0\nfocus_speed=208\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.before);
        std::ofstream(kFile) << r.before;
        CaptureChannel ch(6, r.address, r.channel);
        ASSERT_TRUE(ch.ok());
        EXPECT_EQ(Speeds(r.channel), r.speeds);
        ch.Run(r.save);
        const std::vector<int> saved = Speeds(r.channel);
        ch.Close();
        EXPECT_EQ(ReadFile(kFile), r.after);
        CaptureChannel again(6, r.address, r.channel);
        EXPECT_EQ(Speeds(r.channel), saved);
    }
}

TEST_F(SpeedFile, MissingConfigDirectoryFailsSilently) {
    ASSERT_EQ(rmdir("config"), 0);
    CaptureChannel ch(6, 1, 0);
    EXPECT_EQ(ch.Run(Speed(PT_AXIS_ZOOM, 1)), ToHex(Hex("FF 01 00 25 00 03 29")));
    struct stat st;
    EXPECT_NE(stat("config", &st), 0);
}

}  // namespace
