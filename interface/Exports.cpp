// The 34 C exports. Each forwards its arguments unchanged to the
// application object or, through it, to the manager.
#include "trevalo.h"

#include "interface/CPtApp.h"
#include "interface/CPtManager.h"

namespace {

template <typename Fn>
void WithManager(Fn fn) {
    if (CPtManager* m = theApp.Manager()) fn(*m);
}

}  // namespace

extern "C" {

TREVALO_API int TREVALO_CALL SetPTInit(void) { return theApp.SetPTInit(); }
TREVALO_API void TREVALO_CALL SetPTUnInit(void) { theApp.SetPTUnInit(); }

TREVALO_API int TREVALO_CALL GetPtCount(void) { return theApp.GetPtCount(); }
TREVALO_API int TREVALO_CALL GetPtName(int index, char* text) { return theApp.GetPtName(index, text); }
TREVALO_API int TREVALO_CALL GetPtPresetUsed(int index) { return theApp.GetPtPresetUsed(index); }
TREVALO_API int TREVALO_CALL GetPtAutoScanUsed(int index) { return theApp.GetPtAutoScanUsed(index); }
TREVALO_API int TREVALO_CALL GetPtSpeedCtrlUsed(int index) { return theApp.GetPtSpeedCtrlUsed(index); }

TREVALO_API PtPortHandle* TREVALO_CALL SetPtOpen(int index, int channel, int address, int comPort,
                                                 int baudRate, int parity, int dataBits, int stopBits) {
    CPtManager* m = theApp.Manager();
    return m ? m->Open(index, channel, address, comPort, baudRate, parity, dataBits, stopBits) : nullptr;
}

TREVALO_API void TREVALO_CALL SetPtClose(PtPortHandle* h, int channel) {
    WithManager([&](CPtManager& m) { m.Close(h, channel); });
}

TREVALO_API void TREVALO_CALL SetPtCmd(PtPortHandle* h, int channel, int code) {
    WithManager([&](CPtManager& m) { m.Cmd(h, channel, code); });
}

TREVALO_API void TREVALO_CALL SetPtCameraPower(PtPortHandle* h, int channel, int on) {
    WithManager([&](CPtManager& m) { m.CameraPower(h, channel, on); });
}

TREVALO_API void TREVALO_CALL SetPtLampPower(PtPortHandle* h, int channel, int on) {
    WithManager([&](CPtManager& m) { m.LampPower(h, channel, on); });
}

TREVALO_API void TREVALO_CALL SetPtAuxPower(PtPortHandle* h, int channel, int on) {
    WithManager([&](CPtManager& m) { m.AuxPower(h, channel, on); });
}

TREVALO_API void TREVALO_CALL SetPtAutoPan(PtPortHandle* h, int channel, int on) {
    WithManager([&](CPtManager& m) { m.AutoPan(h, channel, on); });
}

TREVALO_API void TREVALO_CALL SetPtPresetNo(int channel, int preset) {
    WithManager([&](CPtManager& m) { m.PresetNo(channel, preset); });
}

TREVALO_API void TREVALO_CALL SetPtAutoScanNo(int channel, int scan) {
    WithManager([&](CPtManager& m) { m.AutoScanNo(channel, scan); });
}

TREVALO_API void TREVALO_CALL SetPtAutoScan(PtPortHandle* h, int channel, int value) {
    WithManager([&](CPtManager& m) { m.AutoScan(h, channel, value); });
}

TREVALO_API void TREVALO_CALL SetPtSpeedCtrl(PtPortHandle* h, int channel, int axis, int increase) {
    WithManager([&](CPtManager& m) { m.SpeedCtrl(h, channel, axis, increase); });
}

TREVALO_API int TREVALO_CALL GetPtCount_NET(void) { return GetPtCount(); }
TREVALO_API int TREVALO_CALL GetPtName_NET(int index, char* text) { return GetPtName(index, text); }
TREVALO_API int TREVALO_CALL GetPtPresetUsed_NET(int index) { return GetPtPresetUsed(index); }
TREVALO_API int TREVALO_CALL GetPtAutoScanUsed_NET(int index) { return GetPtAutoScanUsed(index); }
TREVALO_API int TREVALO_CALL GetPtSpeedCtrlUsed_NET(int index) { return GetPtSpeedCtrlUsed(index); }

TREVALO_API PtPortHandle* TREVALO_CALL SetPtOpen_NET(int index, int channel, int address,
                                                     unsigned char* buf, int* len) {
    CPtManager* m = theApp.Manager();
    return m ? m->OpenNet(index, channel, address, buf, len) : nullptr;
}

TREVALO_API void TREVALO_CALL SetPtClose_NET(PtPortHandle* h, int channel, unsigned char* buf, int* len) {
    WithManager([&](CPtManager& m) { m.CloseNet(h, channel, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtCmd_NET(PtPortHandle* h, int channel, int code, unsigned char* buf,
                                          int* len) {
    WithManager([&](CPtManager& m) { m.CmdNet(h, channel, code, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtCameraPower_NET(PtPortHandle* h, int channel, int on,
                                                  unsigned char* buf, int* len) {
    WithManager([&](CPtManager& m) { m.CameraPowerNet(h, channel, on, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtLampPower_NET(PtPortHandle* h, int channel, int on,
                                                unsigned char* buf, int* len) {
    WithManager([&](CPtManager& m) { m.LampPowerNet(h, channel, on, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtAuxPower_NET(PtPortHandle* h, int channel, int on,
                                               unsigned char* buf, int* len) {
    WithManager([&](CPtManager& m) { m.AuxPowerNet(h, channel, on, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtAutoScan_NET(PtPortHandle* h, int channel, int value,
                                               unsigned char* buf, int* len) {
    WithManager([&](CPtManager& m) { m.AutoScanNet(h, channel, value, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtAutoPan_NET(PtPortHandle* h, int channel, int on,
                                              unsigned char* buf, int* len) {
    WithManager([&](CPtManager& m) { m.AutoPanNet(h, channel, on, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtSpeedCtrl_NET(PtPortHandle* h, int channel, int axis, int increase,
                                                unsigned char* buf, int* len) {
    WithManager([&](CPtManager& m) { m.SpeedCtrlNet(h, channel, axis, increase, buf, len); });
}

TREVALO_API void TREVALO_CALL SetPtPresetNo_NET(int channel, int preset) { SetPtPresetNo(channel, preset); }
TREVALO_API void TREVALO_CALL SetPtAutoScanNo_NET(int channel, int scan) { SetPtAutoScanNo(channel, scan); }

}  // extern "C"
