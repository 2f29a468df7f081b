#include "transport/CComPort.h"

#include "platform/Platform.h"

CComPort::CComPort() = default;

CComPort::~CComPort() { Close(); }

int CComPort::Open(int, uint32_t, int, int, int) { return 0; }

void CComPort::Close() {
    m_bConnected = 0;
    platform::SleepMs(100);
}

int CComPort::Configure(uint32_t, int, int, int) { return 0; }

int CComPort::Write(const uint8_t*, int) { return 0; }

int CComPort::Read(uint8_t*, int) { return 0; }

void CComPort::OnReceive() {}

int CComPort::SetFlowControl(int dtrDsr, int rtsCts, int xonXoff, int reserved) {
    if (!m_hComDev) return 0;
    m_bDtrDsr = dtrDsr;
    m_bRtsCts = rtsCts;
    m_bXonXoff = xonXoff;
    m_bFlowReserved = reserved;
    return Configure(m_dwBaudRate, m_wByteSize, m_wParity, m_wStopBits) ? 1 : 0;
}

int CComPort::GetFlowControl(int* dtrDsr, int* rtsCts, int* xonXoff, int* reserved) const {
    if (!m_hComDev) return 0;
    if (dtrDsr) *dtrDsr = m_bDtrDsr;
    if (rtsCts) *rtsCts = m_bRtsCts;
    if (xonXoff) *xonXoff = m_bXonXoff;
    if (reserved) *reserved = m_bFlowReserved;
    return 1;
}
