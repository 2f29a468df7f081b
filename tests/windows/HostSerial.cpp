// COM ports under Wine on ptys whose far ends a Linux peer (WinePeer) holds:
// COM1 and COM12 in serial mode (COM150 has no device), COM5 through
// ser2net's rfc2217:// in net mode. The host asks the peer, one line on
// stdout each, to check or do something at the far end, and reads its
// answer on stdin:
//   @wire <com> <hex>          the far end must receive exactly these bytes
//   @send <com> <hex>          the far end sends these bytes
//   @line <com> <baud> <1|2> <odd 0|1>   the tty's rate, stop bits, odd parity
//   @hangup <com>              the far end goes away
// The answer is "ok", or what was found instead.
#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "tests/windows/HostSupport.h"

namespace host {
namespace {

// What the far end sends: FF is the Telnet escape that rfc2217:// doubles.
const char kFromDevice[] = "FF 00 FF FF 01 02 03 04 05 06 07 08 09 0A FF A0 A1 A2 A3 A4 A5 A6 A7 A8 A9";

std::string Ask(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Ask(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::printf("@");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
    char line[4096];
    if (!std::fgets(line, sizeof line, stdin)) return "no answer";
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

// Milliseconds from the performance counter: the tick count can be too
// coarse for a 90 ms bound.
DWORD Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<DWORD>(t.QuadPart * 1000 / f.QuadPart);
}

DWORD Since(DWORD start) { return Now() - start; }

DWORD Handles() {
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return n;
}

Dll dll;
Report& r = Results();

PtPortHandle* Open(int channel, int com, int baud = 9600, int parity = 'N', int stop = 1, int address = 1) {
    dll.SetPTInit();
    return dll.SetPtOpen(6, channel, address, com, baud, parity, 8, stop);
}

// A failed open leaves its protocol object in the channel; a capture
// open and close drop it.
void Discard(int channel) {
    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    dll.SetPtClose_NET(dll.SetPtOpen_NET(6, channel, 1, buf, &len), channel, buf, &len);
}

// What capture mode yields for commands given to one fresh protocol
// object: what the wire must carry for the same commands.
std::string Frames(std::initializer_list<int> codes, int address = 1) {
    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    PtPortHandle* h = dll.SetPtOpen_NET(6, 200, address, buf, &len);
    std::string frames;
    for (int code : codes) {
        dll.SetPtCmd_NET(h, 200, code, buf, &(len = 0));
        r.Check(len == 7, "the capture of command %d has %d bytes", code, len);
        frames += (frames.empty() ? "" : " ") + ToHex(buf, static_cast<size_t>(len > 0 ? len : 0));
    }
    dll.SetPtClose_NET(h, 200, buf, &len);
    return frames;
}

void Wire(int com, const std::string& hex, const char* what) {
    const std::string answer = Ask("wire %d %s", com, hex.c_str());
    r.Check(answer == "ok", "%s: COM%d carried \"%s\"", what, com, answer.c_str());
}

void LineSettings() {
    struct Row { int baud, parity, stop, rate, stopBits, odd; };  // as SetPtOpen takes them, then on the tty
    const Row rows[] = {
        {115200, 'e', 1, 9600, 1, 0},  // unlisted rates run at 9600
        {57600, 'O', 2, 57600, 2, 1},
        {2400, 'X', 3, 2400, 1, 0},
    };
    for (const Row& row : rows) {
        PtPortHandle* h = Open(0, 1, row.baud, row.parity, row.stop);
        r.Check(h != nullptr, "open COM1 at %d", row.baud);
        if (!h) continue;
        const std::string answer = Ask("line 1 %d %d %d", row.rate, row.stopBits, row.odd);
        r.Check(answer == "ok", "COM1 opened at %d %c %d: tty has %s", row.baud, row.parity, row.stop, answer.c_str());
        dll.SetPtClose(h, 0);
    }
}

// Bytes from the far end reach the "DVR" window in order, at most 10 to a message.
void Receive(int com) {
    r.Check(Ask("send %d %s", com, kFromDevice) == "ok", "the far end could not send");
    std::string joined;
    for (const DWORD start = Now(); joined.size() < sizeof kFromDevice - 1 && Since(start) < 5000;) {
        PumpFor(20);
        for (const CopyData& d : TakeReceived()) {
            r.Check(d.dwData == 1124 && !d.bytes.empty() && d.bytes.size() <= 10, "a message with dwData %lu and %u bytes",
                    d.dwData, static_cast<unsigned>(d.bytes.size()));
            joined += (joined.empty() ? "" : " ") + ToHex(d.bytes.data(), d.bytes.size());
        }
    }
    r.Check(joined == kFromDevice, "the DVR window got \"%s\"", joined.c_str());
}

// A port that cannot be had (held by another channel, or no device) is
// given up after 9 tries 100 ms apart.
void Refused() {
    const struct { int channel, com; const char* what; } cases[] = {
        {1, 1, "a second channel opened the held COM1"}, {2, 150, "COM150 has no device and still opened"}};
    for (const auto& c : cases) {
        const DWORD start = Now();
        r.Check(Open(c.channel, c.com) == nullptr, "%s", c.what);
        const DWORD ms = Since(start);
        r.Check(ms >= 850 && ms < 5000, "the refused open of COM%d took %lu ms", c.com, ms);
        Discard(c.channel);
    }
}

// A host that closes the port from its WM_COPYDATA handler, over and
// over: each close is quick and leaves no handle behind.
void CloseFromWindow(PtPortHandle* h, int times) {
    static PtPortHandle* closing;
    static bool closed;
    g_onCopyData = [] {
        if (!closing) return false;
        dll.SetPtClose(closing, 0);
        closing = nullptr;
        closed = true;
        return true;
    };
    DWORD handles0 = 0;
    for (int i = 0; i < times && h; ++i) {
        if (i == 1) handles0 = Handles();
        closing = h;
        closed = false;
        const DWORD start = Now();
        r.Check(Ask("send 1 61 62 63") == "ok", "the far end could not send");
        while (!closed && Since(start) < 5000) PumpFor(20);
        const DWORD ms = Since(start);
        // The watch thread is released, not ended by force after a second.
        r.Check(closed && ms < 1000, "closing from the window took %lu ms (closed: %d, round %d)", ms, closed, i);
        if (!closed) break;
        h = Open(0, 1);
        r.Check(h != nullptr, "COM1 did not open again after the close from the window (round %d)", i);
    }
    g_onCopyData = nullptr;
    PumpFor(50);
    r.Check(Handles() == handles0, "handles: %lu after the first close from the window, %lu after %d", handles0,
            Handles(), times);
    if (h) dll.SetPtClose(h, 0);
}

void HangUp() {
    PtPortHandle* h = Open(0, 1);
    r.Check(h != nullptr, "open COM1 before the hang-up");
    if (!h) return;
    r.Check(Ask("hangup 1") == "ok", "the far end could not hang up");
    DWORD start = Now();
    for (int i = 0; i < 5; ++i) dll.SetPtCmd(h, 0, PT_LEFT);
    r.Check(Since(start) < 1500, "five writes to a vanished far end took %lu ms", Since(start));
    FILETIME created, exited, kernel0, user0, kernel1, user1;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel0, &user0);
    PumpFor(300);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel1, &user1);
    auto ticks = [](const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    const uint64_t cpuMs = (ticks(kernel1) - ticks(kernel0) + ticks(user1) - ticks(user0)) / 10000;
    r.Check(cpuMs < 50, "the watch thread used %lu ms of CPU in 300 ms", static_cast<unsigned long>(cpuMs));
    start = Now();
    dll.SetPtClose(h, 0);
    r.Check(Since(start) < 1500, "closing the hung-up port took %lu ms", Since(start));
}

}  // namespace

int SerialMain(const char* dllPath) {
    if (!dll.Load(dllPath)) return 3;
    LineSettings();

    const DWORD handles = Handles();
    PtPortHandle* h = Open(0, 1);
    r.Check(h != nullptr, "open COM1");
    if (!h) return 1;
    DWORD start = Now();
    for (int code : {PT_UP, PT_ZOOM_TELE, PT_STOP}) dll.SetPtCmd(h, 0, code);
    const DWORD ms = Since(start);
    r.Check(ms >= 90 && ms < 3000, "three Pelco-D commands took %lu ms", ms);
    Wire(1, Frames({PT_UP, PT_ZOOM_TELE, PT_STOP}), "up, zoom, stop");
    Receive(1);
    Refused();

    // Clearing the mask wakes the watch thread: the close takes its 100 ms
    // pause, not the second after which the thread would be ended by force.
    // The port is free again afterwards.
    start = Now();
    dll.SetPtClose(h, 0);
    r.Check(Since(start) < 600, "closing COM1 took %lu ms", Since(start));
    h = Open(0, 1);
    r.Check(h != nullptr, "reopen COM1");
    if (h) {
        dll.SetPtCmd(h, 0, PT_DOWN);
        Wire(1, Frames({PT_DOWN}), "down after reopening");
    }
    // Two digits: the device-namespace name.
    PtPortHandle* h12 = Open(3, 12);
    r.Check(h12 != nullptr, "open COM12");
    if (h12) {
        dll.SetPtCmd(h12, 3, PT_UP);
        Wire(12, Frames({PT_UP}), "up on COM12");
        dll.SetPtClose(h12, 3);
    }
    if (h) CloseFromWindow(h, 100);
    r.Check(Handles() == handles, "handles: %lu before the opens, %lu after the closes", handles, Handles());

    HangUp();
    dll.SetPTUnInit();
    dll.Unload();
    return 0;
}

// The same port through rfc2217:// (COM5, mapped by the peer).
int NetMain(const char* dllPath) {
    if (!dll.Load(dllPath) || dll.SetPTInit() != 1) return 3;
    const std::initializer_list<int> codes = {PT_UP, PT_ZOOM_TELE, PT_STOP, PT_PRESET_GOTO, PT_LEFT, PT_STOP};
    const std::string expected = Frames(codes, 255);  // every Pelco-D frame then starts FF FF
    const DWORD handles = Handles();
    PtPortHandle* h = Open(0, 5, 19200, 'E', 1, 255);
    r.Check(h != nullptr, "open COM5 through rfc2217://");
    if (!h) return 1;
    for (int code : codes) dll.SetPtCmd(h, 0, code);
    Wire(5, expected, "commands through rfc2217://");
    Receive(5);
    const DWORD start = Now();
    dll.SetPtClose(h, 0);
    r.Check(Since(start) < 1000, "closing took %lu ms", Since(start));
    dll.SetPTUnInit();
    r.Check(Handles() == handles, "handles: %lu before the open, %lu after the close", handles, Handles());
    return 0;
}

}  // namespace host
