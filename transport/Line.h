// The kinds of line a CComPort drives (a serial device, a raw TCP server,
// an RFC 2217 server) behind one table of operations. CComPort's
// algorithm (retries, time-outs, the watch loop, messages to the host)
// calls only through it and never asks which kind it has. The operations
// mean what the serial ones of platform/Serial.h mean, with the same
// rules of use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Serial.h"

struct Line;
class NetLink;

struct LineOps {
    const char* kind;
    bool (*createEvents)(Line&);
    void (*closeEvents)(Line&);
    unsigned long (*debugId)(const Line&, int which);
    bool (*open)(Line&, unsigned number);
    unsigned long (*lastError)(const Line&);
    bool (*isOpen)(const Line&);
    void (*close)(Line&);
    bool (*setRxMask)(Line&, bool on);
    bool (*prepare)(Line&, uint32_t inQueue, uint32_t outQueue, const platform::SerialTimeouts&);
    void (*purge)(Line&);
    bool (*setLine)(Line&, const platform::SerialLine&);
    void (*setDtr)(Line&, bool on);
    void (*writeStart)(Line&, const uint8_t* data, size_t n);
    bool (*writeWait)(Line&, unsigned ms);
    int (*bytesWaiting)(Line&);
    platform::SerialIo (*readStart)(Line&, uint8_t* data, int max, int* count);
    int (*readFinish)(Line&);
    bool (*watchBegin)(Line&);
    unsigned long (*watchId)(const Line&);
    void (*watchEnd)(Line&);
    bool (*waitEvent)(Line&);
    std::string (*failure)(const Line&);  // why the last open attempt failed, device first
    bool (*gone)(Line&);                  // the device went away for good
};

extern const LineOps kSerialLine;
extern const LineOps kSocketLine;   // socket://HOST:PORT
extern const LineOps kRfc2217Line;  // rfc2217://HOST:PORT

struct Line {
    Line();
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // Picks the kind for COM<number> from the name it is mapped to; only
    // while the line is closed.
    void Choose(unsigned number);

    const LineOps* ops = &kSerialLine;
    std::string name;               // what COM<n> is mapped to
    platform::SerialPort serial;    // the serial kind's state
    std::unique_ptr<NetLink> net;   // the network kinds' state

    bool CreateEvents() { return ops->createEvents(*this); }
    void CloseEvents() { ops->closeEvents(*this); }
    unsigned long DebugId(int which) const { return ops->debugId(*this, which); }
    bool Open(unsigned number) { return ops->open(*this, number); }
    unsigned long LastError() const { return ops->lastError(*this); }
    bool IsOpen() const { return ops->isOpen(*this); }
    void Close() { ops->close(*this); }
    bool SetRxMask(bool on) { return ops->setRxMask(*this, on); }
    bool Prepare(uint32_t in, uint32_t out, const platform::SerialTimeouts& t) { return ops->prepare(*this, in, out, t); }
    void Purge() { ops->purge(*this); }
    bool SetLine(const platform::SerialLine& l) { return ops->setLine(*this, l); }
    void SetDtr(bool on) { ops->setDtr(*this, on); }
    void WriteStart(const uint8_t* data, size_t n) { ops->writeStart(*this, data, n); }
    bool WriteWait(unsigned ms) { return ops->writeWait(*this, ms); }
    int BytesWaiting() { return ops->bytesWaiting(*this); }
    platform::SerialIo ReadStart(uint8_t* data, int max, int* count) { return ops->readStart(*this, data, max, count); }
    int ReadFinish() { return ops->readFinish(*this); }
    bool WatchBegin() { return ops->watchBegin(*this); }
    unsigned long WatchId() const { return ops->watchId(*this); }
    void WatchEnd() { ops->watchEnd(*this); }
    bool WaitEvent() { return ops->waitEvent(*this); }
    std::string Failure() const { return ops->failure(*this); }
    bool Gone() { return ops->gone(*this); }
};
