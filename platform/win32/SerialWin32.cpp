// Serial ports on Win32: an overlapped COM handle, one OVERLAPPED block with
// its manual-reset event for reads, one for writes and one for the watch
// thread's WaitCommEvent. CComPort holds the algorithm; these map it onto
// the API one call at a time.
#include <windows.h>

#include <cstdio>
#include <new>
#include <string>

#include "platform/Platform.h"
#include "platform/Serial.h"
#include "platform/win32/Win32Internal.h"

namespace platform {
namespace {

constexpr DWORD kAllPurge = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

OVERLAPPED* NewBlock() {
    OVERLAPPED* o = new (std::nothrow) OVERLAPPED{};
    if (!o) return nullptr;
    o->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!o->hEvent) {
        delete o;
        return nullptr;
    }
    return o;
}

void FreeBlock(OVERLAPPED*& o) {
    if (!o) return;
    CloseHandle(o->hEvent);
    delete o;
    o = nullptr;
}

// Windows' serial driver refuses a second open of a held port whatever the
// share mode; Wine's emulation lets it through. The ports this process
// holds are kept here too, so that two channels never share a line.
win32::LockedSet& HeldPorts() {
    static win32::LockedSet held;
    return held;
}

// What a wait on a COM handle reports once its device was unplugged.
bool DeviceGone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_HANDLE:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

unsigned long Id(HANDLE h) { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(h)); }

}  // namespace

bool SerialCreateEvents(SerialPort& p) {
    if (!p.osRead) p.osRead = NewBlock();
    if (!p.osWrite) p.osWrite = NewBlock();
    if (p.osRead && p.osWrite) return true;
    SerialCloseEvents(p);
    return false;
}

void SerialCloseEvents(SerialPort& p) {
    FreeBlock(p.osRead);
    FreeBlock(p.osWrite);
}

unsigned long SerialDebugId(const SerialPort& p, int which) {
    if (which == 0) return Id(p.hComDev);
    const OVERLAPPED* o = which == 1 ? p.osRead : p.osWrite;
    return o ? Id(o->hEvent) : 0;
}

// "COM1".."COM9" open by their plain names; from COM10 on, Windows knows
// the port only in the device namespace, "\\.\COM10".
bool SerialOpen(SerialPort& p, unsigned number) {
    if (p.hComDev) return true;
    char com[16];
    std::snprintf(com, sizeof com, "COM%u", number);
    if (!HeldPorts().Insert(number)) {
        p.lastError = ERROR_ACCESS_DENIED;  // what Windows reports for a held port
        p.failure = std::string(com) + ": held by another channel";
        return false;
    }
    char name[32];
    std::snprintf(name, sizeof name, number > 9 ? "\\\\.\\COM%u" : "COM%u", number);
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        p.lastError = GetLastError();
        p.failure = std::string(com) + ": system error " + std::to_string(p.lastError);
        HeldPorts().Erase(number);
        return false;
    }
    p.hComDev = h;
    p.hungUp = false;
    p.number = number;
    p.lastError = 0;
    p.failure.clear();
    return true;
}

unsigned long SerialLastError(const SerialPort& p) { return p.lastError; }

std::string SerialFailure(const SerialPort& p) { return p.failure; }

bool SerialIsOpen(const SerialPort& p) { return p.hComDev != nullptr; }

// A removed adapter fails every call on its handle.
bool SerialLineLost(SerialPort& p) {
    if (!p.hComDev) return false;
    DWORD errors = 0;
    COMSTAT stat;
    return !ClearCommError(p.hComDev, &errors, &stat);
}

void SerialClose(SerialPort& p) {
    if (!p.hComDev) return;
    CloseHandle(p.hComDev);
    p.hComDev = nullptr;
    HeldPorts().Erase(p.number);
}

// Clearing the mask completes a pending WaitCommEvent with no event.
// A line that went away takes no mask: its waiting thread waits on its own
// event instead, which is then what clearing the mask signals.
bool SerialSetRxMask(SerialPort& p, bool on) {
    if (!on && p.hungUp && p.osWait) SetEvent(p.osWait->hEvent);
    return p.hComDev && SetCommMask(p.hComDev, on ? EV_RXCHAR : 0);
}

bool SerialPrepare(SerialPort& p, uint32_t inQueue, uint32_t outQueue, const SerialTimeouts& t) {
    if (!p.hComDev) return false;
    const BOOL queues = SetupComm(p.hComDev, inQueue, outQueue);
    COMMTIMEOUTS ct;
    ct.ReadIntervalTimeout = t.readInterval;
    ct.ReadTotalTimeoutMultiplier = t.readMultiplier;
    ct.ReadTotalTimeoutConstant = t.readConstant;
    ct.WriteTotalTimeoutMultiplier = t.writeMultiplier;
    ct.WriteTotalTimeoutConstant = t.writeConstant;
    return SetCommTimeouts(p.hComDev, &ct) && queues;
}

void SerialPurge(SerialPort& p) {
    if (p.hComDev) PurgeComm(p.hComDev, kAllPurge);
}

