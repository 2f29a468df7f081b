#include "protocol/CPtProtocol.h"

#include <cstdio>

#include "platform/Platform.h"
#include "transport/CComPort.h"

CPtProtocol::~CPtProtocol() = default;

void CPtProtocol::ShowMessage(const char*) {}
void CPtProtocol::AttachPort(PtPortHandle*) {}
void CPtProtocol::DetachPort(PtPortHandle*) {}
void CPtProtocol::SetPresetNo(int) {}
void CPtProtocol::SetCmd(PtPortHandle*, int) {}
void CPtProtocol::SetCameraPower(PtPortHandle*, int) {}
void CPtProtocol::SetLampPower(PtPortHandle*, int) {}
void CPtProtocol::SetAuxPower(PtPortHandle*, int) {}
void CPtProtocol::SetAutoPan(PtPortHandle*, int) {}
void CPtProtocol::SetAutoScanNo(int) {}
void CPtProtocol::SetAutoScan(PtPortHandle*, int) {}
void CPtProtocol::SetSpeedCtrl(PtPortHandle*, int, int) {}

void CPtProtocol::AttachPortNet(PtPortHandle* h, uint8_t* buf, int* len) {
    Remember(buf, len);
    m_bCapture = 1;
    AttachPort(h);
}

void CPtProtocol::DetachPortNet(PtPortHandle* h, uint8_t* buf, int* len) {
    Remember(buf, len);
    m_bCapture = 0;  // off first: the detach hands nothing to the caller
    DetachPort(h);
}

void CPtProtocol::SetCmdNet(PtPortHandle* h, int code, uint8_t* buf, int* len) {
    Remember(buf, len);
    SetCmd(h, code);
}

void CPtProtocol::SetCameraPowerNet(PtPortHandle* h, int on, uint8_t* buf, int* len) {
    Remember(buf, len);
    SetCameraPower(h, on);
}

void CPtProtocol::SetLampPowerNet(PtPortHandle* h, int on, uint8_t* buf, int* len) {
    Remember(buf, len);
    SetLampPower(h, on);
}

void CPtProtocol::SetAuxPowerNet(PtPortHandle* h, int on, uint8_t* buf, int* len) {
    Remember(buf, len);
    SetAuxPower(h, on);
}

void CPtProtocol::SetAutoScanNet(PtPortHandle* h, int value, uint8_t* buf, int* len) {
    Remember(buf, len);
    SetAutoScan(h, value);
}

void CPtProtocol::SetAutoPanNet(PtPortHandle* h, int on, uint8_t* buf, int* len) {
    Remember(buf, len);
    SetAutoPan(h, on);
}

void CPtProtocol::SetSpeedCtrlNet(PtPortHandle* h, int axis, int increase, uint8_t* buf, int* len) {
    Remember(buf, len);
    SetSpeedCtrl(h, axis, increase);
}

void CPtProtocol::Out::Write(const uint8_t* data, size_t n) {
    if (m_h && m_h->port) m_h->port->Write(data, static_cast<int>(n));
}

void CPtProtocol::Out::Sleep(unsigned ms) { platform::SleepMs(ms); }

void CPtProtocol::NoPacket() {
    if (m_bCapture && m_pCapLen) *m_pCapLen = 0;
}

void CPtProtocol::ShowTagged(const char* tag, const char* text) const {
    char format[64];
    char message[512];
    std::snprintf(format, sizeof format, "%s[%%s]", tag);
    std::snprintf(message, sizeof message, format, text ? text : "");
    platform::MessageBox(message, "", 0);
}
