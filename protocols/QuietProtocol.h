// Base for protocols that answer only a few operations. Everything not
// overridden sends nothing (capture length 0), and the preset and scan
// numbers are ignored, so each class names only what its device takes.
#pragma once

#include "protocol/CPtProtocol.h"

class CPtQuietProtocol : public CPtProtocol {
public:
    void AttachPort(PtPortHandle*) override { NoPacket(); }
    void DetachPort(PtPortHandle*) override { NoPacket(); }
    void SetPresetNo(int) override {}
    void SetCmd(PtPortHandle*, int) override { NoPacket(); }
    void SetCameraPower(PtPortHandle*, int) override { NoPacket(); }
    void SetLampPower(PtPortHandle*, int) override { NoPacket(); }
    void SetAuxPower(PtPortHandle*, int) override { NoPacket(); }
    void SetAutoPan(PtPortHandle*, int) override { NoPacket(); }
    void SetAutoScanNo(int) override {}
    void SetAutoScan(PtPortHandle*, int) override { NoPacket(); }
    void SetSpeedCtrl(PtPortHandle*, int, int) override { NoPacket(); }
};
