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

// Every export that takes a handle and a channel, both forms (closes last).
struct HandleCall {
    const char* name;
    void (*call)(PtPortHandle* h, int ch, uint8_t* b, int* n);
};
#define CALL(name, expr) \
    {name, [](PtPortHandle* h, int ch, uint8_t* b, int* n) { (void)b, (void)n, expr; }}
const HandleCall kHandleCalls[] = {
    CALL("SetPtCmd", SetPtCmd(h, ch, PT_UP)),
    CALL("SetPtCameraPower", SetPtCameraPower(h, ch, 1)),
    CALL("SetPtLampPower", SetPtLampPower(h, ch, 1)),
    CALL("SetPtAuxPower", SetPtAuxPower(h, ch, 1)),
    CALL("SetPtAutoPan", SetPtAutoPan(h, ch, 1)),
    CALL("SetPtAutoScan", SetPtAutoScan(h, ch, 1)),
    CALL("SetPtSpeedCtrl", SetPtSpeedCtrl(h, ch, 0, 1)),
    CALL("SetPtCmd_NET", SetPtCmd_NET(h, ch, PT_UP, b, n)),
    CALL("SetPtCameraPower_NET", SetPtCameraPower_NET(h, ch, 1, b, n)),
    CALL("SetPtLampPower_NET", SetPtLampPower_NET(h, ch, 1, b, n)),
    CALL("SetPtAuxPower_NET", SetPtAuxPower_NET(h, ch, 1, b, n)),
    CALL("SetPtAutoPan_NET", SetPtAutoPan_NET(h, ch, 1, b, n)),
    CALL("SetPtAutoScan_NET", SetPtAutoScan_NET(h, ch, 1, b, n)),
    CALL("SetPtSpeedCtrl_NET", SetPtSpeedCtrl_NET(h, ch, 0, 1, b, n)),
    CALL("SetPtClose", SetPtClose(h, ch)),
    CALL("SetPtClose_NET", SetPtClose_NET(h, ch, b, n)),
};
#undef CALL

TEST(Lifecycle, NothingWorksWithoutManager) {
    SetPTUnInit();
    uint8_t buf[16];
    int len = -7;
    char name[32];
    EXPECT_EQ(GetPtCount(), 0);
    EXPECT_EQ(GetPtName(6, name), 0);
    EXPECT_EQ(GetPtPresetUsed(6), 0);
    EXPECT_EQ(SetPtOpen_NET(6, 0, 1, buf, &len), nullptr);
    EXPECT_EQ(SetPtOpen(6, 0, 1, 1, 9600, 'N', 8, 1), nullptr);
    EXPECT_EQ(len, -7);
    SetPtCmd_NET(nullptr, 0, PT_UP, buf, &len);  // no crash, nothing written
    EXPECT_EQ(len, -7);
    EXPECT_EQ(SetPTInit(), 1);
    EXPECT_EQ(GetPtCount(), 61);
}

TEST(Lifecycle, SecondInitKeepsOpenChannels) {
    ASSERT_EQ(SetPTInit(), 1);
    CaptureChannel ch(6, 1, 3);
    ASSERT_TRUE(ch.ok());
    EXPECT_EQ(SetPTInit(), 1);
    EXPECT_EQ(ch.Run(Cmd(PT_UP)), ToHex(Hex("FF 01 00 08 33 33 6F")));
}

TEST(Lifecycle, GuardARefusesBeforeAnySerialOpen) {
    ASSERT_EQ(SetPTInit(), 1);
    g_nLastOpenedPort = -1;  // as in a freshly loaded library
    EXPECT_EQ(SetPtOpen(6, 0, 1, 0, 9600, 'N', 8, 1), nullptr);  // COM 0
    EXPECT_EQ(g_nLastOpenedPort, -1);
    CaptureChannel ch(6, 1, 0);
    // A capture handle's port is never open, so guard A refuses the serial
    // form before and after a serial open elsewhere: the buffer of the last
    // capture call keeps what it had.
    for (int lastOpened : {-1, 3}) {
        g_nLastOpenedPort = lastOpened;
        uint8_t buf[16];
        int len = -1;
        SetPtCmd_NET(ch.handle(), 0, PT_DOWN, buf, &len);
        EXPECT_EQ(ToHex(buf, 7), ToHex(Hex("FF 01 00 10 33 33 77")));
        len = -1;
        SetPtCmd(ch.handle(), 0, PT_UP);
        SetPtCameraPower(ch.handle(), 0, 1);
        EXPECT_EQ(len, -1) << "after serial open on COM " << lastOpened;
        EXPECT_EQ(ToHex(buf, 7), ToHex(Hex("FF 01 00 10 33 33 77")));
    }
    g_nLastOpenedPort = -1;
}

