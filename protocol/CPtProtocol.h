// Base of every camera protocol: 24 virtual operations in a fixed order,
// the shared speed block, and the capture contract.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/PtPortHandle.h"
#include "protocol/PtCommand.h"

class CPtProtocol {
public:
    CPtProtocol() = default;
    CPtProtocol(const CPtProtocol&) = delete;
    CPtProtocol& operator=(const CPtProtocol&) = delete;

    // Slots 0 to 14: the serial operations.
    virtual ~CPtProtocol();
    virtual void ShowMessage(const char* text);
    virtual void LoadSpeed(int channel, int index, int address);
    virtual void SaveSpeed(int channel, int index, int address);
    virtual void AttachPort(PtPortHandle* h);
    virtual void DetachPort(PtPortHandle* h);
    virtual void SetPresetNo(int preset);
    virtual void SetCmd(PtPortHandle* h, int code);
    virtual void SetCameraPower(PtPortHandle* h, int on);
    virtual void SetLampPower(PtPortHandle* h, int on);
    virtual void SetAuxPower(PtPortHandle* h, int on);
    virtual void SetAutoPan(PtPortHandle* h, int on);
    virtual void SetAutoScanNo(int scan);
    virtual void SetAutoScan(PtPortHandle* h, int value);
    virtual void SetSpeedCtrl(PtPortHandle* h, int axis, int increase);

    // Slots 15 to 23: the capture forms, the same for every protocol.
    virtual void AttachPortNet(PtPortHandle* h, uint8_t* buf, int* len);
    virtual void DetachPortNet(PtPortHandle* h, uint8_t* buf, int* len);
    virtual void SetCmdNet(PtPortHandle* h, int code, uint8_t* buf, int* len);
    virtual void SetCameraPowerNet(PtPortHandle* h, int on, uint8_t* buf, int* len);
    virtual void SetLampPowerNet(PtPortHandle* h, int on, uint8_t* buf, int* len);
    virtual void SetAuxPowerNet(PtPortHandle* h, int on, uint8_t* buf, int* len);
    virtual void SetAutoScanNet(PtPortHandle* h, int value, uint8_t* buf, int* len);
    virtual void SetAutoPanNet(PtPortHandle* h, int on, uint8_t* buf, int* len);
    virtual void SetSpeedCtrlNet(PtPortHandle* h, int axis, int increase, uint8_t* buf, int* len);

    const uint8_t* Speeds() const { return m_bySpeed; }

protected:
    // Hands the packets of one operation over, so that no protocol repeats
    // how: serial mode writes each piece to the handle's port and honours
    // pauses; capture mode appends the pieces to the caller's buffer from
    // offset 0 and stores the running total. One Out per operation.
    //
    // Inline: a capture is a few byte copies, and a call per piece (or into
    // the C library's memcpy for seven bytes) would cost more than the copy.
    class Out {
    public:
        Out(CPtProtocol& p, PtPortHandle* h) : m_p(p), m_h(h) {}
        Out& Put(const uint8_t* data, size_t n) {
            if (m_p.m_bCapture) {
                // A null buffer or length pointer from the host drops that
                // half of the capture rather than crashing it.
                if (uint8_t* dst = m_p.m_pCapBuf)
                    for (size_t i = 0; i < n; ++i) dst[m_nCaptured + i] = data[i];
                m_nCaptured += static_cast<int>(n);
                if (m_p.m_pCapLen) *m_p.m_pCapLen = m_nCaptured;
            } else {
                Write(data, n);
            }
            return *this;
        }
        template <size_t N> Out& Put(const uint8_t (&data)[N]) { return Put(data, N); }
        // Written on the line only; capture keeps a single copy.
        Out& Repeat(const uint8_t* data, size_t n) {
            if (!m_p.m_bCapture) Write(data, n);
            return *this;
        }
        template <size_t N> Out& Repeat(const uint8_t (&data)[N]) { return Repeat(data, N); }
        Out& Pause(unsigned ms) {  // serial mode only
            if (!m_p.m_bCapture) Sleep(ms);
            return *this;
        }
        Out& PauseAlways(unsigned ms) {  // a device quirk that also paces capture
            Sleep(ms);
            return *this;
        }

    private:
        void Write(const uint8_t* data, size_t n);
        static void Sleep(unsigned ms);

        CPtProtocol& m_p;
        PtPortHandle* m_h;
        int m_nCaptured = 0;
    };

    // The whole body of an operation that produces no packet.
    void NoPacket();
    // Formats "[tag][%s]" and shows it; the derived ShowMessage passes its tag.
    void ShowTagged(const char* tag, const char* text) const;

    uint8_t m_bySpeed[4] = {0, 0, 0, 0};
    int32_t m_bCapture = 0;
    uint8_t* m_pCapBuf = nullptr;
    int* m_pCapLen = nullptr;

private:
    void Remember(uint8_t* buf, int* len) {
        m_pCapBuf = buf;
        m_pCapLen = len;
    }
};

// Steps a speed one unit up or down within [lo, hi].
inline int StepSpeed(int value, int increase, int lo, int hi) {
    int v = increase ? value + 1 : value - 1;
    return v < lo ? lo : (v > hi ? hi : v);
}

// A protocol's ShowMessage, with its class tag.
#define PT_SHOW_MESSAGE(tag) \
    void ShowMessage(const char* text) override { ShowTagged(tag, text); }
