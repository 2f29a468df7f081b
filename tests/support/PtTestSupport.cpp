#include "support/PtTestSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iterator>
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
        case Act::Sweep: break;
    }
}

const char* ActName(Act act) {
    switch (act) {
        case Act::Cmd: return "cmd";
        case Act::Power: return "power";
        case Act::Lamp: return "lamp";
        case Act::Aux: return "aux";
        case Act::AutoPan: return "autopan";
        case Act::AutoScan: return "autoscan";
        case Act::Speed: return "speed";
        case Act::PresetNo: return "preset";
        case Act::ScanNo: return "scan";
        case Act::Attach: return "attach";
        case Act::Detach: return "detach";
        case Act::Sweep: return "sweep";
    }
    return "?";
}

std::string OpText(const Op& op) {
    return std::string(ActName(op.act)) + ":" + std::to_string(op.a) + ":" + std::to_string(op.b);
}

std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
}

// One "file" line per file in dir, so a replay starts from the same files.
void DumpFiles(FILE* out, const char* tag, const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        FILE* f = std::fopen((dir + "/" + e->d_name).c_str(), "rb");
        if (!f) continue;
        std::vector<uint8_t> bytes;
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
        std::fprintf(out, "file\t%s\t%s\t%s\n", tag, e->d_name, ToHex(bytes).c_str());
    }
    closedir(d);
}

// With TREVALO_VECTOR_FILE set, every row checked is appended to that file
// with the library's files as they stood just before it: the Windows host
// replays the capture half against the real DLL from the same start.
void DumpRow(const Vector& v, const std::string& want) {
    const char* path = std::getenv("TREVALO_VECTOR_FILE");
    if (!path || !*path) return;
    FILE* out = std::fopen(path, "a");
    if (!out) {
        ADD_FAILURE() << "cannot append to " << path;
        return;
    }
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string setup;
    for (const Op& s : v.setup) setup += (setup.empty() ? "" : " ") + OpText(s);
    std::fprintf(out, "row\t%s.%s\t%s\t%d\t%d\t%s\t%s\t%s\n", t ? t->test_suite_name() : "?",
                 t ? t->name() : "?", OneLine(v.name).c_str(), v.index, v.address, setup.c_str(),
                 OpText(v.op).c_str(), want.c_str());
    DumpFiles(out, "config", "config");
    const char* windir = std::getenv("TREVALO_WINDIR");
    if (windir && *windir) DumpFiles(out, "windows", windir);
    std::fclose(out);
}

// The written bytes of a SerialRig text, pauses dropped.
std::string WrittenBytes(const std::string& text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(" | ", start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        if (!part.empty() && part[0] != 'p') out += (out.empty() ? "" : " ") + part;
        start = end + 3;
    }
    return out;
}

// A serial text with each "=" part replaced by the captured bytes.
std::string Expand(const std::string& text, const std::string& captured) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(" | ", start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        out += (start ? " | " : "") + (part == "=" ? captured : part);
        start = end + 3;
    }
    return out;
}