TEST(Lifecycle, SerialFormReachesCaptureBufferThroughGuardB) {
    ASSERT_EQ(SetPTInit(), 1);
    uint8_t buf[32];
    int len = -1;
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
    EXPECT_EQ(ToHex(other, 7), ToHex(Hex("FF 01 00 13 00 01 15")));
    SetPtClose_NET(h, 4, buf, &len);
}

TEST(Lifecycle, BadChannelsHandlesAndIndexes) {
    ASSERT_EQ(SetPTInit(), 1);
    uint8_t buf[32];
    int len = -1;
    for (int channel : {-1, 255, 100000})
        EXPECT_EQ(SetPtOpen_NET(6, channel, 1, buf, &len), nullptr) << channel;
    for (int index : {-1, 61, 1000}) EXPECT_EQ(SetPtOpen_NET(index, 0, 1, buf, &len), nullptr) << index;
    EXPECT_EQ(SetPtOpen(61, 0, 1, 1, 9600, 'N', 8, 1), nullptr);
    EXPECT_EQ(theApp.Manager()->At(0), nullptr);

    CaptureChannel ch(6, 1, 5);
    len = -1;
    SetPtCmd_NET(nullptr, 5, PT_UP, buf, &len);
    SetPtCmd_NET(ch.handle(), 300, PT_UP, buf, &len);
    SetPtCmd_NET(ch.handle(), -2, PT_UP, buf, &len);
    SetPtClose(nullptr, 5);
    SetPtClose_NET(nullptr, 5, buf, &len);
    SetPtPresetNo(999, 1);
    EXPECT_EQ(len, -1);
    // Null capture pointers drop the capture instead of crashing.
    SetPtCmd_NET(ch.handle(), 5, PT_UP, nullptr, nullptr);
    SetPtCmd_NET(ch.handle(), 5, PT_UP, buf, nullptr);
    SetPtCmd_NET(ch.handle(), 5, PT_UP, nullptr, &len);
    EXPECT_EQ(len, 7);
    EXPECT_NE(theApp.Manager()->At(5), nullptr);
}

TEST(Lifecycle, CloseOfEmptyChannelLeavesHandleValid) {
    ASSERT_EQ(SetPTInit(), 1);
    CaptureChannel ch(6, 1, 6);
    SetPtClose_NET(ch.handle(), 7, nullptr, nullptr);  // channel 7 is empty
    SetPtClose(ch.handle(), 8);
    EXPECT_EQ(ch.Run(Cmd(PT_UP)), ToHex(Hex("FF 01 00 08 33 33 6F")));
}

TEST(Lifecycle, ReopeningAChannelReplacesItsObject) {
    ASSERT_EQ(SetPTInit(), 1);
    uint8_t buf[32];
    int len = -1;
    PtPortHandle* first = SetPtOpen_NET(6, 9, 1, buf, &len);
    SetPtCmd_NET(first, 9, PT_LEFT, buf, &len);
    PtPortHandle* second = SetPtOpen_NET(42, 9, 2, buf, &len);
    ASSERT_NE(second, nullptr);
    SetPtCmd_NET(second, 9, PT_STOP, buf, &len);
    EXPECT_EQ(ToHex(buf, static_cast<size_t>(len)), ToHex(Hex("FF 02 00 00 00 00 02")));
    // A failed reopen (unknown index) leaves the working object in place.
    EXPECT_EQ(SetPtOpen_NET(70, 9, 3, buf, &len), nullptr);
    // Closing the earlier handle releases it alone (the leak checkers see
    // that it is freed); the channel stays with the later one.
    SetPtClose_NET(first, 9, buf, &len);
    ASSERT_NE(theApp.Manager()->At(9), nullptr);
    len = -1;
    SetPtCmd_NET(second, 9, PT_UP, buf, &len);
    EXPECT_EQ(len, 7);
    SetPtClose_NET(second, 9, buf, &len);
    EXPECT_EQ(theApp.Manager()->At(9), nullptr);
}

