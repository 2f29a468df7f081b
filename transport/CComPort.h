// One serial line of a port handle: open, configure, write, and a watch
// thread that forwards received bytes to the host window "DVR".
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Serial.h"
#include "platform/Thread.h"
#include "transport/Line.h"

class CComPort {
public:
    CComPort();
    // Virtual so that a stand-in port (a recorder in the tests) is destroyed whole.
    virtual ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    virtual int Open(int port, uint32_t baudRate, int byteSize, int parity, int stopBits);
    virtual void Close();
    virtual int Configure(uint32_t baudRate, int byteSize, int parity, int stopBits);
    // Always returns 0: a failed write is never reported to the protocol.
    virtual int Write(const uint8_t* data, int length);
    virtual int Read(uint8_t* data, int maxLength);
    virtual void OnReceive();

    int SetFlowControl(int dtrDsr, int rtsCts, int xonXoff, int reserved);
    int GetFlowControl(int* dtrDsr, int* rtsCts, int* xonXoff, int* reserved) const;

    bool IsOpen() const { return m_pShared ? SharedOpen() : m_line.IsOpen(); }
    bool IsShared() const { return m_pShared != nullptr; }
    // Why the last Open failed, device and system reason first; empty after
    // a successful one.
    const std::string& OpenFailure() const { return m_sFailure; }
    bool LineLost();
    // A listener only reads: it never writes, and leaves DTR as it finds
    // it (on an RS-485 adapter DTR may switch the driver on).
    void SetListenOnly() { m_listenOnly = true; }

    // The rate Configure applies for a requested one, and the write
    // time-out per byte that Open sets for it.
    static uint32_t LineRate(uint32_t requested);
    static uint32_t WriteMsPerByte(uint32_t requested);

    // Held for one whole operation (its frames, pauses and repeats) so that
    // on a shared line no other channel's frame lands in between. Nothing
    // is locked on an exclusive port.
    class Turn {
    public:
        explicit Turn(const CComPort* port) : m_lock(port ? port->m_pTurn : nullptr) {
            if (m_lock) m_lock->lock();
        }
        ~Turn() {
            if (m_lock) m_lock->unlock();
        }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

    private:
        std::mutex* m_lock;
    };

    struct SharedLine;

protected:
    struct WatchGate;
    int OpenDevice(uint16_t number, uint32_t baudRate, int byteSize, int parity, int stopBits);
    int Join(uint16_t number, uint32_t baudRate, int byteSize, int parity, int stopBits);
    void Leave();
    bool SharedOpen() const;
    static void CommWatchProc(void* self);
    void Undo();
    void Failed(std::string why);

    // The device (m_hComDev) with its read and write blocks (m_osRead,
    // m_osWrite), of whichever kind COM<n> is mapped to.
    Line m_line;
    bool m_bEvents = false;
    platform::Thread* m_hCommWatchThread = nullptr;
    // Shared with the watch thread while it runs; the thread keeps it when
    // a close leaves it inside the host's receiver.
    WatchGate* m_pGate = nullptr;
    uint16_t m_nPort = 1;
    uint32_t m_dwBaudRate = 9600;
    uint16_t m_wByteSize = 8;
    uint16_t m_wParity = 0;
    uint16_t m_wStopBits = 0;
    int32_t m_bDtrDsr = 0;
    int32_t m_bRtsCts = 0;
    int32_t m_bXonXoff = 0;
    int32_t m_bFlowReserved = 0;
    // Written by the host's thread, read by the watch thread.
    std::atomic<int32_t> m_bConnected{0};
    std::string m_sFailure;
    bool m_listenOnly = false;
    // A channel of a shared line: the line's one open port does the work.
    SharedLine* m_pShared = nullptr;
    std::mutex* m_pTurn = nullptr;
};
