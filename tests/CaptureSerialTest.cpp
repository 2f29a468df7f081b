// What a forwarding host must know: where the bytes a _NET call captures
// differ from what the same call writes on a line. The README's table of
// these differences is this table.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

// Every command (presets with a number), stop after each, the power and
// auto-pan calls both ways, the auto-scan requests and every speed step.
std::vector<Op> Script() {
    std::vector<Op> ops;
    for (int code = 0; code <= 23; ++code) {
        if (code >= PT_PRESET_SET && code <= PT_PRESET_GOTO) ops.push_back(PresetNo(5));
        ops.insert(ops.end(), {Cmd(code), Cmd(PT_STOP)});
    }
    for (int on : {1, 0}) ops.insert(ops.end(), {Power(on), Lamp(on), Aux(on), AutoPan(on)});
    ops.push_back(ScanNo(2));
    for (int v = 0; v <= 3; ++v) ops.push_back(AutoScan(v));
    for (int axis = 0; axis <= 3; ++axis) ops.insert(ops.end(), {Speed(axis, 1), Speed(axis, 0)});
    return ops;
}

// How one protocol's line differs from its captures over the script:
// "pause" (the line pauses), "repeat:<ops>" (the captured frame goes out
// more than once), "extra:<ops>" (the line gets further frames after the
// captured one), "speed" (movement frames carry other speed bytes).
std::string Differences(int index) {
    CaptureChannel cap(index, 1);
    SerialRig line(index, 1);
    bool paused = false, speeds = false;
    std::string repeats, extras;
    for (const Op& op : Script()) {
        std::string captured = cap.Run(op), wire, token;
        if (captured == "-") captured.clear();
        // Serial text "FF 01 | p30 | 00 08": its bytes, and any pause.
        for (std::istringstream in(line.Run(op)); in >> token;) {
            if (token[0] == 'p') paused = true;
            else if (token != "|") wire += (wire.empty() ? "" : " ") + token;
        }
        if (wire == captured) continue;
        const std::string tag = std::to_string(static_cast<int>(op.act)) + "/" + std::to_string(op.a) + " ";
        std::string repeated = captured;
        while (!captured.empty() && repeated.size() < wire.size()) repeated += " " + captured;
        if (!captured.empty() && repeated == wire) {
            if (repeats.find(tag) == std::string::npos) repeats += tag;
        } else if (!captured.empty() && wire.compare(0, captured.size(), captured) == 0) {
            extras += tag;
        } else if (op.act == Act::Cmd && wire.size() == captured.size()) {
            speeds = true;
        } else {
            ADD_FAILURE() << "index " << index << " op " << tag << ": capture [" << captured << "] line [" << wire
                          << "]";
        }
    }
    std::string out = paused ? "pause " : "";
    if (!repeats.empty()) out += "repeat:" + repeats;
    if (!extras.empty()) out += "extra:" + extras;
    if (speeds) out += "speed ";
    return out.substr(0, out.empty() ? 0 : out.size() - 1);
}

// Op tags are Act/argument: 0/13 is PT_STOP, 4/1 auto-pan on.
const std::string kAllCommands =
    "0/0 0/13 0/1 0/2 0/3 0/4 0/5 0/6 0/7 0/8 0/9 0/10 0/11 0/12 0/14 0/15 0/16 0/17 0/18 0/19 0/20 0/21 0/22 0/23";

TEST(CaptureSerial, DifferencesAreTheDocumentedOnes) {
    const std::map<int, std::string> expected = {
        {0, "pause"},                                               // Dyna
        {5, "pause repeat:" + kAllCommands + " 4/1 4/0"},           // Panasonic
        {6, "pause"},                                               // Pelco-D
        {10, "pause extra:4/0"},                                    // Vicon_1200R
        {15, "repeat:" + kAllCommands + " 4/1 4/0"},                // Sysmania ORX-1000
        {17, "pause repeat:4/0"},                                   // OmniView
        {24, "pause repeat:0/0 0/13 0/1 0/2 0/3 0/4 0/5 0/6 0/7 0/8 0/14 0/15 0/16 0/17 0/18 0/19 0/20 0/21 "
             "0/22 0/23 4/1 4/0"},                                  // PanasonicV12
        {25, "pause"},                                              // ViconExt
        {28, "speed"},                                              // DRX502A,DSC-230S
        {32, "pause"},                                              // Honeywell(HRX-1000)
        {42, "pause repeat:0/13 0/14"},                             // Pelco-D(D-Max,Cynix)
        {43, "pause repeat:0/13 0/14"},                             // SK-D106
        {44, "pause"},                                              // SK-D106_R
        {46, "speed"},                                              // Pelco-P
        {52, "pause repeat:" + kAllCommands + " extra:4/0"},        // NEWBORN SpeedDome
        {55, "pause repeat:" + kAllCommands + " 4/1 4/0"},          // Panasonic NEW
        {57, "repeat:0/13 0/14"},                                   // Pelco-D(TBT)
    };
    for (int i = 0; i < TREVALO_PROTOCOL_COUNT; ++i)
        EXPECT_EQ(Differences(i), expected.count(i) ? expected.at(i) : "") << "index " << i;
    std::remove("config/ptz_speed.ini");  // its speeds would reach the next test in this process
}

}  // namespace
