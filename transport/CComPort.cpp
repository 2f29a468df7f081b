#include "transport/CComPort.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "platform/Net.h"
#include "platform/Platform.h"
#include "trevalo_host.h"

namespace {

constexpr int kOpenAttempts = 9;
constexpr unsigned kRetryMs = 100;
constexpr uint32_t kQueueBytes = 4096;
constexpr unsigned kWriteStepMs = 100;
constexpr int kWriteSteps = 100;
constexpr int kReceiveChunk = 10;

// Set on a watch thread whose port was closed while its receiver ran: from
// then on the thread must not touch the port object, which is being freed.
thread_local bool t_portGone = false;

void Trace(const char* format, unsigned long value) {
    char line[100];
    std::snprintf(line, sizeof line, format, value);
    platform::DebugOut(line);
}

}  // namespace

// What a close and the watch thread agree on while the host's receiver
// runs. A close never waits for a receiver (it may be the one closing, or
// wait on a lock the closing thread holds): it leaves the thread there,
// and the thread, once back, ends without touching the port.
struct CComPort::WatchGate {
    std::mutex lock;
    bool inReceiver = false;
    bool abandoned = false;
};

// A port mapped "shared": one open device and watch thread for every
// channel on it, closed with the last of them.
struct CComPort::SharedLine {
    CComPort port;
    std::mutex turn;
    int users = 0;
    uint32_t rate = 0;
    int byteSize = 0, parity = 0, stopBits = 0;
};

namespace {
std::mutex g_sharedLock;
std::map<uint16_t, CComPort::SharedLine*> g_shared;

std::string Settings(uint32_t rate, int byteSize, int parity, int stopBits) {
    static const char kParity[] = "NOEMS";
    return std::to_string(rate) + " " + std::to_string(byteSize) +
           (parity >= 0 && parity < 5 ? kParity[parity] : '?') + (stopBits == 2 ? "2" : "1");
}
}  // namespace

CComPort::CComPort() = default;

CComPort::~CComPort() { Close(); }

uint32_t CComPort::LineRate(uint32_t requested) {
    for (uint32_t rate : platform::kSerialRates)
        if (rate == requested) return rate;
    return 9600;
}

// A rate of 0 would divide by zero; it runs the line at 9600, so it gets
// the time-out of 9600.
uint32_t CComPort::WriteMsPerByte(uint32_t requested) {
    return 19200u / (requested ? requested : 9600u);
}

int CComPort::Open(int port, uint32_t baudRate, int byteSize, int parity, int stopBits) {
    if (IsOpen() || m_bEvents || m_pShared) Close();
    const uint16_t number = static_cast<uint16_t>(port & 0xFFFF);
    // A listener never joins a shared line: it would write through it.
    if (number && !m_listenOnly && platform::PortShared(number))
        return Join(number, baudRate, byteSize, parity, stopBits);
    return OpenDevice(number, baudRate, byteSize, parity, stopBits);
}

// Every channel of a shared line runs it with the same settings: cameras on
// one pair must all take the same rate and framing, so a channel that asks
// for others is refused rather than silently run at the first one's.
int CComPort::Join(uint16_t number, uint32_t baudRate, int byteSize, int parity, int stopBits) {
    const std::string com = "COM" + std::to_string(number);
    m_sFailure.clear();
    std::lock_guard<std::mutex> guard(g_sharedLock);
    auto it = g_shared.find(number);
    SharedLine* line = it == g_shared.end() ? nullptr : it->second;
    if (!line) {
        line = new (std::nothrow) SharedLine;
        if (!line) {
            Failed(com + ": out of memory");
            return 0;
        }
        if (!line->port.OpenDevice(number, baudRate, byteSize, parity, stopBits)) {
            Failed(line->port.OpenFailure());
            delete line;
            return 0;
        }
        line->rate = LineRate(baudRate);
        line->byteSize = byteSize;
        line->parity = parity;
        line->stopBits = stopBits;
        g_shared[number] = line;
    } else if (line->rate != LineRate(baudRate) || line->byteSize != byteSize || line->parity != parity ||
               line->stopBits != stopBits) {
        Failed(com + ": the shared line runs at " +
               Settings(line->rate, line->byteSize, line->parity, line->stopBits) + ", not " +
               Settings(LineRate(baudRate), byteSize, parity, stopBits));
        return 0;
    }
    ++line->users;
    m_pShared = line;
    m_pTurn = &line->turn;
    m_nPort = number;
    m_dwBaudRate = baudRate;
    m_wByteSize = static_cast<uint16_t>(byteSize);
    m_wParity = static_cast<uint16_t>(parity);
    m_wStopBits = static_cast<uint16_t>(stopBits);
    return 1;
}

