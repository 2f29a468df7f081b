// libFuzzer target over the C exports. Each input is a script of export
// calls run from a clean state (no manager, no files) and ended the way a
// well-behaved host ends, by closing what it opened, so that anything the
// sanitizers or the leak checker report is the library's own doing.
//
// Runs fast on purpose: pauses and the port object's 100 ms close go
// through a no-op sleep hook, and serial opens name COM ports mapped to
// devices that do not exist, so they fail after nine attempts at no cost.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "interface/CPtApp.h"
#include "interface/CPtManager.h"
#include "platform/Platform.h"
#include "trevalo.h"

namespace {

constexpr int kMappedPorts = 12;  // COM1..12, all missing devices
constexpr int kUnwritten = -77;

#define FUZZ_CHECK(cond)                                                       \
    do {                                                                       \
        if (!(cond)) {                                                         \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__); \
            std::abort();                                                      \
        }                                                                      \
    } while (0)

void NoSleep(unsigned) {}

class Script {
public:
    Script(const uint8_t* data, size_t size) : m_p(data), m_end(data + size) {}
    bool More() const { return m_p < m_end; }
    uint8_t Byte() { return m_p < m_end ? *m_p++ : 0; }
    int32_t Int() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return static_cast<int32_t>(v);
    }
    int Range(int lo, int hi) {
        const unsigned v = static_cast<unsigned>(Byte()) << 8 | Byte();
        return lo + static_cast<int>(v % static_cast<unsigned>(hi - lo + 1));
    }
    // Mostly a few low channels, so that opens, reopens and closes meet.
    int Channel() {
        const uint8_t b = Byte();
        return b < 0xE0 ? b % 6 : Range(-2, 300);
    }
    int Index() {
        const uint8_t b = Byte();
        return b < 0xF8 ? b % 64 - 2 : Int();
    }
    int Address() { return Byte() < 0xF0 ? Byte() : Int(); }
    int Code() {
        const uint8_t b = Byte();
        return b < 0xE0 ? b % 27 - 1 : Int();
    }
    int Number() {
        const uint8_t b = Byte();
        return b < 0xC0 ? b % 10 - 1 : Int();
    }

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
};

CPtProtocol* At(int channel) {
    CPtManager* m = theApp.Manager();
    return m ? m->At(channel) : nullptr;
}

// What one input has in hand. Handles are either the owner of the channel
// they opened or orphans (their channel's object was replaced, or destroyed
// by a close naming another handle); a close releases an orphan whatever the
// channel, an owner only when it names an open channel.
class Host {
public:
    Host() {
        m_buf[0] = static_cast<uint8_t*>(std::malloc(TREVALO_CAPTURE_MAX));
        m_buf[1] = static_cast<uint8_t*>(std::malloc(TREVALO_CAPTURE_MAX));
        m_len = static_cast<int*>(std::malloc(sizeof(int)));
        m_name = static_cast<char*>(std::malloc(TREVALO_NAME_MAX));
    }
    ~Host() {
        TearDown();
        std::free(m_buf[0]);
        std::free(m_buf[1]);
        std::free(m_len);
        std::free(m_name);
    }

    void Step(Script& s);

private:
    struct Held {
        PtPortHandle* h;
        int channel;  // -1: orphan
    };

    uint8_t* Buf(Script& s) {
        const uint8_t b = s.Byte() % 4;
        return b == 0 ? nullptr : m_buf[b & 1];
    }
    int* Len(Script& s) {
        if (s.Byte() % 4 == 0) return nullptr;
        *m_len = kUnwritten;
        return m_len;
    }
    void CheckLen(const int* len) const {
        if (len) FUZZ_CHECK(*len == kUnwritten || (*len >= 0 && *len <= TREVALO_CAPTURE_MAX));
    }
    // A live handle, null, or a released one where the library can tell
    // (its channel is empty).
    PtPortHandle* Handle(Script& s, int channel) {
        const uint8_t b = s.Byte();
        switch (b % 4) {
            case 1:
            case 2:
                return m_held.empty() ? nullptr : m_held[s.Byte() % m_held.size()].h;
            case 3:
                if (!m_dead.empty() && !At(channel)) return m_dead[s.Byte() % m_dead.size()];
                return nullptr;
            default:
                return nullptr;
        }
    }

