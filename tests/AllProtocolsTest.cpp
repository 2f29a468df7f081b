// Every protocol index, driven through all 24 operations with ordinary and
// hostile arguments in capture mode: nothing crashes, and no capture is
// longer than the class's longest packet or spills past its own length.
#include <gtest/gtest.h>

#include <cstring>

#include "interface/CPtManager.h"
#include "support/PtTestSupport.h"

namespace {

// Longest capture of each class (several packets captured together count
// as one capture: Dyna diagonals 12, DY-255RXC stop 64, PanasonicV12 lens
// sequence 36, ORX-1000 power 24, SK-D106_R stop 32, ...).
const int kLongest[61] = {
    12, 64, 4,  7,  3,  18, 7, 7,  6,  6,  6,  10, 11, 6, 9,  24, 11, 13, 11, 9,  16,
    5,  5,  11, 36, 10, 12, 5, 11, 7,  10, 11, 8,  6,  7, 12, 7,  6,  2,  12, 12, 9,
    7,  16, 32, 6,  8,  6,  6, 6,  7,  6,  16, 8,  16, 18, 9, 7,  16, 11, 7};

constexpr uint8_t kCanary = 0xEE;
constexpr int kUnwritten = -777;

class Sweep {
public:
    Sweep(int index, PtPortHandle* h, int channel) : m_index(index), m_h(h), m_ch(channel) {}

    template <typename Call>
    void Check(const char* what, int arg, Call call) {
        std::memset(m_buf, kCanary, sizeof m_buf);
        int len = kUnwritten;
        call(m_buf, &len);
        if (len == kUnwritten) return;
        ASSERT_GE(len, 0) << what << " " << arg;
        ASSERT_LE(len, kLongest[m_index]) << what << " " << arg;
        for (size_t i = static_cast<size_t>(len); i < sizeof m_buf; ++i)
            ASSERT_EQ(m_buf[i], kCanary) << what << " " << arg << " wrote past its length at " << i;
    }

    void All() {
        PtPortHandle* h = m_h;
        const int ch = m_ch;
        for (int preset : {1, 255, 256, -1}) {
            SetPtPresetNo_NET(ch, preset);
            SetPtAutoScanNo_NET(ch, preset);
            for (int code = -1; code <= 25; ++code)
                Check("code", code, [&](uint8_t* b, int* l) { SetPtCmd_NET(h, ch, code, b, l); });
        }
        for (int on : {0, 1, 2, -1}) {
            Check("power", on, [&](uint8_t* b, int* l) { SetPtCameraPower_NET(h, ch, on, b, l); });
            Check("lamp", on, [&](uint8_t* b, int* l) { SetPtLampPower_NET(h, ch, on, b, l); });
            Check("aux", on, [&](uint8_t* b, int* l) { SetPtAuxPower_NET(h, ch, on, b, l); });
            Check("autopan", on, [&](uint8_t* b, int* l) { SetPtAutoPan_NET(h, ch, on, b, l); });
        }
        for (int value = -1; value <= 6; ++value)
            Check("autoscan", value, [&](uint8_t* b, int* l) { SetPtAutoScan_NET(h, ch, value, b, l); });
        // Each capture speed step rewrites the speed file: a few suffice.
        for (int axis = -1; axis <= 4; ++axis)
            for (int step = 0; step < 4; ++step)
                Check("speed", axis, [&](uint8_t* b, int* l) {
                    SetPtSpeedCtrl_NET(h, ch, axis, step < 2, b, l);
                });
        // The serial form on a capture handle: guard A refuses (its port is
        // not open), so the last capture pair is left alone.
        int lastLen = kUnwritten;
        SetPtCmd_NET(h, ch, PT_UP, m_buf, &lastLen);
        std::memset(m_buf, kCanary, sizeof m_buf);
        lastLen = kUnwritten;
        SetPtCmd(h, ch, PT_UP);
        SetPtCmd(h, ch, PT_STOP);
        ASSERT_EQ(lastLen, kUnwritten) << "SetPtCmd wrote into the capture buffer";
        ASSERT_EQ(m_buf[0], kCanary);
    }

private:
    int m_index;
    PtPortHandle* m_h;
    int m_ch;
    uint8_t m_buf[512];
};

TEST(AllProtocols, EveryOperationStaysWithinItsLongestPacket) {
    ASSERT_EQ(SetPTInit(), 1);
    // As after a serial open, so guard A must look at the port itself.
    struct LastOpened {
        LastOpened() { g_nLastOpenedPort = 3; }
        ~LastOpened() { g_nLastOpenedPort = -1; }
    } lastOpened;
    for (int index = 0; index < 61; ++index) {
        for (int address : {0, 1, 128, 255}) {
            SCOPED_TRACE("index " + std::to_string(index) + " address " + std::to_string(address));
            uint8_t buf[512];
            std::memset(buf, kCanary, sizeof buf);
            int len = kUnwritten;
            PtPortHandle* h = SetPtOpen_NET(index, 20, address, buf, &len);
            ASSERT_NE(h, nullptr);
            ASSERT_TRUE(len == kUnwritten || (len >= 0 && len <= kLongest[index]));
            Sweep(index, h, 20).All();
            len = kUnwritten;
            SetPtClose_NET(h, 20, buf, &len);
            EXPECT_EQ(len, kUnwritten) << "a capture close hands nothing over";
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