void CComPort::Leave() {
    SharedLine* line = m_pShared;
    m_pShared = nullptr;
    m_pTurn = nullptr;
    std::lock_guard<std::mutex> guard(g_sharedLock);
    if (--line->users > 0) return;
    g_shared.erase(m_nPort);
    delete line;  // the last channel: the device closes
}

bool CComPort::SharedOpen() const { return m_pShared->port.IsOpen(); }

bool CComPort::LineLost() { return m_pShared ? m_pShared->port.LineLost() : m_line.Gone(); }

int CComPort::OpenDevice(uint16_t number, uint32_t baudRate, int byteSize, int parity, int stopBits) {
    m_line.Choose(number);
    const std::string com = "COM" + std::to_string(number);
    m_sFailure.clear();

    m_bEvents = m_line.CreateEvents();
    if (!m_bEvents) {
        Close();
        Failed(com + ": no events for the port");
        return 0;
    }
    Trace("m_osRead.hEvent created!!! = %lx\n", m_line.DebugId(1));
    Trace("m_osWrite.hEvent created!!! = %lx\n", m_line.DebugId(2));

    bool opened = false;
    for (int attempt = 0; attempt < kOpenAttempts && !opened; ++attempt) {
        opened = m_line.Open(number);
        if (!opened) platform::SleepMs(kRetryMs);
    }
    if (!opened) {
        Trace("Error!!! = %lx\n", m_line.LastError());
        Failed(m_line.Failure());
        return 0;
    }

    Trace("m_hComDev createfile()!!! = %lx\n", m_line.DebugId(0));
    platform::SerialTimeouts timeouts;
    timeouts.readInterval = 0xFFFFFFFFu;
    timeouts.readMultiplier = 0;
    timeouts.readConstant = 1000;
    timeouts.writeMultiplier = WriteMsPerByte(baudRate);
    timeouts.writeConstant = 0;
    m_line.SetRxMask(true);
    m_line.Prepare(kQueueBytes, kQueueBytes, timeouts);
    m_line.Purge();

    const int configured = Configure(baudRate, byteSize, parity, stopBits);
    if (!configured) {
        const std::string why = m_line.Failure();
        Undo();
        Failed(why.empty() ? com + ": line settings refused" : why);
        return 0;
    }

    m_nPort = number;  // before the watch thread, which names it
    m_bConnected = 1;
    m_pGate = new (std::nothrow) WatchGate;
    m_hCommWatchThread = m_pGate ? platform::ThreadStart(&CComPort::CommWatchProc, this) : nullptr;
    if (!m_hCommWatchThread) {
        delete m_pGate;
        m_pGate = nullptr;
        m_bConnected = 0;
        Undo();
        Failed(com + ": no watch thread");
        return 0;
    }
    Trace("m_hCommWatchThread CreateThread()!!! = %lx\n", platform::ThreadDebugId(m_hCommWatchThread));

    m_wByteSize = static_cast<uint16_t>(byteSize);
    m_wParity = static_cast<uint16_t>(parity);
    m_wStopBits = static_cast<uint16_t>(stopBits);
    m_dwBaudRate = baudRate;
    if (!m_listenOnly) m_line.SetDtr(true);
    return configured;
}

// The reason goes to the debug output too, so TREVALO_DEBUG says the same.
void CComPort::Failed(std::string why) {
    m_sFailure = std::move(why);
    platform::DebugOut((m_sFailure + "\n").c_str());
}

// A failed open after the device was opened: release the device, keep the
// events for Close.
void CComPort::Undo() {
    m_line.SetRxMask(false);
    m_line.SetDtr(false);
    m_line.Purge();
    m_line.Close();
}

void CComPort::Close() {
    if (m_pShared) {
        Leave();
        return;
    }
    m_bConnected = 0;
    if (IsOpen()) {
        m_line.SetRxMask(false);  // ends the watch thread's wait
        if (!m_listenOnly) m_line.SetDtr(false);
    }
    platform::SleepMs(100);

    if (m_hCommWatchThread) {
        Trace("m_hCommWatchThread CloseHandle()!!! = %lx\n", platform::ThreadDebugId(m_hCommWatchThread));
        bool inReceiver;
        {
            std::lock_guard<std::mutex> guard(m_pGate->lock);
            inReceiver = m_pGate->inReceiver;
            m_pGate->abandoned = inReceiver;
        }
        if (inReceiver) {
            platform::ThreadDetach(m_hCommWatchThread);  // the gate is the thread's now
        } else {
            platform::ThreadEnd(m_hCommWatchThread);  // woken above, it ends at once
            delete m_pGate;
        }
        m_pGate = nullptr;
        m_hCommWatchThread = nullptr;
        // The thread's own wait object, freed here whichever way it ended.
        Trace("os.hEvent CloseHandle()!!! = %lx\n", m_line.WatchId());
        m_line.WatchEnd();
    }
    if (IsOpen()) {
        m_line.SetRxMask(false);
        if (!m_listenOnly) m_line.SetDtr(false);
        m_line.Purge();
        Trace("m_hComDev CloseHandle()!!! = %lx\n", m_line.DebugId(0));
        m_line.Close();
    }
    if (m_bEvents) {
        Trace("m_osRead.hEvent CloseHandle()!!! = %lx\n", m_line.DebugId(1));
        Trace("m_osWrite.hEvent CloseHandle()!!! = %lx\n", m_line.DebugId(2));
        m_line.CloseEvents();
        m_bEvents = false;
    }
}

