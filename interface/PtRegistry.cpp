#include "interface/PtRegistry.h"

#include <new>

#include "protocol/CPtProtocol.h"

namespace ptregistry {
namespace {

const char* const kNames[kCount] = {
    "Dyna",
    "DY-255RXC",
    "Fine",
    "Kalatel",
    "Lilin",
    "Panasonic",
    "Pelco-D",
    "Philips/Bosch",
    "Serim",
    "Sungjin",
    "Vicon_1200R",
    "DYUni",
    "MP200",
    "KD6",
    "Samsung SCC-641",
    "Sysmania ORX-1000",
    "Techwin",
    "OmniView",
    "CNB",
    "CTNCOM-HD0670",
    "Niko",
    "AD-SpeedDome",
    "NEOSSRX-1",
    "PT-101",
    "PanasonicV12",
    "ViconExt",
    "Securtex_B",
    "SmileCAM",
    "DRX502A,DSC-230S",
    "Honeywell(HSDN-251)",
    "Samsung SRX-100A",
    "CNB-SMART",
    "Honeywell(HRX-1000)",
    "Sysmania DVRX-1000",
    "FastraxII(HID-2404)",
    "SAE",
    "KTD_313",
    "VSD_640",
    "AD1650/2050",
    "KTS-2000 UltraDome",
    "DYSPD-255",
    "KRE-301/302",
    "Pelco-D(D-Max,Cynix)",
    "SK-D106",
    "SK-D106_R",
    "EC-4123ZD",
    "Pelco-P",
    "Sony EX780S",
    "SK-2172 Zoom",
    "LG LVC-A700/A900/C100",
    "VRX-2101 Receiver",
    "LG LPT-A100L",
    "NEWBORN SpeedDome",
    "LG LPT-01551HQ",
    "LG LPT-SD163HM",
    "Panasonic NEW",
    "Samsung MRX-1000",
    "Pelco-D(TBT)",
    "Mikami PTC-205",
    "SAMSUNG SRX-100B",
    "Cyber Scan Dome",
};

const int kPresetSet[] = {2,  3,  6,  7,  14, 16, 21, 24, 28, 29, 34, 35, 36, 37,
                          40, 42, 43, 44, 46, 52, 53, 54, 56, 57, 58, 59, 60};
const int kAutoScanSet[] = {6, 60};
const int kSpeedCtrlSet[] = {6, 16, 28, 42, 46, 60};

template <size_t N>
bool Contains(const int (&set)[N], int index) {
    for (int member : set)
        if (member == index) return true;
    return false;
}

// Filled by the protocol files' static registrations before any host call.
Factory g_factories[kCount] = {};

}  // namespace

const char* Name(int index) { return index >= 0 && index < kCount ? kNames[index] : nullptr; }
bool PresetUsed(int index) { return Contains(kPresetSet, index); }
bool AutoScanUsed(int index) { return Contains(kAutoScanSet, index); }
bool SpeedCtrlUsed(int index) { return Contains(kSpeedCtrlSet, index); }

CPtProtocol* Create(int index) {
    if (index < 0 || index >= kCount || !g_factories[index]) return nullptr;
    return g_factories[index]();
}

bool Register(int index, Factory factory) {
    if (index < 0 || index >= kCount) return false;
    g_factories[index] = factory;
    return true;
}

}  // namespace ptregistry
