#include "transport/CComPort.h"

#include <cstdio>
#include <cstring>

#include "platform/Platform.h"

namespace {

constexpr int kOpenAttempts = 9;
constexpr unsigned kRetryMs = 100;
constexpr uint32_t kQueueBytes = 4096;
constexpr unsigned kWriteStepMs = 100;
constexpr int kWriteSteps = 100;
constexpr int kReceiveChunk = 10;
constexpr unsigned long kCopyDataRx = 1124;

const uint32_t kRates[] = {110,   300,   600,   1200,  2400,  4800,   9600,
                           14400, 19200, 38400, 56000, 57600, 128000, 256000};

// Set on a watch thread whose own receiver closed its port: from then on
// the thread must not touch the port object, which is being freed.
thread_local bool t_portGone = false;

void Trace(const char* format, unsigned long value) {
    char line[100];
    std::snprintf(line, sizeof line, format, value);
    platform::DebugOut(line);
}

}  // namespace

CComPort::CComPort() = default;

CComPort::~CComPort() { Close(); }

uint32_t CComPort::LineRate(uint32_t requested) {
    for (uint32_t rate : kRates)
        if (rate == requested) return rate;
    return 9600;
}

// A rate of 0 would divide by zero; it runs the line at 9600, so it gets
// the time-out of 9600.
uint32_t CComPort::WriteMsPerByte(uint32_t requested) {
    return 19200u / (requested ? requested : 9600u);
}

int CComPort::Open(int port, uint32_t baudRate, int byteSize, int parity, int stopBits) {
    if (IsOpen() || m_bEvents) Close();

    m_bEvents = platform::SerialCreateEvents(m_port);
    if (!m_bEvents) {
        Close();
        return 0;
    }
    Trace("m_osRead.hEvent created!!! = %lx\n", platform::SerialDebugId(m_port, 1));
    Trace("m_osWrite.hEvent created!!! = %lx\n", platform::SerialDebugId(m_port, 2));

    const uint16_t number = static_cast<uint16_t>(port & 0xFFFF);
    bool opened = false;
    for (int attempt = 0; attempt < kOpenAttempts && !opened; ++attempt) {
        opened = platform::SerialOpen(m_port, number);
        if (!opened) platform::SleepMs(kRetryMs);
    }
    if (!opened) {
        Trace("Error!!! = %lx\n", platform::SerialLastError(m_port));
        return 0;
    }

    Trace("m_hComDev createfile()!!! = %lx\n", platform::SerialDebugId(m_port, 0));
    platform::SerialTimeouts timeouts;
    timeouts.readInterval = 0xFFFFFFFFu;
    timeouts.readMultiplier = 0;
    timeouts.readConstant = 1000;
    timeouts.writeMultiplier = WriteMsPerByte(baudRate);
    timeouts.writeConstant = 0;
    platform::SerialSetRxMask(m_port, true);
    platform::SerialPrepare(m_port, kQueueBytes, kQueueBytes, timeouts);
    platform::SerialPurge(m_port);

    const int configured = Configure(baudRate, byteSize, parity, stopBits);
    if (!configured) {
        Undo();
        return 0;
    }

    m_bConnected = 1;
    m_hCommWatchThread = platform::ThreadStart(&CComPort::CommWatchProc, this);
    if (!m_hCommWatchThread) {
        m_bConnected = 0;
        Undo();
        return 0;
    }
    Trace("m_hCommWatchThread CreateThread()!!! = %lx\n", platform::ThreadDebugId(m_hCommWatchThread));

    m_wByteSize = static_cast<uint16_t>(byteSize);
    m_nPort = number;
    m_wParity = static_cast<uint16_t>(parity);
    m_wStopBits = static_cast<uint16_t>(stopBits);
    m_dwBaudRate = baudRate;
    if (!m_listenOnly) platform::SerialSetDtr(m_port, true);
    return configured;
}

// A failed open after the device was opened: release the device, keep the
// events for Close.
void CComPort::Undo() {
    platform::SerialSetRxMask(m_port, false);
    platform::SerialSetDtr(m_port, false);
    platform::SerialPurge(m_port);
    platform::SerialClose(m_port);
}