bool SerialSetLine(SerialPort& p, const SerialLine& line) {
    if (!p.hComDev) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(p.hComDev, &dcb)) {
        p.lastError = GetLastError();
        return false;
    }
    dcb.BaudRate = line.baud;
    dcb.ByteSize = static_cast<BYTE>(line.byteSize);
    dcb.Parity = static_cast<BYTE>(line.parity);
    dcb.StopBits = static_cast<BYTE>(line.stopBits);
    dcb.fOutxDsrFlow = line.dsrOutFlow;
    dcb.fDtrControl = line.dtrHandshake ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_ENABLE;
    dcb.fOutxCtsFlow = line.ctsOutFlow;
    dcb.fRtsControl = line.rtsHandshake ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = dcb.fInX = line.xonXoff;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.XonChar = static_cast<char>(line.xonChar);
    dcb.XoffChar = static_cast<char>(line.xoffChar);
    dcb.XonLim = line.xonLim;
    dcb.XoffLim = line.xoffLim;
    if (!SetCommState(p.hComDev, &dcb)) {
        p.lastError = GetLastError();
        return false;
    }
    return true;
}

void SerialSetDtr(SerialPort& p, bool on) {
    if (p.hComDev) EscapeCommFunction(p.hComDev, on ? SETDTR : CLRDTR);
}

void SerialWriteStart(SerialPort& p, const uint8_t* data, size_t n) {
    if (!p.hComDev || !p.osWrite || !data || n == 0) return;
    // A write given up on is still in the driver, on the same block: end it
    // before the block is used again.
    if (!HasOverlappedIoCompleted(p.osWrite)) {
        DWORD ignored;
        CancelIoEx(p.hComDev, p.osWrite);
        GetOverlappedResult(p.hComDev, p.osWrite, &ignored, TRUE);
    }
    p.osWrite->Offset = p.osWrite->OffsetHigh = 0;
    DWORD written = 0;
    if (WriteFile(p.hComDev, data, static_cast<DWORD>(n), &written, p.osWrite)) return;
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) return;
    // Failed at once: signal the block so that the wait ends now, not after
    // its ten seconds.
    p.lastError = error;
    SetEvent(p.osWrite->hEvent);
}

bool SerialWriteWait(SerialPort& p, unsigned ms) {
    if (!p.hComDev || !p.osWrite) return true;
    return WaitForSingleObject(p.osWrite->hEvent, ms) == WAIT_OBJECT_0;
}

int SerialBytesWaiting(SerialPort& p) {
    if (!p.hComDev) return 0;
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(p.hComDev, &errors, &stat)) return 0;
    return static_cast<int>(stat.cbInQue);
}

SerialIo SerialReadStart(SerialPort& p, uint8_t* data, int max, int* count) {
    *count = 0;
    if (!p.hComDev || !p.osRead || !data || max <= 0) return SerialIo::Failed;
    p.osRead->Offset = p.osRead->OffsetHigh = 0;
    DWORD got = 0;
    if (ReadFile(p.hComDev, data, static_cast<DWORD>(max), &got, p.osRead)) {
        *count = static_cast<int>(got);
        return SerialIo::Done;
    }
    p.lastError = GetLastError();
    return p.lastError == ERROR_IO_PENDING ? SerialIo::Pending : SerialIo::Failed;
}

int SerialReadFinish(SerialPort& p) {
    if (!p.hComDev || !p.osRead) return 0;
    DWORD got = 0;
    while (!GetOverlappedResult(p.hComDev, p.osRead, &got, TRUE)) {
        p.lastError = GetLastError();
        if (p.lastError != ERROR_IO_INCOMPLETE) {
            SerialBytesWaiting(p);
            break;
        }
    }
    return static_cast<int>(got);
}

bool SerialWatchBegin(SerialPort& p) {
    if (!p.osWait) p.osWait = NewBlock();
    return p.osWait != nullptr;
}

unsigned long SerialWatchId(const SerialPort& p) { return p.osWait ? Id(p.osWait->hEvent) : 0; }

void SerialWatchEnd(SerialPort& p) { FreeBlock(p.osWait); }

bool SerialWaitEvent(SerialPort& p) {
    if (!p.hComDev || !p.osWait) {
        ::Sleep(100);
        return false;
    }
    if (p.hungUp) {
        WaitForSingleObject(p.osWait->hEvent, INFINITE);
        return false;
    }
    DWORD mask = 0;
    if (!WaitCommEvent(p.hComDev, &mask, p.osWait)) {
        DWORD ignored;
        if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(p.hComDev, p.osWait, &ignored, TRUE)) {
            if (DeviceGone(GetLastError())) {
                ResetEvent(p.osWait->hEvent);
                p.hungUp = true;
                return false;
            }
            // Any other failure must not turn this loop into a busy one.
            ::Sleep(100);
            return false;
        }
    }
    return (mask & EV_RXCHAR) != 0;
}

bool SerialLineGone(const SerialPort& p) { return p.hungUp; }

}  // namespace platform