    Held* Find(PtPortHandle* h) {
        for (Held& held : m_held)
            if (held.h == h) return &held;
        return nullptr;
    }
    void Issued(PtPortHandle* h, int channel) {
        for (Held& held : m_held)
            if (held.channel == channel) held.channel = -1;
        m_dead.erase(std::remove(m_dead.begin(), m_dead.end(), h), m_dead.end());
        if (h) m_held.push_back({h, channel});
    }
    void Released(PtPortHandle* h) {
        m_held.erase(std::remove_if(m_held.begin(), m_held.end(),
                                    [h](const Held& held) { return held.h == h; }),
                     m_held.end());
        if (m_dead.size() < 16) m_dead.push_back(h);
    }

    void Open(Script& s, bool net);
    void Close(PtPortHandle* h, int channel, bool net, uint8_t* buf, int* len);
    void TearDown();

    std::vector<Held> m_held;
    std::vector<PtPortHandle*> m_dead;
    uint8_t* m_buf[2];
    int* m_len;
    char* m_name;
};

void Host::Open(Script& s, bool net) {
    const int index = s.Index();
    const int channel = s.Channel();
    const int address = s.Address();
    const bool manager = theApp.Manager() != nullptr;
    if (net) {
        uint8_t* buf = Buf(s);
        int* len = Len(s);
        PtPortHandle* h = SetPtOpen_NET(index, channel, address, buf, len);
        CheckLen(len);
        const bool expected = manager && channel >= 0 && channel <= 254 && index >= 0 && index <= 60;
        FUZZ_CHECK((h != nullptr) == expected);
        if (h) Issued(h, channel);
        return;
    }
    const int com = s.Range(-1, kMappedPorts);
    const int baud = s.Int();
    const int parity = s.Byte();
    const int bits = s.Number();
    const int stop = s.Number();
    CPtProtocol* before = At(channel);
    PtPortHandle* h = SetPtOpen(index, channel, address, com, baud, parity, bits, stop);
    FUZZ_CHECK(h == nullptr);
    // A failed port open leaves a new object in the channel: the old one's
    // owner is then an orphan.
    if (At(channel) != before) Issued(nullptr, channel);
}

void Host::Close(PtPortHandle* h, int channel, bool net, uint8_t* buf, int* len) {
    const bool manager = theApp.Manager() != nullptr;
    Held* held = h ? Find(h) : nullptr;
    const bool orphan = held && held->channel < 0;
    const bool occupied = At(channel) != nullptr;
    if (net)
        SetPtClose_NET(h, channel, buf, len);
    else
        SetPtClose(h, channel);
    CheckLen(len);
    if (!manager || !held) return;
    if (orphan) {
        Released(h);
        return;
    }
    if (!occupied) return;
    FUZZ_CHECK(At(channel) == nullptr);
    for (Held& other : m_held)
        if (other.channel == channel) other.channel = -1;
    Released(h);
}

