#include "interface/PtRegistry.h"

#include "protocols/PtFactories.h"
#include "trevalo.h"

namespace ptregistry {
namespace {

// What a host may offer for a protocol (GetPtPresetUsed and its siblings).
enum Caps : unsigned { kPresets = 1u << 0, kAutoScan = 1u << 1, kSpeedCtrl = 1u << 2 };

struct Entry {
    int index;
    const char* name;
    unsigned caps;
    Factory create;
};

// Every protocol, in index order: a host stores these indexes, so a row
// never moves.
constexpr Entry kProtocols[] = {
    {0, "Dyna", 0, NewCPtDyna},
    {1, "DY-255RXC", 0, NewCPtDY},
    {2, "Fine", kPresets, NewCPtFine},
    {3, "Kalatel", kPresets, NewCPtKalatel},
    {4, "Lilin", 0, NewCPtLilin},
    {5, "Panasonic", 0, NewCPtPanasonic},
    {6, "Pelco-D", kPresets | kAutoScan | kSpeedCtrl, NewCPtPelcoD},
    {7, "Philips/Bosch", kPresets, NewCPtPhilips},
    {8, "Serim", 0, NewCPtSerim},
    {9, "Sungjin", 0, NewCPtSungjin},
    {10, "Vicon_1200R", 0, NewCPtVicon_1200R},
    {11, "DYUni", 0, NewCPtDYUni},
    {12, "MP200", 0, NewCPtMP200},
    {13, "KD6", 0, NewCPtKD6},
    {14, "Samsung SCC-641", kPresets, NewCPtSamsung},
    {15, "Sysmania ORX-1000", 0, NewCPtOriental},
    {16, "Techwin", kPresets | kSpeedCtrl, NewCPtTechwin},
    {17, "OmniView", 0, NewCPtVDAccess},
    {18, "CNB", 0, NewCPtCNB},
    {19, "CTNCOM-HD0670", 0, NewCPtCTNCOM_HD0670},
    {20, "Niko", 0, NewCPtNiko},
    {21, "AD-SpeedDome", kPresets, NewCPtAD_SpeedDome},
    {22, "NEOSSRX-1", 0, NewCPtNEOSSRX_1},
    {23, "PT-101", 0, NewCPtPT101},
    {24, "PanasonicV12", kPresets, NewCPtPanasonicV12},
    {25, "ViconExt", 0, NewCPtVicon_15UVS},
    {26, "Securtex_B", 0, NewCPtSecurtex_B},
    {27, "SmileCAM", 0, NewCPtSmileCAM},
    {28, "DRX502A,DSC-230S", kPresets | kSpeedCtrl, NewCPtDRX502A},
    {29, "Honeywell(HSDN-251)", kPresets, NewCPtHSDN_251},
    {30, "Samsung SRX-100A", 0, NewCPtSAMSUNGSRX_100A},
    {31, "CNB-SMART", 0, NewCPtCNB_SMART},
    {32, "Honeywell(HRX-1000)", 0, NewCPtHRX_1000},
    {33, "Sysmania DVRX-1000", 0, NewCPtDVRX_1000},
    {34, "FastraxII(HID-2404)", kPresets, NewCPtFastraxII_HID2404},
    {35, "SAE", kPresets, NewCPtSAE},
    {36, "KTD_313", kPresets, NewCPtKTD_313},
    {37, "VSD_640", kPresets, NewCPtVSD_640},
    {38, "AD1650/2050", 0, NewCPtAD1650_2050},
    {39, "KTS-2000 UltraDome", 0, NewCPtKTS_2000_Ultra},
    {40, "DYSPD-255", kPresets, NewCPtDYSPD_255},
    {41, "KRE-301/302", 0, NewCPtKRE_301_302},
    {42, "Pelco-D(D-Max,Cynix)", kPresets | kSpeedCtrl, NewCPtPelcoD_CYNIX},
    {43, "SK-D106", kPresets, NewCPtSK_D106},
    {44, "SK-D106_R", kPresets, NewCPtSK_D106_R},
    {45, "EC-4123ZD", 0, NewCPtGMC_655NP},
    {46, "Pelco-P", kPresets | kSpeedCtrl, NewCPtPelcoP},
    {47, "Sony EX780S", 0, NewCPtSonyEX780S},
    {48, "SK-2172 Zoom", 0, NewCPtSK_2172},
    {49, "LG LVC-A700/A900/C100", 0, NewCPtLG_LVC},
    {50, "VRX-2101 Receiver", 0, NewCPtVRX_2101},
    {51, "LG LPT-A100L", 0, NewCPtLG_LPT},
    {52, "NEWBORN SpeedDome", kPresets, NewCPtNEWBORN},
    {53, "LG LPT-01551HQ", kPresets, NewCPtLG_MULTIX},
    {54, "LG LPT-SD163HM", kPresets, NewCPtLG_SD163},
    {55, "Panasonic NEW", 0, NewCPtPanasonicNEW},
    {56, "Samsung MRX-1000", kPresets, NewCPtSamsungMRX1000},
    {57, "Pelco-D(TBT)", kPresets, NewCPtPelcoD_TBT},
    {58, "Mikami PTC-205", kPresets, NewCPtMIKAMI},
    {59, "SAMSUNG SRX-100B", kPresets, NewCPtSAMSUNGSRX_100B},
    {60, "Cyber Scan Dome", kPresets | kAutoScan | kSpeedCtrl, NewCPtCyberScan},
};

static_assert(sizeof kProtocols / sizeof kProtocols[0] == TREVALO_PROTOCOL_COUNT,
              "one row per protocol index");

constexpr bool RowsInIndexOrder() {
    for (int i = 0; i < TREVALO_PROTOCOL_COUNT; ++i)
        if (kProtocols[i].index != i) return false;
    return true;
}
static_assert(RowsInIndexOrder(), "row i describes protocol index i");

const Entry* At(int index) {
    return index >= 0 && index < TREVALO_PROTOCOL_COUNT ? &kProtocols[index] : nullptr;
}

bool Has(int index, unsigned cap) {
    const Entry* e = At(index);
    return e && (e->caps & cap) != 0;
}

}  // namespace

const char* Name(int index) {
    const Entry* e = At(index);
    return e ? e->name : nullptr;
}

bool PresetUsed(int index) { return Has(index, kPresets); }
bool AutoScanUsed(int index) { return Has(index, kAutoScan); }
bool SpeedCtrlUsed(int index) { return Has(index, kSpeedCtrl); }

CPtProtocol* Create(int index) {
    const Entry* e = At(index);
    return e ? e->create() : nullptr;
}

}  // namespace ptregistry
