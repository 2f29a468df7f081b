// The per-system half of a serial port. transport/CComPort holds the
// portable algorithm (retries, baud table, time-out values, the watch loop,
// debug lines) and calls only these functions; each system implements them
// once (posix/SerialPosix.cpp; a Win32 file maps them one to one onto
// CreateFileA, SetupComm, PurgeComm, SetCommTimeouts, Get/SetCommState,
// EscapeCommFunction, SetCommMask, WaitCommEvent, ClearCommError and
// overlapped ReadFile/WriteFile).
//
// Rules of use: one SerialPort per CComPort. The host's thread calls
// everything except SerialWatch*/SerialWaitEvent and the read functions,
// which the port's watch thread calls. SerialSetRxMask(false) is the one
// call allowed while the watch thread waits: it ends that wait.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
struct _OVERLAPPED;
#endif

namespace platform {

// The rates a line runs at exactly; any other runs at 9600.
constexpr uint32_t kSerialRates[] = {110,   300,   600,   1200,  2400,  4800,   9600,
                                     14400, 19200, 38400, 56000, 57600, 128000, 256000};

struct SerialPort {
#ifdef _WIN32
    void* hComDev = nullptr;         // CreateFileA handle, overlapped; null while closed
    _OVERLAPPED* osRead = nullptr;   // read block with its manual-reset event
    _OVERLAPPED* osWrite = nullptr;  // write block with its manual-reset event
    _OVERLAPPED* osWait = nullptr;   // the watch thread's WaitCommEvent block
    unsigned number = 0;             // the COM port number while open
    unsigned long lastError = 0;
    std::atomic<bool> hungUp{false};  // the device went away: stop waiting on it
    std::string failure;             // why the last open failed
#else
    int fd = -1;      // the tty, held exclusively; -1 while closed
    int wakeFd = -1;        // polled by the watch thread (an eventfd, or a pipe's read end)
    int wakeSignalFd = -1;  // written to end that poll (the eventfd itself, or the pipe's write end)
    std::atomic<bool> rxMask{false};
    bool hungUp = false;  // the far end went away: stop polling the tty
    int lastError = 0;
    std::string path;     // the device of the last open attempt
    std::string failure;  // why the last open or line setting failed, device first
    unsigned readTimeoutMs = 0;
    unsigned writeMsPerByte = 0;  // 0: no write time-out
    unsigned charUs = 1042;       // one character on the line, for drain waits
    // The write in progress between SerialWriteStart and its completion.
    const uint8_t* wrData = nullptr;
    size_t wrLeft = 0;
    uint64_t wrDeadlineUs = 0;  // 0: none
    bool wrDone = true;
    // The read in progress between SerialReadStart and SerialReadFinish.
    uint8_t* rdData = nullptr;
    int rdMax = 0;
#endif
};

// Line settings as Configure computes them (Win32 DCB terms). Codes: parity
// 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits 0 one, 1 one and a half,
// 2 two.
struct SerialLine {
    uint32_t baud = 9600;
    int byteSize = 8;
    int parity = 0;
    int stopBits = 0;
    bool dsrOutFlow = false;    // fOutxDsrFlow
    bool dtrHandshake = false;  // DTR_CONTROL_HANDSHAKE, else DTR held on
    bool ctsOutFlow = false;    // fOutxCtsFlow
    bool rtsHandshake = false;  // RTS_CONTROL_HANDSHAKE, else RTS held on
    bool xonXoff = false;       // fOutX and fInX
    uint8_t xonChar = 17;
    uint8_t xoffChar = 19;
    uint16_t xonLim = 1024;
    uint16_t xoffLim = 1024;
};

// COMMTIMEOUTS, in milliseconds.
struct SerialTimeouts {
    uint32_t readInterval = 0;
    uint32_t readMultiplier = 0;
    uint32_t readConstant = 0;
    uint32_t writeMultiplier = 0;
    uint32_t writeConstant = 0;
};

// The objects an open needs before the device (Win32: the events of the read
// and write blocks; POSIX: the wake-up eventfd, which stands for both).
bool SerialCreateEvents(SerialPort& p);
void SerialCloseEvents(SerialPort& p);
// Values for the debug lines: 0 the device, 1 the read event, 2 the write event.
unsigned long SerialDebugId(const SerialPort& p, int which);

// One exclusive open attempt of COM<number>; false leaves the port closed
// and sets SerialLastError.
bool SerialOpen(SerialPort& p, unsigned number);
unsigned long SerialLastError(const SerialPort& p);
// Why the last SerialOpen or SerialSetLine failed, naming the device and
// the system's reason ("/dev/ttyUSB0: Device or resource busy").
std::string SerialFailure(const SerialPort& p);
bool SerialIsOpen(const SerialPort& p);
// True once the device behind an open port has gone away (unplugged, far
// end of a pseudo-terminal closed); asks the system each time.
bool SerialLineLost(SerialPort& p);
void SerialClose(SerialPort& p);

// Receive events on or off; off also ends a pending SerialWaitEvent.
bool SerialSetRxMask(SerialPort& p, bool on);
// Driver queue sizes (a hint where the system has fixed buffers) and time-outs.
bool SerialPrepare(SerialPort& p, uint32_t inQueue, uint32_t outQueue, const SerialTimeouts& t);
// Discards both queues and abandons pending transfers.
void SerialPurge(SerialPort& p);
bool SerialSetLine(SerialPort& p, const SerialLine& line);
void SerialSetDtr(SerialPort& p, bool on);

// A write: start it, then wait for it in steps; Wait returns true once the
// write has ended (all sent, failed or timed out). The buffer must stay valid
// until then or until the caller gives up.
void SerialWriteStart(SerialPort& p, const uint8_t* data, size_t n);
bool SerialWriteWait(SerialPort& p, unsigned ms);

int SerialBytesWaiting(SerialPort& p);
enum class SerialIo { Done, Pending, Failed };
// Starts a read of up to max bytes into data; Done sets *count.
SerialIo SerialReadStart(SerialPort& p, uint8_t* data, int max, int* count);
// Waits for a Pending read (within the read time-out); returns its count.
int SerialReadFinish(SerialPort& p);

// The watch thread's own wait object (Win32: its event; POSIX needs none).
bool SerialWatchBegin(SerialPort& p);
unsigned long SerialWatchId(const SerialPort& p);
void SerialWatchEnd(SerialPort& p);
// Blocks until characters arrive (true) or the wait ends otherwise (false:
// the mask was cleared, or the line went away). Never spins.
bool SerialWaitEvent(SerialPort& p);
// True once the wait found the device gone (hung up, unplugged); from then
// on SerialWaitEvent only waits for the wake-up.
bool SerialLineGone(const SerialPort& p);

}  // namespace platform