int CComPort::Configure(uint32_t baudRate, int byteSize, int parity, int stopBits) {
    if (m_pShared) return m_pShared->port.Configure(baudRate, byteSize, parity, stopBits);
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
    return m_line.SetLine(line) ? 1 : 0;
}

int CComPort::Write(const uint8_t* data, int length) {
    if (m_pShared) return m_pShared->port.Write(data, length);
    if (!IsOpen() || !data || length <= 0 || m_listenOnly) return 0;
    m_line.WriteStart(data, static_cast<size_t>(length));
    for (int step = 0; step < kWriteSteps; ++step)
        if (m_line.WriteWait(kWriteStepMs)) break;
    return 0;
}

int CComPort::Read(uint8_t* data, int maxLength) {
    if (m_pShared) return m_pShared->port.Read(data, maxLength);
    if (!IsOpen() || !data || maxLength <= 0) return 0;
    int waiting = m_line.BytesWaiting();
    int n = waiting < maxLength ? waiting : maxLength;
    if (n <= 0) return 0;
    int count = 0;
    switch (m_line.ReadStart(data, n, &count)) {
        case platform::SerialIo::Done:
            return count;
        case platform::SerialIo::Pending:
            platform::DebugOut("\n\rIO Pending");
            return m_line.ReadFinish();
        case platform::SerialIo::Failed:
            break;
    }
    m_line.BytesWaiting();  // clears the error state
    return 0;
}

void CComPort::OnReceive() {
    uint8_t buf[100];
    std::memset(buf, 0, sizeof buf);
    const int n = Read(buf, kReceiveChunk);
    if (n <= 0) return;
    WatchGate* gate = m_pGate;
    if (gate) {
        std::lock_guard<std::mutex> guard(gate->lock);
        if (!m_bConnected) return;  // closing: nothing more reaches the host
        gate->inReceiver = true;
    }
    platform::SendToHostWindow("DVR", TREVALO_COPYDATA_RX, buf, static_cast<unsigned>(n));
    if (!gate) return;
    std::unique_lock<std::mutex> guard(gate->lock);
    if (gate->abandoned) {
        guard.unlock();
        delete gate;
        t_portGone = true;
        return;
    }
    gate->inReceiver = false;
}

void CComPort::CommWatchProc(void* self) {
    CComPort* port = static_cast<CComPort*>(self);
    Line& line = port->m_line;
    if (!line.WatchBegin()) {
        platform::MessageBox("Failed to create event for thread!", "TTY Error!", 0x30);
        return;
    }
    Trace("os.hEvent CreateEvent()!!! = %lx\n", line.WatchId());
    if (!line.SetRxMask(true)) return;  // Close frees the wait object
    bool goneSaid = false;
    while (port->m_bConnected) {
        if (line.WaitEvent()) {
            port->OnReceive();
            if (t_portGone) return;
        } else if (!goneSaid && line.Gone()) {
            // Said once; the platform stops watching the line from here on.
            goneSaid = true;
            Trace("COM%lu: the device went away (hung up or unplugged)\n", port->m_nPort);
        }
    }
}

int CComPort::SetFlowControl(int dtrDsr, int rtsCts, int xonXoff, int reserved) {
    if (m_pShared) return m_pShared->port.SetFlowControl(dtrDsr, rtsCts, xonXoff, reserved);
    if (!IsOpen()) return 0;
    m_bDtrDsr = dtrDsr;
    m_bRtsCts = rtsCts;
    m_bXonXoff = xonXoff;
    m_bFlowReserved = reserved;
    return Configure(m_dwBaudRate, m_wByteSize, m_wParity, m_wStopBits) ? 1 : 0;
}

int CComPort::GetFlowControl(int* dtrDsr, int* rtsCts, int* xonXoff, int* reserved) const {
    if (m_pShared) return m_pShared->port.GetFlowControl(dtrDsr, rtsCts, xonXoff, reserved);
    if (!IsOpen()) return 0;
    if (dtrDsr) *dtrDsr = m_bDtrDsr;
    if (rtsCts) *rtsCts = m_bRtsCts;
    if (xonXoff) *xonXoff = m_bXonXoff;
    if (reserved) *reserved = m_bFlowReserved;
    return 1;
}