void Host::Step(Script& s) {
    const uint8_t op = s.Byte();
    const bool net = op & 0x80;
    switch (op % 16) {
        case 0: {
            CPtManager* before = theApp.Manager();
            FUZZ_CHECK(SetPTInit() == 1);
            if (before) FUZZ_CHECK(theApp.Manager() == before);
            break;
        }
        case 1:
            TearDown();
            SetPTUnInit();
            break;
        case 2:
        case 3:
            Open(s, op % 16 == 2 || net);
            break;
        case 4: {
            const int channel = s.Channel();
            PtPortHandle* h = Handle(s, channel);
            uint8_t* buf = Buf(s);
            Close(h, channel, net, buf, Len(s));
            break;
        }
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11: {
            const int channel = s.Channel();
            PtPortHandle* h = Handle(s, channel);
            const int a = op % 16 == 5 ? s.Code() : s.Number();
            const int b = s.Number();
            uint8_t* buf = Buf(s);
            int* len = Len(s);
            const int ch = channel;
            switch (op % 16) {
                case 5: net ? SetPtCmd_NET(h, ch, a, buf, len) : SetPtCmd(h, ch, a); break;
                case 6: net ? SetPtCameraPower_NET(h, ch, a, buf, len) : SetPtCameraPower(h, ch, a); break;
                case 7: net ? SetPtLampPower_NET(h, ch, a, buf, len) : SetPtLampPower(h, ch, a); break;
                case 8: net ? SetPtAuxPower_NET(h, ch, a, buf, len) : SetPtAuxPower(h, ch, a); break;
                case 9: net ? SetPtAutoPan_NET(h, ch, a, buf, len) : SetPtAutoPan(h, ch, a); break;
                case 10: net ? SetPtAutoScan_NET(h, ch, a, buf, len) : SetPtAutoScan(h, ch, a); break;
                case 11: net ? SetPtSpeedCtrl_NET(h, ch, a, b, buf, len) : SetPtSpeedCtrl(h, ch, a, b); break;
            }
            CheckLen(len);
            break;
        }
        case 12: {
            const int channel = s.Channel();
            const int n = s.Number();
            net ? SetPtPresetNo_NET(channel, n) : SetPtPresetNo(channel, n);
            break;
        }
        case 13: {
            const int channel = s.Channel();
            const int n = s.Number();
            net ? SetPtAutoScanNo_NET(channel, n) : SetPtAutoScanNo(channel, n);
            break;
        }
        case 14: {
            const int index = s.Index();
            const bool manager = theApp.Manager() != nullptr;
            const bool known = manager && index >= 0 && index <= 60;
            char* text = s.Byte() % 4 ? m_name : nullptr;
            if (text) std::memset(text, 'x', TREVALO_NAME_MAX);
            const int n = net ? GetPtName_NET(index, text) : GetPtName(index, text);
            if (!text) {
                FUZZ_CHECK(n == 0);
            } else if (known) {
                FUZZ_CHECK(n > 0 && n < TREVALO_NAME_MAX && std::strlen(text) == static_cast<size_t>(n));
            } else {
                FUZZ_CHECK(n == 0 && (!manager || text[0] == '\0'));
            }
            break;
        }
        case 15: {
            const int index = s.Index();
            const int count = net ? GetPtCount_NET() : GetPtCount();
            FUZZ_CHECK(count == (theApp.Manager() ? TREVALO_PROTOCOL_COUNT : 0));
            for (int v : {GetPtPresetUsed(index), GetPtAutoScanUsed(index), GetPtSpeedCtrlUsed(index),
                          GetPtPresetUsed_NET(index), GetPtAutoScanUsed_NET(index),
                          GetPtSpeedCtrlUsed_NET(index)})
                FUZZ_CHECK(v == 0 || (v == 1 && index >= 0 && index <= 60));
            break;
        }
    }
}

// Closes every handle and every channel, as a host must before SetPTUnInit.
void Host::TearDown() {
    if (!theApp.Manager()) {
        if (m_held.empty()) return;
        SetPTInit();
    }
    while (!m_held.empty()) {
        const Held held = m_held.back();
        const size_t before = m_held.size();
        *m_len = kUnwritten;
        Close(held.h, held.channel < 0 ? 0 : held.channel, true, m_buf[0], m_len);
        FUZZ_CHECK(m_held.size() < before);  // every handle can be released
    }
    for (int channel = 0; channel < CPtManager::kChannels; ++channel) {
        if (!At(channel)) continue;
        PtPortHandle* h = SetPtOpen_NET(6, channel, 1, m_buf[0], m_len);
        FUZZ_CHECK(h != nullptr);
        SetPtClose_NET(h, channel, m_buf[0], m_len);
        FUZZ_CHECK(!At(channel));
    }
    m_dead.clear();
}

void RemoveFiles() {
    unlink("config/ptz_speed.ini");
    unlink("windows/DynaPT.log");
    unlink("windows/PTINI.INI");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/trevalo-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
    mkdir("config", 0755);
    mkdir("windows", 0755);
    setenv("TREVALO_WINDIR", (std::string(dir) + "/windows").c_str(), 1);
    unsetenv("TREVALO_PORTMAP");
    for (int com = 1; com <= kMappedPorts; ++com)
        setenv(("TREVALO_COM" + std::to_string(com)).c_str(),
               ("/nonexistent/trevalo-fuzz-COM" + std::to_string(com)).c_str(), 1);
    platform::SetSleepHook(&NoSleep);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Script s(data, size);
    RemoveFiles();
    // The first byte may leave a Serim last-command file for the protocols to find.
    if (s.Byte() & 1) {
        uint8_t record[4] = {s.Byte(), s.Byte(), s.Byte(), s.Byte()};
        if (FILE* f = std::fopen("windows/PTINI.INI", "wb")) {
            std::fwrite(record, 1, sizeof record, f);
            std::fclose(f);
        }
    }
    g_nLastOpenedPort = -1;  // as in a freshly loaded library
    {
        Host host;
        for (int steps = 0; s.More() && steps < 256; ++steps) host.Step(s);
    }
    SetPTUnInit();
    return 0;
}
