// Panasonic family (indexes 5, 55, 24): 18-byte text frames written twice
// on the line with a gap, one copy in capture; V12's lens burst and its
// longer preset frame.
#include <gtest/gtest.h>

#include <string>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

// STX "AD0" address ";GC" mode ":" command ETX, as hex.
std::string Frame(char address, const std::string& command, char mode = '7', char end = 0x03) {
    const std::string text = std::string("\x02" "AD0") + address + ";GC" + mode + ":" + command + end;
    return ToHex(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string Twice(const std::string& frame, int gapMs) {
    return frame + " | p" + std::to_string(gapMs) + " | " + frame;
}

TEST(Panasonic, Vectors) {
    const std::string open = Frame('1', "2021200"), close = Frame('1', "2021201");
    const std::string lensStop = Frame('1', "2021224"), headStop = Frame('1', "2021324");
    const std::string upInLensGroup = Frame('1', "202122A"), presetAfterLeft = Frame('1', "2021328");
    const std::string presetAfterZoom = Frame('1', "2021228"), panOff = Frame('1', "2021301");
    const std::string openTwice = Twice(open, 10), closeTwice = Twice(close, 10);
    const std::string lensStopTwice = Twice(lensStop, 10);

    const std::string newHeadStop = Frame('0', "9028100"), newLensStop = Frame('0', "9024008");
    const std::string newFresh = Frame('0', std::string(7, '\0')), newPanOn = Frame('0', "9030040");
    const std::string newPanOnTwice = Twice(newPanOn, 10);

    const std::string v12Tele = Frame('0', "2021224") + " " + Frame('0', "2021228");
    const std::string v12TeleSerial = Frame('0', "2021224") + " | " + Frame('0', "2021228");
    const std::string v12LensStop = Frame('0', "2021224"), v12HeadStop = Frame('0', "2021324");
    const std::string v12HeadStopTwice = Twice(v12HeadStop, 2);
    const std::string v12PanOn = Frame('0', "2021300"), v12PanOff = Frame('0', "2021301");
    const std::string v12Clear = Frame('0', "2021547"), v12Address5 = Frame('5', "202132E");
    const std::string v12Goto = Frame('0', "2021400", 'F', ';') + " 32 30 32 32 36 34 03";
    const std::string v12GotoTwice = Twice(v12Goto, 2);
    // The number's hex text cut to two characters: one digit keeps its NUL,
    // three digits lose the last, a negative sum wraps to "ffffffff".
    const std::string v12Head = Frame('0', "2021400", 'F', ';') + " 32 30 32 32 ";
    const std::string v12OneDigit = v12Head + "39 00 03", v12ThreeDigits = v12Head + "31 32 03";
    const std::string v12Wrapped = v12Head + "66 66 03";
    const std::string v12AfterPreset = Frame('0', "2021400");
    const std::string v12Close = Frame('0', "2021201"), v12CloseTwice = Twice(v12Close, 2);
    const std::string v12AutoPan = Frame('0', "2021300");

    CheckVectors({
        {"open sends twice 10 ms apart", 5, 0, {}, Attach(), open.c_str(), openTwice.c_str()},
        {"close sends", 5, 0, {}, Detach(), "-", closeTwice.c_str()},
        {"stop after zoom is a lens stop", 5, 0, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_STOP), lensStop.c_str(),
         lensStopTwice.c_str()},
        {"stop after up is a head stop", 5, 0, {Cmd(PT_UP)}, Cmd(PT_STOP), headStop.c_str(), "= | p10 | ="},
        {"any command after a lens move goes to the lens", 5, 0, {Cmd(PT_ZOOM_WIDE)}, Cmd(PT_UP),
         upInLensGroup.c_str(), "= | p10 | ="},
        {"the lens group lasts one command", 5, 0, {Cmd(PT_ZOOM_WIDE), Cmd(PT_UP)}, Cmd(PT_STOP), headStop.c_str(), "= | p10 | ="},
        {"preset resends the letter", 5, 0, {Cmd(PT_LEFT)}, Cmd(PT_PRESET_SET), presetAfterLeft.c_str(), "= | p10 | ="},
        {"preset after zoom in lens group", 5, 0, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_PRESET_SET),
         presetAfterZoom.c_str(), "= | p10 | ="},
        {"auto pan off", 5, 0, {}, AutoPan(0), panOff.c_str(), "= | p10 | ="},
        {"no power", 5, 0, {}, Power(1), "", ""},

        {"NEW open sends nothing", 55, 0, {}, Attach(), "", ""},
        {"NEW zoom does not mark the lens", 55, 0, {Cmd(PT_ZOOM_TELE)}, Cmd(PT_STOP), newHeadStop.c_str(), "= | p10 | ="},
        {"NEW focus marks the lens", 55, 0, {Cmd(PT_FOCUS_NEAR)}, Cmd(PT_LENS_STOP), newLensStop.c_str(), "= | p10 | ="},
        {"NEW the lens stop clears the mark", 55, 0, {Cmd(PT_FOCUS_FAR), Cmd(PT_STOP)}, Cmd(PT_STOP),
         newHeadStop.c_str(), "= | p10 | ="},
        {"NEW unlisted code before any command", 55, 0, {}, Cmd(PT_PRESET_GOTO), newFresh.c_str(), "= | p10 | ="},
        {"NEW auto pan on", 55, 0, {}, AutoPan(1), newPanOn.c_str(), newPanOnTwice.c_str()},

        {"V12 open sends nothing", 24, 0, {}, Attach(), "", ""},
        {"V12 lens burst", 24, 0, {}, Cmd(PT_ZOOM_TELE), v12Tele.c_str(), v12TeleSerial.c_str()},
        {"V12 stop after lens", 24, 0, {Cmd(PT_FOCUS_NEAR)}, Cmd(PT_STOP), v12LensStop.c_str(), "= | p2 | ="},
        {"V12 stop 2 ms apart", 24, 0, {}, Cmd(PT_STOP), v12HeadStop.c_str(), v12HeadStopTwice.c_str()},
        {"V12 code 8 is auto pan on", 24, 0, {}, Cmd(PT_AUTO_PAN_ON), v12PanOn.c_str(), "= | p2 | ="},
        {"V12 second stop is auto pan off", 24, 0, {Cmd(PT_FOCUS_NEAR)}, Cmd(PT_LENS_STOP), v12PanOff.c_str(), "= | p2 | ="},
        {"V12 preset clear", 24, 0, {}, Cmd(PT_PRESET_CLEAR), v12Clear.c_str(), "= | p2 | ="},
        {"V12 address in command frames", 24, 5, {}, Cmd(PT_DOWN), v12Address5.c_str(), "= | p2 | ="},
        // Preset 1 travels as "64" (1 + 99 in hex) after ';'.
        {"V12 preset goto frame", 24, 0, {PresetNo(1)}, Cmd(PT_PRESET_GOTO), v12Goto.c_str(),
         v12GotoTwice.c_str()},
        {"V12 preset -90 is one digit", 24, 0, {PresetNo(-90)}, Cmd(PT_PRESET_GOTO), v12OneDigit.c_str(), "= | p2 | ="},
        {"V12 preset 200 is 12b", 24, 0, {PresetNo(200)}, Cmd(PT_PRESET_GOTO), v12ThreeDigits.c_str(), "= | p2 | ="},
        {"V12 preset -100 wraps", 24, 0, {PresetNo(-100)}, Cmd(PT_PRESET_GOTO), v12Wrapped.c_str(), "= | p2 | ="},
        // Every hex digit once: 99 + preset is 10, 34, 7a, ab, cd.
        {"V12 digits 1 0", 24, 0, {PresetNo(-83)}, Cmd(PT_PRESET_GOTO), (v12Head + "31 30 03").c_str(), "= | p2 | ="},
        {"V12 digits 3 4", 24, 0, {PresetNo(-47)}, Cmd(PT_PRESET_GOTO), (v12Head + "33 34 03").c_str(), "= | p2 | ="},
        {"V12 digits 7 a", 24, 0, {PresetNo(23)}, Cmd(PT_PRESET_GOTO), (v12Head + "37 61 03").c_str(), "= | p2 | ="},
        {"V12 digits a b", 24, 0, {PresetNo(72)}, Cmd(PT_PRESET_GOTO), (v12Head + "61 62 03").c_str(), "= | p2 | ="},
        {"V12 digits c d", 24, 0, {PresetNo(106)}, Cmd(PT_PRESET_GOTO), (v12Head + "63 64 03").c_str(), "= | p2 | ="},
        {"V12 header restored after a preset", 24, 0, {Cmd(PT_PRESET_GOTO)}, Cmd(PT_SPECIAL_GOTO),
         v12AfterPreset.c_str(), "= | p2 | ="},
        {"V12 close uses the command address", 24, 0, {}, Detach(), "-", v12CloseTwice.c_str()},
        {"V12 auto pan", 24, 0, {}, AutoPan(1), v12AutoPan.c_str(), "= | p2 | ="},

        {"sweep", 5, 3, {}, Sweep(), "#EF3CBA1223213C13", "#4A840F5D858D1196"},
        {"sweep", 24, 3, {}, Sweep(), "#6DEC0971A125BA44", "#EB96A3C14F95ADE6"},
        {"sweep", 55, 3, {}, Sweep(), "#D25D52E43B6021A9", "#12B248C1D367D261"},
    });
}

}  // namespace
