#include "Sniff.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "trevalo.h"

namespace sniff {
namespace {

// Codes without a name of their own that some protocols still answer.
constexpr int kExtraCodes[] = {PT_AUTO_PAN_ON, PT_SPECIAL_GOTO, PT_ZONE_START, PT_ZONE_END};

Action Make(const actions::Def& def, int arg) {
    Action a;
    a.def = &def;
    a.arg = arg;
    return a;
}

bool IsPreset(const actions::Def& d) { return std::strncmp(d.name, "preset-", 7) == 0; }

// FNV-1a over the bytes but the one at `skip`, with the length and skip.
uint64_t Hash(const uint8_t* p, size_t n, size_t skip) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i)
        if (i != skip) h = (h ^ p[i]) * 1099511628211ull;
    return (h ^ (n * 0x9E3779B97F4A7C15ull)) * 31 + skip;
}

}  // namespace

Catalogue::Catalogue() {
    for (const actions::Def& d : actions::Table()) {
        const std::string name = d.name;
        switch (d.arg) {
            case actions::ArgKind::None:
                if (name != "open" && name != "close") all.push_back(Make(d, 0));
                break;
            case actions::ArgKind::OnOff:
                all.push_back(Make(d, 0));
                all.push_back(Make(d, 1));
                break;
            case actions::ArgKind::SpeedAxis:
                for (int a = 0; a < 8; ++a) all.push_back(Make(d, a));
                break;
            case actions::ArgKind::Number:
                if (name == "scan")
                    for (int v = 0; v < 4; ++v) all.push_back(Make(d, v));
                if (name == "code")
                    for (int c : kExtraCodes) all.push_back(Make(d, c));
                break;
        }
    }
    basic = all.size();
    for (const actions::Def& d : actions::Table()) {
        if (!IsPreset(d)) continue;
        for (int n = 1; n <= kIndexedPresets; ++n) all.push_back(Make(d, n));
        for (int n = 0; n < 256; ++n) presetsAll.push_back(Make(d, n));
    }
}

const Catalogue& Cat() {
    static const Catalogue c;
    return c;
}

void Run(Link& l, const Action& a) {
    l.Begin();
    a.def->run(l, a.arg);
}

Packet Captured(const Link& l) {
    return l.length() > 0 ? Packet(l.data(), l.data() + l.length()) : Packet();
}

bool IsPrefix(const Link& l, const uint8_t* rest, size_t n) {
    const int len = l.length();
    return len > 0 && static_cast<size_t>(len) <= n && std::memcmp(l.data(), rest, len) == 0;
}

int OrderOf(const Action& a) {
    return static_cast<int>(a.def - actions::Table().data()) * 65536 + (a.arg & 0xFFFF);
}

std::string Finding::What() const {
    std::string s = attach ? "open" : action.Text();
    if (!before.empty()) s += " (after " + before.back().Text() + ")";
    return s;
}

void Lookup::SetChecked(const std::vector<std::vector<Packet>>& packetsByProtocol) {
    m_checked.assign(packetsByProtocol.size(), 0);
    for (size_t p = 0; p < packetsByProtocol.size(); ++p) {
        // Two distinct packets one byte apart have the same hash with that
        // byte left out at the same place.
        std::unordered_set<uint64_t> distinct, blanked;
        bool oneApart = false;
        for (const Packet& pk : packetsByProtocol[p]) {
            if (!distinct.insert(Hash(pk.data(), pk.size(), pk.size())).second) continue;
            for (size_t i = 0; i < pk.size() && !oneApart; ++i)
                oneApart = !blanked.insert(Hash(pk.data(), pk.size(), i)).second;
        }
        m_checked[p] = !packetsByProtocol[p].empty() && !oneApart;
    }
}

void SortNear(std::vector<Finding>& v) {
    std::sort(v.begin(), v.end(), [](const Finding& a, const Finding& b) {
        if (a.differing * b.length != b.differing * a.length)
            return a.differing * b.length < b.differing * a.length;
        return std::make_tuple(-a.common, a.protocol, a.address, a.order) <
               std::make_tuple(-b.common, b.protocol, b.address, b.order);
    });
}

}  // namespace sniff