// A close naming another handle's channel destroys that channel's object,
// leaving its owner without one; that handle's own close then releases it
// alone instead of destroying a third channel's object.
TEST(Lifecycle, HandleLeftWithoutObjectIsReleasedByItsClose) {
    ASSERT_EQ(SetPTInit(), 1);
    uint8_t buf[32];
    int len = -1;
    PtPortHandle* h11 = SetPtOpen_NET(6, 11, 1, buf, &len);
    PtPortHandle* h12 = SetPtOpen_NET(6, 12, 2, buf, &len);
    ASSERT_TRUE(h11 && h12);
    SetPtClose_NET(h12, 11, buf, &len);
    EXPECT_EQ(theApp.Manager()->At(11), nullptr);
    SetPtClose_NET(h11, 12, buf, &len);
    ASSERT_NE(theApp.Manager()->At(12), nullptr);
    // Channel 12's object has no handle left; a reopen and close clear it.
    PtPortHandle* again = SetPtOpen_NET(6, 12, 2, buf, &len);
    SetPtClose_NET(again, 12, buf, &len);
    EXPECT_EQ(theApp.Manager()->At(12), nullptr);
}

// A handle closed together with its channel is dead memory; the empty
// channel is what tells, so no call may look at the handle first. The stand-in
// here faults on any read through its port.
TEST(Lifecycle, DeadHandleOnEmptyChannelIsNeverTouched) {
    ASSERT_EQ(SetPTInit(), 1);
    g_nLastOpenedPort = 3;  // as after any serial open, so guard A gets past its first test
    PtPortHandle dead{reinterpret_cast<CComPort*>(uintptr_t{8}), 6, 1};
    PtPortHandle* h = &dead;
    uint8_t buf[32];
    int len = -1;
    const int ch = 20;
    ASSERT_EQ(theApp.Manager()->At(ch), nullptr);
    for (const HandleCall& c : kHandleCalls) c.call(h, ch, buf, &len);
    EXPECT_EQ(len, -1);
}

// A null handle with an open channel, or a live handle with a channel
// outside the table: every call does nothing and the channel is untouched.
TEST(Lifecycle, EveryCallRefusesNullHandlesAndChannelsOutOfRange) {
    ASSERT_EQ(SetPTInit(), 1);
    g_nLastOpenedPort = 3;
    CaptureChannel ch(6, 1, 21);
    ASSERT_TRUE(ch.ok());
    EXPECT_EQ(SetPtOpen(6, 255, 1, 3, 9600, 'N', 8, 1), nullptr);  // refused before any port
    EXPECT_EQ(SetPtOpen_NET(6, INT_MIN, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(SetPtOpen_NET(INT_MAX, 0, 1, nullptr, nullptr), nullptr);
    for (const HandleCall& c : kHandleCalls) {
        for (int channel : {21, -2, -1, 255, 300, INT_MIN, INT_MAX}) {
            PtPortHandle* h = channel == 21 ? nullptr : ch.handle();
            uint8_t buf[TREVALO_CAPTURE_MAX];
            int len = -1;
            c.call(h, channel, buf, &len);
            EXPECT_EQ(len, -1) << c.name << " on channel " << channel;
        }
        SetPtPresetNo(INT_MAX, 1);
        SetPtAutoScanNo_NET(-1, 1);
        ASSERT_NE(theApp.Manager()->At(21), nullptr) << c.name;
    }
    EXPECT_EQ(ch.Run(Cmd(PT_UP)), ToHex(Hex("FF 01 00 08 33 33 6F")));
}

}  // namespace
