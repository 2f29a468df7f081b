// The application object, the manager's guards and the open/close paths.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "interface/CPtApp.h"
#include "interface/CPtManager.h"
#include "support/PtTestSupport.h"
#include "transport/CComPort.h"

namespace {

using namespace pttest;

// Every export that takes a handle and a channel, a row for each in its
// serial and capture forms (closes last).
struct HandleCall {
    const char* name;
    void (*call)(PtPortHandle* h, int ch, uint8_t* b, int* n);
};
#define CALL(expr) \
    {#expr, [](PtPortHandle* h, int ch, uint8_t* b, int* n) { (void)b, (void)n, expr; }}
const HandleCall kHandleCalls[] = {
    CALL(SetPtCmd(h, ch, PT_UP)), CALL(SetPtCmd_NET(h, ch, PT_UP, b, n)),
    CALL(SetPtCameraPower(h, ch, 1)), CALL(SetPtCameraPower_NET(h, ch, 1, b, n)),
    CALL(SetPtLampPower(h, ch, 1)), CALL(SetPtLampPower_NET(h, ch, 1, b, n)),
    CALL(SetPtAuxPower(h, ch, 1)), CALL(SetPtAuxPower_NET(h, ch, 1, b, n)),
    CALL(SetPtAutoPan(h, ch, 1)), CALL(SetPtAutoPan_NET(h, ch, 1, b, n)),
    CALL(SetPtAutoScan(h, ch, 1)), CALL(SetPtAutoScan_NET(h, ch, 1, b, n)),
    CALL(SetPtSpeedCtrl(h, ch, 0, 1)), CALL(SetPtSpeedCtrl_NET(h, ch, 0, 1, b, n)),
    CALL(SetPtClose(h, ch)), CALL(SetPtClose_NET(h, ch, b, n)),
};
#undef CALL

const char* const kUp = "FF 01 00 08 33 33 6F";

// A library set up for each test, and a capture buffer whose length starts
// unwritten.
struct Lifecycle : ::testing::Test {
    void SetUp() override { ASSERT_EQ(SetPTInit(), 1); }
    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = -1;
};

TEST_F(Lifecycle, NothingWorksWithoutManagerAndSecondInitKeepsChannels) {
    SetPTUnInit();
    char name[32];
    EXPECT_EQ(GetPtCount(), 0);
    EXPECT_EQ(GetPtName(6, name), 0);
    EXPECT_EQ(GetPtPresetUsed(6), 0);
    EXPECT_EQ(SetPtOpen_NET(6, 0, 1, buf, &len), nullptr);
    EXPECT_EQ(SetPtOpen(6, 0, 1, 1, 9600, 'N', 8, 1), nullptr);
    SetPtCmd_NET(nullptr, 0, PT_UP, buf, &len);  // no crash, nothing written
    EXPECT_EQ(len, -1);
    EXPECT_EQ(SetPTInit(), 1);
    EXPECT_EQ(GetPtCount(), 61);
    // A second init keeps the channels open.
    CaptureChannel ch(6, 1, 3);
    EXPECT_EQ(SetPTInit(), 1);
    EXPECT_EQ(ch.Run(Cmd(PT_UP)), kUp);
}

TEST_F(Lifecycle, GuardARefusesBeforeAnySerialOpen) {
    g_nLastOpenedPort = -1;  // as in a freshly loaded library
    EXPECT_EQ(SetPtOpen(6, 0, 1, 0, 9600, 'N', 8, 1), nullptr);  // COM 0
    EXPECT_EQ(g_nLastOpenedPort, -1);
    CaptureChannel ch(6, 1, 0);
    // A capture handle's port is never open, so guard A refuses the serial
    // form before and after a serial open elsewhere: the buffer of the last
    // capture call keeps what it had.
    for (int lastOpened : {-1, 3}) {
        g_nLastOpenedPort = lastOpened;
        SetPtCmd_NET(ch.handle(), 0, PT_DOWN, buf, &len);
        len = -1;
        SetPtCmd(ch.handle(), 0, PT_UP);
        SetPtCameraPower(ch.handle(), 0, 1);
        EXPECT_EQ(len, -1) << "after serial open on COM " << lastOpened;
        EXPECT_EQ(ToHex(buf, 7), "FF 01 00 10 33 33 77");
    }
    g_nLastOpenedPort = -1;
}

TEST_F(Lifecycle, SerialFormReachesCaptureBufferThroughGuardB) {
    PtPortHandle* h = SetPtOpen_NET(6, 4, 1, buf, &len);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(len, 0);  // attach sends nothing
    uint8_t other[32];
    int otherLen = -1;
    SetPtCmd_NET(h, 4, PT_UP, other, &otherLen);
    std::memset(other, 0, sizeof other);
    SetPtAutoScanNo(4, 1);
    SetPtAutoScan(h, 4, 1);  // serial form, object in capture mode: latest buffer
    EXPECT_EQ(otherLen, 7);
    EXPECT_EQ(ToHex(other, 7), "FF 01 00 13 00 01 15");
    SetPtClose_NET(h, 4, buf, &len);
}

// Opens out of range leave every channel as it was; null capture pointers
// drop the capture instead of crashing.
TEST_F(Lifecycle, BadChannelsHandlesAndIndexes) {
    const int bad[][2] = {{6, -1}, {6, 255}, {6, 100000}, {6, INT_MIN}, {-1, 0}, {61, 0}, {1000, 0}, {INT_MAX, 0}};
    for (const auto& b : bad) {  // index, channel
        EXPECT_EQ(SetPtOpen_NET(b[0], b[1], 1, buf, &len), nullptr) << b[0] << " on " << b[1];
        EXPECT_EQ(SetPtOpen(b[0], b[1], 1, 3, 9600, 'N', 8, 1), nullptr) << b[0] << " on " << b[1];
    }
    EXPECT_EQ(len, -1);
    EXPECT_EQ(theApp.Manager()->At(0), nullptr);
    CaptureChannel ch(6, 1, 5);
    SetPtCmd_NET(ch.handle(), 5, PT_UP, nullptr, nullptr);
    SetPtCmd_NET(ch.handle(), 5, PT_UP, buf, nullptr);
    SetPtCmd_NET(ch.handle(), 5, PT_UP, nullptr, &len);
    EXPECT_EQ(len, 7);
    EXPECT_NE(theApp.Manager()->At(5), nullptr);
}

// Reopening a channel replaces its object, a failed reopen leaves it, and
// closing the earlier handle releases that handle alone (the leak checkers
// see that it is freed). A close naming another handle's channel destroys
// that channel's object, leaving its owner without one; that handle's own
// close then releases it alone instead of destroying a third channel's.
TEST_F(Lifecycle, ClosesReleaseOnlyTheirOwnObjects) {
    PtPortHandle* first = SetPtOpen_NET(6, 9, 1, buf, &len);
    SetPtCmd_NET(first, 9, PT_LEFT, buf, &len);
    CaptureChannel second(42, 2, 9);
    EXPECT_EQ(second.Run(Cmd(PT_STOP)), "FF 02 00 00 00 00 02");
    EXPECT_EQ(SetPtOpen_NET(70, 9, 3, buf, &len), nullptr);  // unknown index
    SetPtClose_NET(first, 9, buf, &len);
    EXPECT_EQ(second.Run(Cmd(PT_UP)), "FF 02 00 08 33 33 70");
    second.Close();
    EXPECT_EQ(theApp.Manager()->At(9), nullptr);

    PtPortHandle* h11 = SetPtOpen_NET(6, 11, 1, buf, &len);
    PtPortHandle* h12 = SetPtOpen_NET(6, 12, 2, buf, &len);
    ASSERT_TRUE(h11 && h12);
    SetPtClose_NET(h12, 11, buf, &len);
    EXPECT_EQ(theApp.Manager()->At(11), nullptr);
    SetPtClose_NET(h11, 12, buf, &len);
    ASSERT_NE(theApp.Manager()->At(12), nullptr);
    // Channel 12's object has no handle left; a reopen and close clear it.
    SetPtClose_NET(SetPtOpen_NET(6, 12, 2, buf, &len), 12, buf, &len);
    EXPECT_EQ(theApp.Manager()->At(12), nullptr);
}

// Every call does nothing, and leaves the open channel as it was, given a
// null handle with an open channel, a live handle with an empty channel or
// one outside the table, or a dead handle with an empty channel. A dead
// handle (closed together with its channel) is freed memory: the empty
// channel is what tells, so no call may look at the handle first. The
// stand-in here faults on any read through its port.
TEST_F(Lifecycle, EveryCallRefusesNullHandlesAndChannelsOutOfRange) {
    g_nLastOpenedPort = 3;  // as after any serial open, so guard A gets past its first test
    CaptureChannel ch(6, 1, 21);
    ASSERT_TRUE(ch.ok());
    ASSERT_TRUE(!theApp.Manager()->At(20) && !theApp.Manager()->At(22));
    PtPortHandle dead{reinterpret_cast<CComPort*>(uintptr_t{8}), 6, 1};
    const std::pair<PtPortHandle*, int> cases[] = {{nullptr, 21},          {&dead, 20},           {ch.handle(), 22},
                                                   {ch.handle(), -2},      {ch.handle(), -1},     {ch.handle(), 255},
                                                   {ch.handle(), 300},     {ch.handle(), INT_MIN}, {ch.handle(), INT_MAX}};
    for (const HandleCall& c : kHandleCalls) {
        for (const auto& [h, channel] : cases) {
            len = -1;
            c.call(h, channel, buf, &len);
            EXPECT_EQ(len, -1) << c.name << " on channel " << channel;
        }
        for (int channel : {999, INT_MAX}) SetPtPresetNo(channel, 1);
        SetPtAutoScanNo_NET(-1, 1);
        ASSERT_NE(theApp.Manager()->At(21), nullptr) << c.name;
    }
    EXPECT_EQ(ch.Run(Cmd(PT_UP)), kUp);
}

}  // namespace
