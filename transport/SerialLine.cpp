// The serial device kind: the platform's serial port, one call each.
#include "platform/Net.h"
#include "transport/Line.h"
#include "transport/NetLine.h"

namespace {

using namespace platform;

bool CreateEvents(Line& l) { return SerialCreateEvents(l.serial); }
void CloseEvents(Line& l) { SerialCloseEvents(l.serial); }
unsigned long DebugId(const Line& l, int which) { return SerialDebugId(l.serial, which); }
bool Open(Line& l, unsigned number) { return SerialOpen(l.serial, number); }
unsigned long LastError(const Line& l) { return SerialLastError(l.serial); }
bool IsOpen(const Line& l) { return SerialIsOpen(l.serial); }
void Close(Line& l) { SerialClose(l.serial); }
bool SetRxMask(Line& l, bool on) { return SerialSetRxMask(l.serial, on); }
bool Prepare(Line& l, uint32_t in, uint32_t out, const SerialTimeouts& t) { return SerialPrepare(l.serial, in, out, t); }
void Purge(Line& l) { SerialPurge(l.serial); }
bool SetLine(Line& l, const SerialLine& line) { return SerialSetLine(l.serial, line); }
void SetDtr(Line& l, bool on) { SerialSetDtr(l.serial, on); }
void WriteStart(Line& l, const uint8_t* data, size_t n) { SerialWriteStart(l.serial, data, n); }
bool WriteWait(Line& l, unsigned ms) { return SerialWriteWait(l.serial, ms); }
int BytesWaiting(Line& l) { return SerialBytesWaiting(l.serial); }
SerialIo ReadStart(Line& l, uint8_t* data, int max, int* count) { return SerialReadStart(l.serial, data, max, count); }
int ReadFinish(Line& l) { return SerialReadFinish(l.serial); }
bool WatchBegin(Line& l) { return SerialWatchBegin(l.serial); }
unsigned long WatchId(const Line& l) { return SerialWatchId(l.serial); }
void WatchEnd(Line& l) { SerialWatchEnd(l.serial); }
bool WaitEvent(Line& l) { return SerialWaitEvent(l.serial); }
std::string Failure(const Line& l) { return SerialFailure(l.serial); }
// The watch thread's wait notices a hang-up; a port without a waiting
// thread (a listener between reads) asks the system.
bool Gone(Line& l) { return SerialLineGone(l.serial) || SerialLineLost(l.serial); }

}  // namespace

const LineOps kSerialLine = {"serial",    CreateEvents, CloseEvents, DebugId,      Open,      LastError,
                             IsOpen,      Close,        SetRxMask,   Prepare,      Purge,     SetLine,
                             SetDtr,      WriteStart,   WriteWait,   BytesWaiting, ReadStart, ReadFinish,
                             WatchBegin,  WatchId,      WatchEnd,    WaitEvent,    Failure,   Gone};

Line::Line() = default;
Line::~Line() = default;

void Line::Choose(unsigned number) {
    name = platform::PortName(number);
    ops = NetLineKind(name);
    if (!ops) ops = &kSerialLine;
}
