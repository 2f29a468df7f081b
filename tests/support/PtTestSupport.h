// Test rigs shared by every protocol suite: a capture channel driven
// through the C exports, and a serial rig whose port records writes and
// whose sleeper records pauses, so a family adds rows, not test code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trevalo.h"

struct PtPortHandle;
class CPtProtocol;

namespace pttest {

enum class Act { Cmd, Power, Lamp, Aux, AutoPan, AutoScan, Speed, PresetNo, ScanNo, Attach, Detach, Sweep };

struct Op {
    Act act;
    int a = 0;
    int b = 0;
};

inline Op Cmd(int code) { return {Act::Cmd, code}; }
inline Op Power(int on) { return {Act::Power, on}; }
inline Op Lamp(int on) { return {Act::Lamp, on}; }
inline Op Aux(int on) { return {Act::Aux, on}; }
inline Op AutoPan(int on) { return {Act::AutoPan, on}; }
inline Op AutoScan(int value) { return {Act::AutoScan, value}; }
inline Op Speed(int axis, int up) { return {Act::Speed, axis, up}; }
inline Op PresetNo(int n) { return {Act::PresetNo, n}; }
inline Op ScanNo(int n) { return {Act::ScanNo, n}; }
inline Op Attach() { return {Act::Attach}; }
inline Op Detach() { return {Act::Detach}; }
// Every operation in turn (each code after each preset, each stop after each
// code, every output, scan and speed step, then the close) from a fresh object
// and no files; its row expects "#" and the digest of the transcript, so one
// line pins every table row the sweep reaches.
inline Op Sweep() { return {Act::Sweep}; }

std::vector<uint8_t> Hex(const std::string& text);
std::string ToHex(const uint8_t* p, size_t n);
std::string ToHex(const std::vector<uint8_t>& v);

// What one capture call left: "-" when the length was not written, else
// the captured bytes in upper-case hex ("" for a length of 0).
std::string CaptureText(int len, const uint8_t* buf);

// A channel opened with SetPtOpen_NET; each Run makes one export call.
class CaptureChannel {
public:
    CaptureChannel(int index, int address, int channel = 0);
    ~CaptureChannel();
    CaptureChannel(const CaptureChannel&) = delete;
    CaptureChannel& operator=(const CaptureChannel&) = delete;

    bool ok() const { return m_h != nullptr; }
    PtPortHandle* handle() const { return m_h; }
    const std::string& opened() const { return m_open; }  // what the open captured
    std::string Run(const Op& op);
    std::string Run(const std::vector<Op>& setup, const Op& op);
    void Close();

private:
    int m_channel;
    PtPortHandle* m_h = nullptr;
    std::string m_open;
};

// Writes and pauses of serial mode, recorded as "FF 01 | 00 08 ... | p30":
// hex writes and "pN" pauses separated by " | ".
class SerialRig {
public:
    // attach false leaves the object as constructed, to see what a fresh
    // object sends before any AttachPort.
    SerialRig(int index, int address, bool attach = true);
    ~SerialRig();
    bool ok() const { return m_proto != nullptr; }
    std::string Run(const Op& op);
    std::string Run(const std::vector<Op>& setup, const Op& op);
    CPtProtocol* protocol() const { return m_proto; }
    PtPortHandle* handle() const { return m_h; }

private:
    CPtProtocol* m_proto = nullptr;
    PtPortHandle* m_h = nullptr;
};

// The sleeper used by the suite records pauses instead of waiting; tests
// that need real time (serial lines) switch it off with RealTime.
std::string Recorded();
void ClearRecorded();
void InstallRecordingSleeper();
struct RealTime {
    RealTime();
    ~RealTime();
};

// A fresh scratch directory for files the library writes.
std::string TempDir();

// Serial expectations that are not a literal SerialRig text. By default
// the serial form must write exactly the captured bytes (pauses and write
// boundaries aside); "" means nothing may be written.
extern const char* const kSameBytes;
extern const char* const kNotChecked;  // the serial half of this row is skipped

// One row of a family's table. expect is CaptureText() of the last op in
// capture mode; serial is the SerialRig text of it ("=" standing for the
// captured bytes as one write), or one of the markers.
struct Vector {
    const char* name;
    int index;
    int address;
    std::vector<Op> setup;
    Op op;
    const char* expect;
    const char* serial = kSameBytes;
};

// Checks every row in both modes, reporting each failing row by name.
void CheckVectors(const std::vector<Vector>& rows);

}  // namespace pttest
