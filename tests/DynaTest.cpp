// Dyna family (indexes 0, 1, 40, 11), and the Dyna log in the Windows
// directory stand-in that chooses the Dyna stop.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/Platform.h"
#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

std::string LogPath() { return platform::JoinPath(platform::WindowsDirectory(), "DynaPT.log"); }

// A DY-255RXC line: "at0" + address digits + body + LF CR.
std::string Line(const char* digits, const std::string& body) {
    const std::string text = std::string("at0") + digits + body + "\n\r";
    return ToHex(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(Dyna, Vectors) {
    std::string stopBurst, stopWrites;
    for (char c : std::string("jkkjkjkj")) {
        stopBurst += (stopBurst.empty() ? "" : " ") + Line("12", std::string(1, c));
        stopWrites += (stopWrites.empty() ? "" : " | ") + Line("12", std::string(1, c));
    }
    const std::string dyUp = Line("12", "m10"), dyOpen = Line("12", "n1"), dyClose = Line("12", "f1");
    const std::string dyZoomAgain = Line("12", "r10"), dyFresh = Line("12", std::string("\0\0" "0", 3));
    const std::string dyDownRight = Line("12", "m:0"), dyPanOn = Line("12", "n4"), dyPanOff = Line("12", "f4");
    const std::string dyLampOff = Line("12", "f2"), dyAuxOn = Line("12", "n8");
    const std::string dyAddr5 = Line("05", "m10"), dyAddr0 = Line("00", "m10"), dyAddr150 = Line("50", "m10");

    CheckVectors({
        // Dyna: diagonals and diagonal stops are two packets, 100 ms apart.
        {"Dyna up", 0, 1, {}, Cmd(PT_UP), "01 00 18 02 04 1F", "01 00 18 02 04 1F"},
        {"Dyna stop after right", 0, 1, {Cmd(PT_RIGHT)}, Cmd(PT_STOP), "01 00 13 00 00 12", "01 00 13 00 00 12"},
        {"Dyna stop after a diagonal", 0, 1, {Cmd(PT_UP_RIGHT)}, Cmd(PT_STOP),
         "01 00 13 00 00 12 01 00 14 00 00 15", "01 00 13 00 00 12 | p100 | 01 00 14 00 00 15"},
        {"Dyna diagonal", 0, 1, {}, Cmd(PT_DOWN_LEFT), "01 00 18 01 04 1C 01 00 18 03 04 1E",
         "01 00 18 01 04 1C | p100 | 01 00 18 03 04 1E"},
        {"Dyna stop after zoom", 0, 1, {Cmd(PT_ZOOM_WIDE)}, Cmd(PT_STOP), "01 00 24 04 00 21"},
        {"Dyna lens stop is not logged", 0, 1, {Cmd(PT_UP), Cmd(PT_LENS_STOP)}, Cmd(PT_STOP),
         "01 00 14 00 00 15"},
        {"Dyna code 8 is logged, generic stop", 0, 1, {Cmd(PT_AUTO_PAN_ON)}, Cmd(PT_STOP), "01 00 12 00 00 13"},
        {"Dyna unlisted code resends", 0, 1, {Cmd(PT_LEFT)}, Cmd(PT_PRESET_GOTO), "01 00 18 01 04 1C"},
        {"Dyna auto pan on", 0, 1, {}, AutoPan(1), "01 00 11 02 00 12"},
        {"Dyna open sends nothing", 0, 1, {}, Attach(), "", ""},
        {"Dyna no power", 0, 1, {}, Power(1), "", ""},

        // DY-255RXC: ASCII lines, stop as a burst of eight.
        {"DY open sends n1", 1, 12, {}, Attach(), dyOpen.c_str(), dyOpen.c_str()},
        {"DY close sends f1", 1, 12, {}, Detach(), "-", dyClose.c_str()},
        {"DY up", 1, 12, {}, Cmd(PT_UP), dyUp.c_str()},
        {"DY down-right digit is ':'", 1, 12, {}, Cmd(PT_DOWN_RIGHT), dyDownRight.c_str()},
        {"DY stop burst", 1, 12, {}, Cmd(PT_STOP), stopBurst.c_str(), stopWrites.c_str()},
        {"DY code 15 resends the last move", 1, 12, {Cmd(PT_ZOOM_TELE), Cmd(PT_STOP)}, Cmd(PT_PRESET_SET),
         dyZoomAgain.c_str()},
        {"DY code 15 before any move", 1, 12, {}, Cmd(PT_PRESET_SET), dyFresh.c_str()},
        {"DY code 8 is auto pan on", 1, 12, {}, Cmd(PT_AUTO_PAN_ON), dyPanOn.c_str()},
        {"DY second stop is auto pan off", 1, 12, {}, Cmd(PT_LENS_STOP), dyPanOff.c_str()},
        {"DY lamp off", 1, 12, {}, Lamp(0), dyLampOff.c_str()},
        {"DY aux on", 1, 12, {}, Aux(1), dyAuxOn.c_str()},
        {"DY one-digit address padded", 1, 5, {}, Cmd(PT_UP), dyAddr5.c_str()},
        {"DY address 0", 1, 0, {}, Cmd(PT_UP), dyAddr0.c_str()},
        {"DY three-digit address keeps last two", 1, 150, {}, Cmd(PT_UP), dyAddr150.c_str()},
        {"DY no auto scan", 1, 12, {}, AutoScan(1), ""},

        // DYSPD-255: 0x30-based hex digits; a flag picks the stop.
        {"SPD up", 40, 1, {}, Cmd(PT_UP), "61 74 30 31 4D 38 30 3F 3F 39 34 0D", "61 74 30 31 4D 38 30 3F 3F 39 34 0D"},
        {"SPD stop after zoom is a lens stop", 40, 1, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_STOP),
         "61 74 30 31 52 30 30 30 30 37 33 0D"},
        {"SPD second stop is a head stop", 40, 1, {Cmd(PT_ZOOM_TELE), Cmd(PT_STOP)}, Cmd(PT_STOP),
         "61 74 30 31 4D 38 30 38 30 37 3E 0D"},
        {"SPD preset keeps the lens flag", 40, 1, {Cmd(PT_ZOOM_TELE), Cmd(PT_PRESET_SET)}, Cmd(PT_LENS_STOP),
         "61 74 30 31 52 30 30 30 30 37 33 0D"},
        {"SPD address 1A", 40, 0x1A, {}, Cmd(PT_DOWN), "61 74 31 3A 4D 38 30 30 30 38 30 0D"},
        {"SPD preset 300 as 2C", 40, 1, {PresetNo(300)}, Cmd(PT_PRESET_GOTO), "61 74 30 31 50 6D 32 3C 30 3B 3C 0D"},
        {"SPD code 8 resends", 40, 1, {Cmd(PT_LEFT)}, Cmd(PT_AUTO_PAN_ON), "61 74 30 31 4D 30 30 38 30 37 36 0D"},
        {"SPD camera off sends N1000", 40, 1, {}, Power(0), "61 74 30 31 4E 31 30 30 30 37 30 0D"},
        {"SPD open sends nothing", 40, 1, {}, Attach(), "", ""},
        {"SPD no auto pan", 40, 1, {}, AutoPan(1), ""},

        // DYUni: the attach packet carries stale command and check bytes.
        {"Uni open", 11, 1, {}, Attach(), "AE 01 00 00 FF FF FF FF 00 AF", "AE 01 00 00 FF FF FF FF 00 AF"},
        {"Uni up", 11, 1, {}, Cmd(PT_UP), "AE 01 01 FF FF FF FF FF AB AF"},
        {"Uni down-right", 11, 1, {}, Cmd(PT_DOWN_RIGHT), "AE 01 0A FF FF FF FF FF B4 AF"},
        {"Uni auto pan on", 11, 1, {}, AutoPan(1), "AE 01 00 58 FF FF FF FF 03 AF"},
        {"Uni unlisted code keeps bits", 11, 1, {AutoPan(1)}, Cmd(PT_PRESET_SET), "AE 01 00 FF FF FF FF FF AA AF"},
        {"Uni no power", 11, 1, {}, Power(1), "", ""},

        {"sweep", 0, 3, {}, Sweep(), "#F07D8DCDC39C2706", "#3C90E6DDA69232B2"},
        {"sweep", 1, 3, {}, Sweep(), "#D46C4B98F5F02D07", "#2CC3A1AE7E48E1EA"},
        {"sweep", 11, 3, {}, Sweep(), "#57E3CC0A20824B1B", "#6D2129BE061B1C03"},
        {"sweep", 40, 3, {}, Sweep(), "#CA0D6AE71041E2BD", "#F9E3115CBA86F2B7"},
    });
}

// The open creates an empty log; with no code in it a stop is the
// generic one.
TEST(Dyna, EmptyLogGivesGenericStop) {
    unlink(LogPath().c_str());
    CaptureChannel ch(0, 1);
    std::ifstream log(LogPath(), std::ios::binary | std::ios::ate);
    ASSERT_TRUE(log.is_open());
    EXPECT_EQ(log.tellg(), 0);
    EXPECT_EQ(ch.Run(Cmd(PT_STOP)), ToHex(Hex("01 00 12 00 00 13")));
}

// One little-endian record, shared by every Dyna object: a stop on
// another channel follows the last move of this one.
TEST(Dyna, LogIsOneSharedRecord) {
    CaptureChannel a(0, 1, 0);
    a.Run(Cmd(PT_ZOOM_TELE));
    std::ifstream log(LogPath(), std::ios::binary);
    std::string record((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(ToHex(reinterpret_cast<const uint8_t*>(record.data()), record.size()), "0B 00 00 00");
    CaptureChannel b(0, 5, 1);
    EXPECT_EQ(b.Run(Cmd(PT_STOP)), ToHex(Hex("05 00 24 04 00 25")));
}

// Without a usable Windows directory the packets still go out.
TEST(Dyna, MissingWindowsDirectoryIsSilent) {
    const std::string saved = platform::WindowsDirectory();
    setenv("TREVALO_WINDIR", (TempDir() + "/absent").c_str(), 1);
    {
        CaptureChannel ch(0, 1);
        ASSERT_TRUE(ch.ok());
        EXPECT_EQ(ch.Run(Cmd(PT_RIGHT)), ToHex(Hex("01 00 18 00 04 1D")));
        EXPECT_EQ(ch.Run(Cmd(PT_STOP)), ToHex(Hex("01 00 12 00 00 13")));
    }
    setenv("TREVALO_WINDIR", saved.c_str(), 1);
}

}  // namespace
