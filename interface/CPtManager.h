// Keeps one protocol object per channel, creates and releases port handles
// and routes each request through its guard to the channel's object.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/PtPortHandle.h"

class CPtProtocol;

// COM port number of the latest serial open; -1 until the first one.
extern int32_t g_nLastOpenedPort;

class CPtManager {
public:
    static constexpr int kChannels = 255;

    CPtManager();
    // Releases nothing in the table: the host closes its channels first.
    virtual ~CPtManager();

    PtPortHandle* Open(int index, int channel, int address, int comPort, int baudRate, int parity,
                       int dataBits, int stopBits);
    void Close(PtPortHandle* h, int channel);
    void Cmd(PtPortHandle* h, int channel, int code);
    void CameraPower(PtPortHandle* h, int channel, int on);
    void LampPower(PtPortHandle* h, int channel, int on);
    void AuxPower(PtPortHandle* h, int channel, int on);
    void AutoPan(PtPortHandle* h, int channel, int on);
    void PresetNo(int channel, int preset);
    void AutoScanNo(int channel, int scan);
    void AutoScan(PtPortHandle* h, int channel, int value);
    void SpeedCtrl(PtPortHandle* h, int channel, int axis, int increase);

    PtPortHandle* OpenNet(int index, int channel, int address, uint8_t* buf, int* len);
    void CloseNet(PtPortHandle* h, int channel, uint8_t* buf, int* len);
    void CmdNet(PtPortHandle* h, int channel, int code, uint8_t* buf, int* len);
    void CameraPowerNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len);
    void LampPowerNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len);
    void AuxPowerNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len);
    void AutoScanNet(PtPortHandle* h, int channel, int value, uint8_t* buf, int* len);
    void AutoPanNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len);
    void SpeedCtrlNet(PtPortHandle* h, int channel, int axis, int increase, uint8_t* buf, int* len);

    // The channel's protocol object, or null (also for channels out of range).
    CPtProtocol* At(int channel) const;
    // Why the channel's last open failed ("" after a successful one).
    std::string OpenError(int channel) const;

private:
    CPtProtocol* GuardA(PtPortHandle* h, int channel) const;
    CPtProtocol* GuardB(PtPortHandle* h, int channel) const;
    bool Install(int index, int channel);
    static PtPortHandle* NewHandle(int index, int address);
    static void FreeHandle(PtPortHandle* h);
    void Destroy(int channel);
    void Disown(int channel);
    void Release(PtPortHandle* h, int channel);
    bool ReleaseOrphan(PtPortHandle* h, bool serial);

    CPtProtocol* m_table[kChannels];
    // The handle each channel was opened with. A handle whose channel
    // object was replaced, or destroyed by a close naming another handle,
    // becomes an orphan: no close could release it otherwise.
    PtPortHandle* m_owner[kChannels];
    std::vector<PtPortHandle*> m_orphans;
    // The ownership records span channels; a host that drives different
    // channels from several threads must not tear them.
    std::mutex m_ownerLock;
    void SetOwner(int channel, PtPortHandle* h);
    // For a host that logs why an open returned NULL; the exports stay silent.
    std::string m_openError[kChannels];
    mutable std::mutex m_errorLock;
    void SetOpenError(int channel, std::string why);
};
