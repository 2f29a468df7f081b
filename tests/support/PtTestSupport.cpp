#include "support/PtTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "interface/PtRegistry.h"
#include "platform/Platform.h"
#include "protocol/CPtProtocol.h"
#include "transport/CComPort.h"

namespace pttest {
namespace {

std::mutex g_logLock;
std::string g_log;

void Append(const std::string& event) {
    std::lock_guard<std::mutex> lock(g_logLock);
    if (!g_log.empty()) g_log += " | ";
    g_log += event;
}

void RecordSleep(unsigned ms) { Append("p" + std::to_string(ms)); }

class RecordingPort : public CComPort {
public:
    int Write(const uint8_t* data, int length) override {
        Append(ToHex(data, static_cast<size_t>(length)));
        return 0;
    }
};

constexpr int kUnwritten = -12345;
constexpr uint8_t kFill = 0xEE;

void Drive(CPtProtocol* p, PtPortHandle* h, const Op& op, uint8_t* buf, int* len, bool net) {
    switch (op.act) {
        case Act::Cmd: net ? p->SetCmdNet(h, op.a, buf, len) : p->SetCmd(h, op.a); break;
        case Act::Power: net ? p->SetCameraPowerNet(h, op.a, buf, len) : p->SetCameraPower(h, op.a); break;
        case Act::Lamp: net ? p->SetLampPowerNet(h, op.a, buf, len) : p->SetLampPower(h, op.a); break;
        case Act::Aux: net ? p->SetAuxPowerNet(h, op.a, buf, len) : p->SetAuxPower(h, op.a); break;
        case Act::AutoPan: net ? p->SetAutoPanNet(h, op.a, buf, len) : p->SetAutoPan(h, op.a); break;
        case Act::AutoScan: net ? p->SetAutoScanNet(h, op.a, buf, len) : p->SetAutoScan(h, op.a); break;
        case Act::Speed:
            net ? p->SetSpeedCtrlNet(h, op.a, op.b, buf, len) : p->SetSpeedCtrl(h, op.a, op.b);
            break;
        case Act::PresetNo: p->SetPresetNo(op.a); break;
        case Act::ScanNo: p->SetAutoScanNo(op.a); break;
        case Act::Attach: p->AttachPort(h); break;
        case Act::Detach: p->DetachPort(h); break;
    }
}

}  // namespace

std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < text.size();) {
        if (std::isxdigit(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
            out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
            i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

std::string ToHex(const uint8_t* p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
        s += b;
    }
    return s;
}

std::string ToHex(const std::vector<uint8_t>& v) { return ToHex(v.data(), v.size()); }

std::string CaptureText(int len, const uint8_t* buf) {
    if (len == kUnwritten) return "-";
    if (len < 0 || len > TREVALO_CAPTURE_MAX) return "bad length " + std::to_string(len);
    return ToHex(buf, static_cast<size_t>(len));
}

std::string Recorded() {
    std::lock_guard<std::mutex> lock(g_logLock);
    return g_log;
}

void ClearRecorded() {
    std::lock_guard<std::mutex> lock(g_logLock);
    g_log.clear();
}

void InstallRecordingSleeper() { platform::SetSleepHook(&RecordSleep); }

RealTime::RealTime() { platform::SetSleepHook(nullptr); }
RealTime::~RealTime() { InstallRecordingSleeper(); }

std::string TempDir() {
    char tmpl[] = "/tmp/trevalo-test-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? std::string(dir) : std::string("/tmp");
}

CaptureChannel::CaptureChannel(int index, int address, int channel) : m_channel(channel) {
    SetPTInit();
    uint8_t buf[TREVALO_CAPTURE_MAX];
    std::memset(buf, kFill, sizeof buf);
    int len = kUnwritten;
    m_h = SetPtOpen_NET(index, channel, address, buf, &len);
    m_open = CaptureText(len, buf);
}

CaptureChannel::~CaptureChannel() { Close(); }

void CaptureChannel::Close() {
    if (!m_h) return;
    uint8_t buf[TREVALO_CAPTURE_MAX];
    int len = kUnwritten;
    SetPtClose_NET(m_h, m_channel, buf, &len);
    m_h = nullptr;
}

std::string CaptureChannel::Run(const Op& op) {
    uint8_t buf[TREVALO_CAPTURE_MAX];
    std::memset(buf, kFill, sizeof buf);
    int len = kUnwritten;
    const int ch = m_channel;
    switch (op.act) {
        case Act::Cmd: SetPtCmd_NET(m_h, ch, op.a, buf, &len); break;
        case Act::Power: SetPtCameraPower_NET(m_h, ch, op.a, buf, &len); break;
        case Act::Lamp: SetPtLampPower_NET(m_h, ch, op.a, buf, &len); break;
        case Act::Aux: SetPtAuxPower_NET(m_h, ch, op.a, buf, &len); break;
        case Act::AutoPan: SetPtAutoPan_NET(m_h, ch, op.a, buf, &len); break;
        case Act::AutoScan: SetPtAutoScan_NET(m_h, ch, op.a, buf, &len); break;
        case Act::Speed: SetPtSpeedCtrl_NET(m_h, ch, op.a, op.b, buf, &len); break;
        case Act::PresetNo: SetPtPresetNo_NET(ch, op.a); break;
        case Act::ScanNo: SetPtAutoScanNo_NET(ch, op.a); break;
        case Act::Attach: return m_open;  // the attach ran at open
        case Act::Detach:
            if (m_h) SetPtClose_NET(m_h, ch, buf, &len);
            m_h = nullptr;
            break;
    }
    return CaptureText(len, buf);
}

std::string CaptureChannel::Run(const std::vector<Op>& setup, const Op& op) {
    for (const Op& s : setup) Run(s);
    return Run(op);
}

SerialRig::SerialRig(int index, int address, bool attach) {
    m_proto = ptregistry::Create(index);
    m_h = static_cast<PtPortHandle*>(std::malloc(sizeof(PtPortHandle)));
    m_h->port = new RecordingPort();
    m_h->protocolIndex = index;
    m_h->address = static_cast<signed char>(address & 0xFF);
    if (m_proto && attach) {
        ClearRecorded();
        m_proto->AttachPort(m_h);
    }
}

SerialRig::~SerialRig() {
    delete m_proto;
    delete static_cast<RecordingPort*>(m_h->port);
    std::free(m_h);
}

std::string SerialRig::Run(const Op& op) {
    ClearRecorded();
    Drive(m_proto, m_h, op, nullptr, nullptr, false);
    return Recorded();
}

std::string SerialRig::Run(const std::vector<Op>& setup, const Op& op) {
    for (const Op& s : setup) Drive(m_proto, m_h, s, nullptr, nullptr, false);
    return Run(op);
}

void CheckVectors(const std::vector<Vector>& rows) {
    for (const Vector& v : rows) {
        SCOPED_TRACE(v.name);
        {
            CaptureChannel ch(v.index, v.address);
            ASSERT_TRUE(ch.ok()) << "index " << v.index << " does not open";
            const std::string want = v.expect[0] == '-' ? "-" : ToHex(Hex(v.expect));
            EXPECT_EQ(ch.Run(v.setup, v.op), want);
        }
        if (v.serial[0]) {
            SerialRig rig(v.index, v.address);
            EXPECT_EQ(rig.Run(v.setup, v.op), v.serial);
        }
    }
}

}  // namespace pttest
