#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>

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

// The header's index constants, each with its own spelling.
#define P(name) {name, #name}
const std::pair<int, const char*> kIndexConstants[] = {
    P(TREVALO_DYNA), P(TREVALO_DY_255RXC), P(TREVALO_FINE), P(TREVALO_KALATEL), P(TREVALO_LILIN),
    P(TREVALO_PANASONIC), P(TREVALO_PELCO_D), P(TREVALO_PHILIPS_BOSCH), P(TREVALO_SERIM),
    P(TREVALO_SUNGJIN), P(TREVALO_VICON_1200R), P(TREVALO_DYUNI), P(TREVALO_MP200), P(TREVALO_KD6),
    P(TREVALO_SAMSUNG_SCC_641), P(TREVALO_SYSMANIA_ORX_1000), P(TREVALO_TECHWIN),
    P(TREVALO_OMNIVIEW), P(TREVALO_CNB), P(TREVALO_CTNCOM_HD0670), P(TREVALO_NIKO),
    P(TREVALO_AD_SPEEDDOME), P(TREVALO_NEOSSRX_1), P(TREVALO_PT_101), P(TREVALO_PANASONICV12),
    P(TREVALO_VICONEXT), P(TREVALO_SECURTEX_B), P(TREVALO_SMILECAM), P(TREVALO_DRX502A_DSC_230S),
    P(TREVALO_HONEYWELL_HSDN_251), P(TREVALO_SAMSUNG_SRX_100A), P(TREVALO_CNB_SMART),
    P(TREVALO_HONEYWELL_HRX_1000), P(TREVALO_SYSMANIA_DVRX_1000), P(TREVALO_FASTRAXII_HID_2404),
    P(TREVALO_SAE), P(TREVALO_KTD_313), P(TREVALO_VSD_640), P(TREVALO_AD1650_2050),
    P(TREVALO_KTS_2000_ULTRADOME), P(TREVALO_DYSPD_255), P(TREVALO_KRE_301_302),
    P(TREVALO_PELCO_D_D_MAX_CYNIX), P(TREVALO_SK_D106), P(TREVALO_SK_D106_R), P(TREVALO_EC_4123ZD),
    P(TREVALO_PELCO_P), P(TREVALO_SONY_EX780S), P(TREVALO_SK_2172_ZOOM),
    P(TREVALO_LG_LVC_A700_A900_C100), P(TREVALO_VRX_2101_RECEIVER), P(TREVALO_LG_LPT_A100L),
    P(TREVALO_NEWBORN_SPEEDDOME), P(TREVALO_LG_LPT_01551HQ), P(TREVALO_LG_LPT_SD163HM),
    P(TREVALO_PANASONIC_NEW), P(TREVALO_SAMSUNG_MRX_1000), P(TREVALO_PELCO_D_TBT),
    P(TREVALO_MIKAMI_PTC_205), P(TREVALO_SAMSUNG_SRX_100B), P(TREVALO_CYBER_SCAN_DOME)};
#undef P

// The constant for a display name: upper case, each run of other characters one '_'.
std::string ConstantFor(const char* name) {
    std::string out = "TREVALO_";
    for (const char* c = name; *c; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) out += static_cast<char>(std::toupper(*c));
        else if (out.back() != '_') out += '_';
    }
    while (out.back() == '_') out.pop_back();
    return out;
}

TEST_F(Registry, EveryIndexHasTheConstantItsNameGives) {
    std::set<int> seen;
    for (const auto& [index, spelled] : kIndexConstants) {
        char name[TREVALO_NAME_MAX];
        ASSERT_GT(GetPtName(index, name), 0) << spelled;
        EXPECT_EQ(ConstantFor(name), spelled) << "index " << index;
        EXPECT_TRUE(seen.insert(index).second) << spelled << " repeats index " << index;
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(TREVALO_PROTOCOL_COUNT));
}

}  // namespace