std::vector<Op> SweepOps() {
    std::vector<Op> ops;
    for (int preset : {5, 130}) {
        ops.push_back(PresetNo(preset));
        for (int code = -1; code <= 25; ++code) {
            ops.push_back(Cmd(code));
            ops.push_back(Cmd(PT_STOP));
            ops.push_back(Cmd(code));
            ops.push_back(Cmd(PT_LENS_STOP));
        }
    }
    for (int on : {1, 0}) {
        for (Op op : {Power(on), Lamp(on), Aux(on), AutoPan(on)}) ops.push_back(op);
    }
    // Every output on and every motion held before each code and each off:
    // a row that should keep a held bit (a mask byte) shows here.
    const Op held[] = {Power(1), Lamp(1), Aux(1), AutoPan(1), Cmd(PT_UP), Cmd(PT_DOWN), Cmd(PT_LEFT),
                       Cmd(PT_RIGHT), Cmd(PT_FOCUS_NEAR), Cmd(PT_FOCUS_FAR), Cmd(PT_ZOOM_TELE),
                       Cmd(PT_ZOOM_WIDE)};
    std::vector<Op> last;
    for (int code = -1; code <= 25; ++code) last.push_back(Cmd(code));
    for (Op op : {Power(0), Lamp(0), Aux(0), AutoPan(0)}) last.push_back(op);
    for (const Op& op : last) {
        ops.insert(ops.end(), std::begin(held), std::end(held));
        ops.push_back(op);
    }
    // And every output off before each code: a row that sets an output bit
    // it should leave alone shows here.
    for (int code = -1; code <= 25; ++code) {
        for (Op op : {Power(0), Lamp(0), Aux(0), AutoPan(0), Cmd(code)}) ops.push_back(op);
    }
    for (int value = 0; value <= 4; ++value) {
        ops.push_back(ScanNo(value + 2));
        ops.push_back(AutoScan(value));
    }
    for (int axis = 0; axis < 4; ++axis) {
        for (int up : {1, 1, 0, 1}) ops.push_back(Speed(axis, up));
        for (int code : {PT_UP_RIGHT, PT_DOWN_LEFT, PT_ZOOM_TELE, PT_FOCUS_FAR}) ops.push_back(Cmd(code));
    }
    ops.push_back(Detach());
    return ops;
}

std::string Digest(const std::string& text) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    char out[20];
    std::snprintf(out, sizeof out, "#%016llX", static_cast<unsigned long long>(h));
    return out;
}

// The files the library keeps between objects, so a sweep starts and ends
// with none.
void RemoveLibraryFiles() {
    std::remove("config/ptz_speed.ini");
    const char* windir = std::getenv("TREVALO_WINDIR");
    if (!windir || !*windir) return;
    for (const char* name : {"DynaPT.log", "PTINI.INI"}) std::remove((std::string(windir) + "/" + name).c_str());
}

}  // namespace

const char* const kSameBytes = "<same bytes as captured>";
const char* const kNotChecked = "<not checked>";

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
    if (op.act == Act::Sweep) {
        std::string all;
        for (const Op& o : SweepOps()) all += Run(o) + ";";
        return all;
    }
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
        case Act::Attach:
        case Act::Sweep: return m_open;  // the attach ran at open
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
    if (op.act == Act::Sweep) {
        std::string all;
        for (const Op& o : SweepOps()) all += Run(o) + ";";
        return all;
    }
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
        if (v.op.act == Act::Sweep) {
            RemoveLibraryFiles();
            std::string text;
            {
                CaptureChannel ch(v.index, v.address);
                ASSERT_TRUE(ch.ok()) << "index " << v.index << " does not open";
                text = ch.Run(v.op);
            }
            EXPECT_EQ(Digest(text), v.expect) << "capture transcript " << text;
            RemoveLibraryFiles();
            {
                SerialRig rig(v.index, v.address);
                text = rig.Run(v.op);
            }
            EXPECT_EQ(Digest(text), v.serial) << "serial transcript " << text;
            RemoveLibraryFiles();
            continue;
        }
        {
            const std::string want = v.expect[0] == '-' ? "-" : ToHex(Hex(v.expect));
            DumpRow(v, want);
            CaptureChannel ch(v.index, v.address);
            ASSERT_TRUE(ch.ok()) << "index " << v.index << " does not open";
            EXPECT_EQ(ch.Run(v.setup, v.op), want);
        }
        if (v.serial == kNotChecked) continue;
        SerialRig rig(v.index, v.address);
        const std::string got = rig.Run(v.setup, v.op);
        if (v.serial == kSameBytes) {
            const std::string want = v.expect[0] == '-' ? "" : ToHex(Hex(v.expect));
            EXPECT_EQ(WrittenBytes(got), want) << "serial text " << got;
        } else {
            EXPECT_EQ(got, Expand(v.serial, ToHex(Hex(v.expect))));
        }
    }
}

}  // namespace pttest
