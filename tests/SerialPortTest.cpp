// The serial transport on pseudo-terminals: the far end of each port is a
// pty master held by the test, the library opens the slave as COM<n>.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include "interface/CPtApp.h"
#include "interface/CPtManager.h"
#include "platform/posix/SerialPosix.h"
#include "support/PtTestSupport.h"
#include "support/PtyRig.h"
#include "support/Termios2.h"
#include "trevalo_host.h"
#include "transport/CComPort.h"

namespace {

using namespace pttest;

struct SerialPort : Leakless {};

// A pty forces CS8 and clears PARENB whatever is set, so those two are
// checked on the termios the port computes; the rest is read back from the
// tty. The rows run in turn on one line: each open sets it afresh, whatever
// the one before left, even where a pty only takes the settings in part.
TEST_F(SerialPort, LineSettingsReachTheTty) {
    struct Row {
        int baud, parity, bits, stop;  // as SetPtOpen takes them
        unsigned rate;
        int parityCode;
        tcflag_t cflags;  // size, parity and stop bits
    };
    const Row rows[] = {
        {115200, 'e', 8, 1, 9600, 2, CS8 | PARENB},
        {56000, 'E', 7, 2, 56000, 2, CS7 | PARENB | CSTOPB},
        {57600, 'O', 8, 3, 57600, 1, CS8 | PARENB | PARODD},
        {14400, 'M', 6, 1, 14400, 3, CS6 | PARENB | PARODD | CMSPAR},
        {256000, 'S', 5, 2, 256000, 4, CS5 | PARENB | CMSPAR | CSTOPB},
        {2400, 'X', 8, 1, 2400, 0, CS8},
        {56000, 'N', 8, 1, 56000, 0, CS8},
        {9600, 'E', 8, 1, 9600, 2, CS8 | PARENB},
        {128000, 'O', 7, 2, 128000, 1, CS7 | PARENB | PARODD | CSTOPB},
        {4800, 'E', 8, 1, 4800, 2, CS8 | PARENB},
        {9600, 'M', 7, 1, 9600, 3, CS7 | PARENB | PARODD | CMSPAR},
        {256000, 'S', 8, 1, 256000, 4, CS8 | PARENB | CMSPAR},
        {2400, 'E', 7, 1, 2400, 2, CS7 | PARENB},
    };
    const tcflag_t kKept = PARODD | CMSPAR | CSTOPB;
    Pty pty(42);
    ASSERT_TRUE(pty.ok());
    // qemu-user passes TCGETS2/TCSETS2 to no kernel: the rates without a
    // B constant cannot be set or read back there.
    if (const int err = Termios2Errno(pty.master()))
        GTEST_SKIP() << "TCGETS2 fails here (" << std::strerror(err)
                     << "): the termios2 ioctls are not translated (qemu-user)";
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.baud) + static_cast<char>(r.parity) + std::to_string(r.bits));
        PtPortHandle* h = OpenPelcoD(0, 42, 1, r.baud, r.parity, r.bits, r.stop);
        ASSERT_NE(h, nullptr);
        termios t;
        ASSERT_EQ(tcgetattr(pty.master(), &t), 0);  // a pty master reports its slave
        EXPECT_EQ(t.c_cflag & kKept, r.cflags & kKept);
        EXPECT_EQ(platform::posix::OutputRate(pty.master()), r.rate);
        EXPECT_EQ(platform::posix::InputRate(pty.master()), r.rate);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | IXON | INPCK), 0u);
        SetPtClose(h, 0);

        const platform::SerialLine line{CComPort::LineRate(static_cast<uint32_t>(r.baud)), r.bits, r.parityCode,
                                        r.stop == 2 ? 2 : 0};
        ASSERT_TRUE(platform::posix::TermiosFor(line, t));
        EXPECT_EQ(t.c_cflag & (kKept | CSIZE | PARENB), r.cflags);
    }
    // Hardware and software flow control, for a host that asks for them.
    platform::SerialLine flow;
    flow.ctsOutFlow = flow.rtsHandshake = flow.xonXoff = true;
    termios t{};
    ASSERT_TRUE(platform::posix::TermiosFor(flow, t));
    EXPECT_TRUE((t.c_cflag & CRTSCTS) && (t.c_iflag & IXON) && (t.c_iflag & IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
}

// Each failed open says why, for the channel, through the host call and the
// debug output alike; a good open clears it. A port is the first channel's
// alone; TREVALO_COM<n> wins over the port map file, which is read only
// where no variable names the port.
TEST_F(SerialPort, FailedOpenSaysWhy) {
    Pty pty(47), free(50);
    ASSERT_TRUE(pty.ok() && free.ok());
    const std::string map = TempDir() + "/ports";
    std::ofstream(map) << "# test ports\nCOM1=/dev/null\n com44 = " << free.slave() << "  # the pty\n";
    struct Row {
        const char* what;
        int com;
        const char *var, *portmap;  // TREVALO_COM<com> and TREVALO_PORTMAP, null: unset
        int bits;
        std::string why;
    };
    const std::string slave = pty.slave(), settings = free.slave() + ": line settings out of range",
                      noTty = "/dev/ttyS48: No such file or directory";
    const Row rows[] = {
        {"held", 47, nullptr, nullptr, 8, slave + ": Device or resource busy"},
        {"missing", 49, "/nonexistent/tty", nullptr, 8, "/nonexistent/tty: No such file or directory"},
        {"not a tty", 49, "/dev/null", nullptr, 8, "/dev/null: not a tty"},
        {"map not found", 49, nullptr, "/nonexistent/ports", 8,
         "COM49: no TREVALO_COM49, and TREVALO_PORTMAP file /nonexistent/ports not found; " + noTty},
        {"not in map", 49, nullptr, map.c_str(), 8,
         "COM49: no TREVALO_COM49, and no COM49 line in TREVALO_PORTMAP file " + map + "; " + noTty},
        {"no map", 49, nullptr, nullptr, 8, "COM49: no TREVALO_COM49 and no TREVALO_PORTMAP; " + noTty},
        {"9 bits", 49, free.slave().c_str(), nullptr, 9, settings},
        {"4 bits", 49, free.slave().c_str(), nullptr, 4, settings},
        {"no port 0", 0, nullptr, nullptr, 8, "COM0: no such port"},
        {"opens", 49, free.slave().c_str(), nullptr, 8, ""},
        {"in the map", 44, nullptr, map.c_str(), 8, ""},
        {"variable over map", 44, "/nonexistent/tty", map.c_str(), 8, "/nonexistent/tty: No such file or directory"},
    };
    PtPortHandle* holder = OpenPelcoD(0, 47);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(g_nLastOpenedPort, 47);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        DebugLog log;
        const std::string var = "TREVALO_COM" + std::to_string(r.com);
        if (r.var) setenv(var.c_str(), r.var, 1);
        if (r.portmap) setenv("TREVALO_PORTMAP", r.portmap, 1);
        PtPortHandle* h = OpenPelcoD(1, r.com, 1, 9600, 'N', r.bits);
        if (r.var) unsetenv(var.c_str());
        unsetenv("TREVALO_PORTMAP");
        EXPECT_EQ(h != nullptr, r.why.empty());
        char text[300] = "x";
        EXPECT_EQ(TrevaloLastOpenError(1, text, sizeof text), static_cast<int>(r.why.size()));
        EXPECT_EQ(text, r.why);
        EXPECT_EQ(log.Count(r.why + "\n"), r.com && !r.why.empty() ? 1u : 0u);
        if (h) SetPtClose(h, 1);
    }
    EXPECT_NE(theApp.Manager()->At(1), nullptr) << "a failed open keeps its protocol object";
    // A missing device fails after 9 attempts, 100 ms after each; the
    // message is cut to the buffer, its full length returned.
    setenv("TREVALO_COM49", "/nonexistent/tty", 1);
    RealTime rt;
    const uint64_t us = UsTaken([] { EXPECT_EQ(OpenPelcoD(1, 49), nullptr); });
    unsetenv("TREVALO_COM49");
    EXPECT_GE(us, 900000u);
    EXPECT_LT(us, 5000000u);
    char small[8];
    EXPECT_EQ(TrevaloLastOpenError(1, small, sizeof small), 43);
    EXPECT_EQ(std::string(small), "/nonexi");
    for (int channel : {0, 255}) EXPECT_EQ(TrevaloLastOpenError(channel, small, sizeof small), 0) << channel;
    SetPtClose(holder, 0);
    CaptureChannel(6, 1, 1);  // a capture open and close drops what the failed open left

    // A closed port object does nothing, harmlessly, however it is called.
    CComPort idle;
    uint8_t buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(idle.Write(buf, 4), 0);
    EXPECT_EQ(idle.Read(buf, 4), 0);
    EXPECT_EQ(idle.SetFlowControl(1, 1, 1, 0), 0);
    idle.Close();
}

