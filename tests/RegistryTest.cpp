#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "trevalo.h"

namespace {

const char* const kNames[61] = {
    "Dyna", "DY-255RXC", "Fine", "Kalatel", "Lilin", "Panasonic", "Pelco-D", "Philips/Bosch",
    "Serim", "Sungjin", "Vicon_1200R", "DYUni", "MP200", "KD6", "Samsung SCC-641",
    "Sysmania ORX-1000", "Techwin", "OmniView", "CNB", "CTNCOM-HD0670", "Niko", "AD-SpeedDome",
    "NEOSSRX-1", "PT-101", "PanasonicV12", "ViconExt", "Securtex_B", "SmileCAM",
    "DRX502A,DSC-230S", "Honeywell(HSDN-251)", "Samsung SRX-100A", "CNB-SMART",
    "Honeywell(HRX-1000)", "Sysmania DVRX-1000", "FastraxII(HID-2404)", "SAE", "KTD_313",
    "VSD_640", "AD1650/2050", "KTS-2000 UltraDome", "DYSPD-255", "KRE-301/302",
    "Pelco-D(D-Max,Cynix)", "SK-D106", "SK-D106_R", "EC-4123ZD", "Pelco-P", "Sony EX780S",
    "SK-2172 Zoom", "LG LVC-A700/A900/C100", "VRX-2101 Receiver", "LG LPT-A100L",
    "NEWBORN SpeedDome", "LG LPT-01551HQ", "LG LPT-SD163HM", "Panasonic NEW", "Samsung MRX-1000",
    "Pelco-D(TBT)", "Mikami PTC-205", "SAMSUNG SRX-100B", "Cyber Scan Dome"};

const std::set<int> kPreset = {2,  3,  6,  7,  14, 16, 21, 24, 28, 29, 34, 35, 36, 37,
                               40, 42, 43, 44, 46, 52, 53, 54, 56, 57, 58, 59, 60};
const std::set<int> kAutoScan = {6, 60};
const std::set<int> kSpeed = {6, 16, 28, 42, 46, 60};

class Registry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SetPTInit(), 1); }
};

TEST_F(Registry, NamesExactBytesAndLengthsInBothForms) {
    EXPECT_EQ(GetPtCount(), 61);
    size_t longest = 0;
    for (int i = 0; i < 61; ++i) {
        char text[64];
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(GetPtName(i, text), static_cast<int>(std::strlen(kNames[i]))) << i;
        EXPECT_STREQ(text, kNames[i]);
        char net[64];
        EXPECT_EQ(GetPtName_NET(i, net), GetPtName(i, text));
        EXPECT_STREQ(net, text);
        longest = std::max(longest, std::strlen(text));
    }
    EXPECT_EQ(longest + 1, static_cast<size_t>(TREVALO_NAME_MAX));
}

TEST_F(Registry, CapabilitySetsIncludingOutOfRange) {
    for (int i = -3; i < 65; ++i) {
        EXPECT_EQ(GetPtPresetUsed(i), kPreset.count(i) ? 1 : 0) << i;
        EXPECT_EQ(GetPtAutoScanUsed(i), kAutoScan.count(i) ? 1 : 0) << i;
        EXPECT_EQ(GetPtSpeedCtrlUsed(i), kSpeed.count(i) ? 1 : 0) << i;
        EXPECT_EQ(GetPtPresetUsed_NET(i), GetPtPresetUsed(i));
        EXPECT_EQ(GetPtAutoScanUsed_NET(i), GetPtAutoScanUsed(i));
        EXPECT_EQ(GetPtSpeedCtrlUsed_NET(i), GetPtSpeedCtrlUsed(i));
    }
}

TEST_F(Registry, NameOutOfRangeOrWithoutBufferWritesNothingUseful) {
    char text[8] = "junk";
    EXPECT_EQ(GetPtName(61, text), 0);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "junk");
    EXPECT_EQ(GetPtName(-1, text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(GetPtName(6, nullptr), 0);
    EXPECT_EQ(GetPtName_NET(1000000, nullptr), 0);
}

}  // namespace
