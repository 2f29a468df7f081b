// Shared pieces of the Windows test host.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "trevalo.h"

// The 34 exports, each once.
#define TREVALO_EXPORT_NAMES(X)                                                                    \
    X(SetPTInit) X(SetPTUnInit) X(GetPtCount) X(GetPtName) X(GetPtPresetUsed) X(GetPtAutoScanUsed) \
    X(GetPtSpeedCtrlUsed) X(SetPtOpen) X(SetPtClose) X(SetPtCmd) X(SetPtCameraPower)              \
    X(SetPtLampPower) X(SetPtAuxPower) X(SetPtAutoPan) X(SetPtPresetNo) X(SetPtAutoScanNo)         \
    X(SetPtAutoScan) X(SetPtSpeedCtrl) X(GetPtCount_NET) X(GetPtName_NET) X(GetPtPresetUsed_NET)  \
    X(GetPtAutoScanUsed_NET) X(GetPtSpeedCtrlUsed_NET) X(SetPtOpen_NET) X(SetPtClose_NET)          \
    X(SetPtCmd_NET) X(SetPtCameraPower_NET) X(SetPtLampPower_NET) X(SetPtAuxPower_NET)            \
    X(SetPtAutoScan_NET) X(SetPtAutoPan_NET) X(SetPtSpeedCtrl_NET) X(SetPtPresetNo_NET)           \
    X(SetPtAutoScanNo_NET)

namespace host {

struct Report {
    int passed = 0, failed = 0;
    // Counts the check; prints the formatted text when it failed.
    void Check(bool ok, const char* format, ...) __attribute__((format(printf, 3, 4)));
};
Report& Results();

// Trevalo.dll loaded with LoadLibraryA, every export by GetProcAddress.
struct Dll {
#define TREVALO_MEMBER(name) decltype(&::name) name = nullptr;
    TREVALO_EXPORT_NAMES(TREVALO_MEMBER)
#undef TREVALO_MEMBER
    HMODULE module = nullptr;
    bool Load(const char* path);
    void Unload();
};

// One WM_COPYDATA message that reached the "DVR" window.
struct CopyData {
    unsigned long dwData = 0;
    std::vector<uint8_t> bytes;
};

// Called by the window procedure on each WM_COPYDATA before it is recorded;
// a true result leaves the message unrecorded.
extern bool (*g_onCopyData)();
void PumpFor(unsigned ms);
std::vector<CopyData> TakeReceived();
std::string ToHex(const uint8_t* p, size_t n);

// The modes; each returns 0 or 1 after counting its checks in Results(),
// or another code when it could not run at all.
int ApiMain(const char* dll);
int VectorsMain(const char* dll, const char* file);
int SpeedFileMain(const char* dll);
int SerialMain(const char* dll);
int NetMain(const char* dll);

}  // namespace host