// With nobody listening the bytes are read and dropped, and the idle watch
// thread costs no CPU. The receiver runs on the watch thread, and may close
// the very port.
TEST_F(SerialPort, IdleCostsNothingAndReceiverMayCloseItsPort) {
    Pty pty(46);
    PtPortHandle* h = OpenPelcoD(0, 46);
    ASSERT_TRUE(pty.ok() && h);
    ASSERT_EQ(write(pty.master(), "0123456789abcdefghijklmno", 25), 25);
    const double cpu0 = CpuMs();
    usleep(300000);
    EXPECT_LT(CpuMs() - cpu0, 50.0);

    struct Closing { PtPortHandle* h; std::atomic<bool> done{false}; } closing{h};
    auto receive = [](void* self, unsigned long, const unsigned char*, unsigned) {
        Closing& c = *static_cast<Closing*>(self);
        if (c.h) SetPtClose(std::exchange(c.h, nullptr), 0), c.done = true;
    };
    TrevaloRegisterHostWindow("DVR", receive, &closing);
    ASSERT_EQ(write(pty.master(), "abc", 3), 3);
    for (int i = 0; i < 500 && !closing.done; ++i) usleep(10000);
    usleep(50000);  // the thread returns from the receiver and ends
    TrevaloUnregisterHostWindow("DVR");
    ASSERT_TRUE(closing.done);
    EXPECT_EQ(theApp.Manager()->At(0), nullptr);
}

}  // namespace
