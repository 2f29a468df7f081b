// Samsung family (indexes 14, 56, 30, 59). One write per packet, no pauses.
#include <gtest/gtest.h>

#include "support/PtTestSupport.h"

namespace {

using namespace pttest;

TEST(Samsung, Vectors) {
    CheckVectors({
        // SCC-641 / MRX-1000: header from the attach, check byte 0 there.
        {"641 open sends the header", 14, 1, {}, Attach(), "A0 00 01 00 00 00 00 00 00",
         "A0 00 01 00 00 00 00 00 00"},
        {"641 up", 14, 1, {}, Cmd(PT_UP), "A0 00 01 01 00 04 20 20 B9", "A0 00 01 01 00 04 20 20 B9"},
        {"641 preset low byte", 14, 1, {PresetNo(300)}, Cmd(PT_PRESET_GOTO), "A0 00 01 03 19 2C FF FF B8"},
        {"641 code 8 keeps preset commands", 14, 1, {PresetNo(5), Cmd(PT_PRESET_GOTO)}, Cmd(PT_AUTO_PAN_ON),
         "A0 00 01 01 19 05 20 20 9F"},
        {"641 zoom tele", 14, 1, {}, Cmd(PT_ZOOM_TELE), "A0 00 01 01 20 00 20 20 9D"},
        {"641 auto pan off still sends 01", 14, 1, {}, AutoPan(0), "A0 00 01 03 1A 01 FF FF E2"},
        {"641 no power", 14, 1, {}, Power(1), "", ""},
        {"641 no auto scan", 14, 1, {}, AutoScan(0), ""},
        {"MRX zoom tele swapped", 56, 1, {}, Cmd(PT_ZOOM_TELE), "A0 00 01 01 40 00 20 20 7D"},
        {"MRX auto pan off", 56, 1, {}, AutoPan(0), "A0 00 01 03 1A 00 FF FF E3"},
        {"MRX lamp ignores on/off", 56, 1, {}, Lamp(0), "A0 00 01 03 0E 00 00 00 ED",
         "A0 00 01 03 0E 00 00 00 ED"},

        // SRX-100A: fresh packet each time; only eight codes move.
        {"100A up", 30, 1, {}, Cmd(PT_UP), "AE 01 02 FF FF FF FF FF AC AF", "AE 01 02 FF FF FF FF FF AC AF"},
        {"100A diagonal is a stop", 30, 1, {Cmd(PT_UP)}, Cmd(PT_UP_RIGHT), "AE 01 00 00 00 00 00 00 AF AF"},
        {"100A preset is a stop", 30, 1, {}, Cmd(PT_PRESET_GOTO), "AE 01 00 00 00 00 00 00 AF AF"},
        {"100A camera on", 30, 1, {}, Power(1), "AE 01 00 43 FF FF FF FF EE AF"},
        {"100A aux off", 30, 1, {}, Aux(0), "AE 01 00 21 FF FF FF FF CC AF"},
        {"100A attach sends nothing", 30, 1, {}, Attach(), "", ""},
        {"100A no auto pan", 30, 1, {}, AutoPan(1), ""},

        // SRX-100B: cleared before each packet.
        {"100B up", 59, 1, {}, Cmd(PT_UP), "55 00 01 00 08 00 C0 00 00 AA 58", "55 00 01 00 08 00 C0 00 00 AA 58"},
        {"100B lamp on after attach", 59, 1, {}, Lamp(1), "55 00 01 00 4F 00 03 00 00 AA CE"},
        {"100B preset wraps past 0x80", 59, 1, {PresetNo(0x90)}, Cmd(PT_PRESET_SET),
         "55 00 01 00 03 00 00 10 00 AA 0D"},
        {"100B unlisted code stops", 59, 1, {Cmd(PT_UP)}, Cmd(PT_SPECIAL_GOTO), "55 00 01 00 00 00 00 00 00 AA 20"},
        {"100B auto pan on", 59, 1, {}, AutoPan(1), "55 00 01 00 1B 00 80 00 00 AA 85"},
        {"100B attach sends nothing", 59, 1, {}, Attach(), "", ""},

        {"sweep", 14, 3, {}, Sweep(), "#0B5CBA8D9068C75D", "#7D5C5584E6C8439D"},
        {"sweep", 30, 3, {}, Sweep(), "#9162589555842C8D", "#B516E1EF6C8EBC7D"},
        {"sweep", 56, 3, {}, Sweep(), "#4D01E62C558CB716", "#60C44612957A74A6"},
        {"sweep", 59, 3, {}, Sweep(), "#FE4BEB4270CAF128", "#45C8FB83AA6DC8B0"},
    });
}

}  // namespace