void CComPort::Close() {
    m_bConnected = 0;
    if (IsOpen()) {
        platform::SerialSetRxMask(m_port, false);  // ends the watch thread's wait
        if (!m_listenOnly) platform::SerialSetDtr(m_port, false);
    }
    platform::SleepMs(100);

    if (m_hCommWatchThread) {
        Trace("m_hCommWatchThread CloseHandle()!!! = %lx\n", platform::ThreadDebugId(m_hCommWatchThread));
        if (platform::ThreadIsCurrent(m_hCommWatchThread)) t_portGone = true;
        platform::ThreadEnd(m_hCommWatchThread);
        m_hCommWatchThread = nullptr;
    }
    if (IsOpen()) {
        platform::SerialSetRxMask(m_port, false);
        if (!m_listenOnly) platform::SerialSetDtr(m_port, false);
        platform::SerialPurge(m_port);
        Trace("m_hComDev CloseHandle()!!! = %lx\n", platform::SerialDebugId(m_port, 0));
        platform::SerialClose(m_port);
    }
    if (m_bEvents) {
        Trace("m_osRead.hEvent CloseHandle()!!! = %lx\n", platform::SerialDebugId(m_port, 1));
        Trace("m_osWrite.hEvent CloseHandle()!!! = %lx\n", platform::SerialDebugId(m_port, 2));
        platform::SerialCloseEvents(m_port);
        m_bEvents = false;
    }
}

int CComPort::Configure(uint32_t baudRate, int byteSize, int parity, int stopBits) {
    if (!IsOpen()) return 0;
    platform::SerialLine line;
    line.baud = LineRate(baudRate);
    line.byteSize = byteSize & 0xFF;
    line.parity = parity & 0xFF;
    line.stopBits = stopBits & 0xFF;
    line.dsrOutFlow = m_bDtrDsr != 0;
    line.dtrHandshake = m_bDtrDsr != 0;
    line.ctsOutFlow = m_bRtsCts != 0;
    line.rtsHandshake = m_bRtsCts != 0;
    line.xonXoff = m_bXonXoff != 0;
    line.xonChar = 17;
    line.xoffChar = 19;
    line.xonLim = 1024;
    line.xoffLim = 1024;
    return platform::SerialSetLine(m_port, line) ? 1 : 0;
}

int CComPort::Write(const uint8_t* data, int length) {
    if (!IsOpen() || !data || length <= 0 || m_listenOnly) return 0;
    platform::SerialWriteStart(m_port, data, static_cast<size_t>(length));
    for (int step = 0; step < kWriteSteps; ++step)
        if (platform::SerialWriteWait(m_port, kWriteStepMs)) break;
    return 0;
}

int CComPort::Read(uint8_t* data, int maxLength) {
    if (!IsOpen() || !data || maxLength <= 0) return 0;
    int waiting = platform::SerialBytesWaiting(m_port);
    int n = waiting < maxLength ? waiting : maxLength;
    if (n <= 0) return 0;
    int count = 0;
    switch (platform::SerialReadStart(m_port, data, n, &count)) {
        case platform::SerialIo::Done:
            return count;
        case platform::SerialIo::Pending:
            platform::DebugOut("\n\rIO Pending");
            return platform::SerialReadFinish(m_port);
        case platform::SerialIo::Failed:
            break;
    }
    platform::SerialBytesWaiting(m_port);  // clears the error state
    return 0;
}

void CComPort::OnReceive() {
    uint8_t buf[100];
    std::memset(buf, 0, sizeof buf);
    const int n = Read(buf, kReceiveChunk);
    if (n <= 0) return;
    platform::SendToHostWindow("DVR", kCopyDataRx, buf, static_cast<unsigned>(n));
}

void CComPort::CommWatchProc(void* self) {
    CComPort* port = static_cast<CComPort*>(self);
    platform::SerialPort& line = port->m_port;
    if (!platform::SerialWatchBegin(line)) {
        platform::MessageBox("Failed to create event for thread!", "TTY Error!", 0x30);
        return;
    }
    Trace("os.hEvent CreateEvent()!!! = %lx\n", platform::SerialWatchId(line));
    if (!platform::SerialSetRxMask(line, true)) {
        platform::SerialWatchEnd(line);
        return;
    }
    while (port->m_bConnected) {
        if (platform::SerialWaitEvent(line)) {
            port->OnReceive();
            if (t_portGone) return;
        }
    }
    Trace("os.hEvent CloseHandle()!!! = %lx\n", platform::SerialWatchId(line));
    platform::SerialWatchEnd(line);
}

int CComPort::SetFlowControl(int dtrDsr, int rtsCts, int xonXoff, int reserved) {
    if (!IsOpen()) return 0;
    m_bDtrDsr = dtrDsr;
    m_bRtsCts = rtsCts;
    m_bXonXoff = xonXoff;
    m_bFlowReserved = reserved;
    return Configure(m_dwBaudRate, m_wByteSize, m_wParity, m_wStopBits) ? 1 : 0;
}

int CComPort::GetFlowControl(int* dtrDsr, int* rtsCts, int* xonXoff, int* reserved) const {
    if (!IsOpen()) return 0;
    if (dtrDsr) *dtrDsr = m_bDtrDsr;
    if (rtsCts) *rtsCts = m_bRtsCts;
    if (xonXoff) *xonXoff = m_bXonXoff;
    if (reserved) *reserved = m_bFlowReserved;
    return 1;
}
