#include "FrameIndex.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "Protocols.h"

namespace sniff {
namespace {

using Clock = std::chrono::steady_clock;

// Addresses each run through the catalogue in the same order on one
// object, so that what differs between them comes from the address alone:
// bit patterns, nibbles and decimal digits all differ between the first
// ones; the later ones rule out coincidences (a check digit that stays the
// same, a byte that changes only near 255, protocols that name only 0 to
// 99). Then each action once more on a
// fresh object at the first address: a byte where that differs is one the
// action keeps from earlier ones, and says nothing.
constexpr int kProbeAddress[] = {0x55, 0xAA, 0x0F, 0xC3, 0x2A, 0x63, 0xFE, 0x0A};
constexpr int kProbeCount = 8;
// Bits that follow an address bit at fewer probes than this follow it by
// chance as often as not.
constexpr int kBitProbes = 6;
// Some protocols name only part of the addresses (0 to 99, say); the
// probes that got a packet must be this many for the rules to mean much.
constexpr int kEnoughProbes = 3;
// Channels of the probes and of the confirming captures, per thread; the
// decoder's replays use 250, the command's own port 0.
constexpr int kFirstChannel = 200;
constexpr int kChannelsPerThread = kProbeCount + 2;
// Confirmed packets kept; beyond this the cache starts again.
constexpr size_t kCacheLimit = 1 << 16;

int HexDigit(int v) { return v < 10 ? '0' + v : 'A' + v - 10; }

// Ways a byte can carry the address, each plus a constant: as it is, by
// nibbles (as values or hex digits), by decimal digits, or as two BCD digits.
using AddressFn = int (*)(int);
const AddressFn kAddressFns[] = {
    [](int a) { return a; },
    [](int a) { return a >> 4; },
    [](int a) { return a & 15; },
    [](int a) { return HexDigit(a >> 4); },
    [](int a) { return HexDigit(a & 15); },
    [](int a) { return a / 100; },
    [](int a) { return a / 10 % 10; },
    [](int a) { return a % 10; },
    [](int a) { return (a / 10 % 10) << 4 | a % 10; },
    [](int a) { return a & 0x7F; },
    [](int a) { return a & 0x3F; },
    [](int a) { return a & 0x1F; },
};

// input[at] == fn(address) + plus at every probe; or, with fn kBit, bit
// `plus` of input[at] is the address's bit `bit`.
constexpr uint8_t kBit = 0xFF;
struct AddressRule {
    uint8_t at;
    uint8_t fn;
    uint8_t plus;
    uint8_t bit = 0;
    bool Holds(const uint8_t* rest, int a) const {
        if (fn == kBit) return ((rest[at] >> plus) & 1) == ((a >> bit) & 1);
        return rest[at] == static_cast<uint8_t>(kAddressFns[fn](a) + plus);
    }
};

struct Template {
    int protocol = 0;
    uint16_t action = kAttach;
    size_t length = 0;               // 0: differs between probes
    std::vector<uint8_t> fixedAt;    // positions with bits every probe agrees on
    std::vector<uint8_t> fixedMask;  // those bits
    std::vector<uint8_t> fixedValue;
    std::vector<AddressRule> rules;  // where the address shows
    bool everyBuilt = false;
    std::vector<Packet> every;       // by address, once captured

    bool Lazy() const { return length != 0 && !rules.empty(); }
    // The agreed bytes among the first n, for inputs of n bytes.
    bool Fits(const uint8_t* rest, size_t n) const {
        for (size_t i = 0; i < fixedAt.size(); ++i)
            if (fixedAt[i] < n && (rest[fixedAt[i]] & fixedMask[i]) != fixedValue[i]) return false;
        return true;
    }
    int Differing(const uint8_t* rest) const {
        int d = 0;
        for (size_t i = 0; i < fixedAt.size(); ++i) d += (rest[fixedAt[i]] & fixedMask[i]) != fixedValue[i];
        return d;
    }
    // Whether the address rules among the first n bytes allow the address:
    // all of them, or all but one, since a check byte can follow a rule at
    // every probe and still not be one (a sum kept to 7 bits looks like the
    // address kept to 7 bits). Confirming the packet rules out the rest.
    bool Allows(const uint8_t* rest, size_t n, int a) const {
        int total = 0, broken = 0;
        for (const AddressRule& r : rules) {
            if (r.at >= n) continue;
            ++total;
            broken += !r.Holds(rest, a);
        }
        return broken == 0 || (total > 1 && broken == 1);
    }
    // Near packets: the address one of the rules reads, since a byte that
    // differs may be the one another rule reads (a check byte).
    bool AllowsAny(const uint8_t* rest, int a) const {
        for (const AddressRule& r : rules)
            if (r.Holds(rest, a)) return true;
        return false;
    }
    bool RuledWithin(size_t n) const {
        for (const AddressRule& r : rules)
            if (r.at < n) return true;
        return false;
    }
};

// `fresh` and `kept`: the action's packet (or for a preset number, that of
// the same preset action with number 1) on a fresh object and in the
// probes' sequence, both at the first address.
Template MakeTemplate(int p, uint16_t action, const Packet (&probe)[kProbeCount], const Packet& fresh,
                      const Packet& kept) {
    Template t;
    t.protocol = p;
    t.action = action;
    // The address probes that gave a packet, and the order they came in.
    std::vector<int> got;
    for (int k = 0; k < kProbeCount; ++k)
        if (!probe[k].empty()) got.push_back(k);
    if (got.size() < static_cast<size_t>(kEnoughProbes)) return t;
    const Packet& first = probe[got[0]];
    const size_t len = first.size();
    // Whether a packet is sent at all, and its length, must not depend on
    // what came before.
    if (fresh.size() != kept.size()) return t;
    bool same = true;
    for (int k : got) same = same && probe[k].size() == len;
    if (!same || len > 255) return t;
    t.length = len;
    for (size_t i = 0; i < len; ++i) {
        if (i < fresh.size() && fresh[i] != kept[i]) continue;  // kept from earlier actions
        bool agreed = true;
        for (int k : got) agreed = agreed && probe[k][i] == first[i];
        if (agreed) {
            t.fixedAt.push_back(static_cast<uint8_t>(i));
            t.fixedMask.push_back(0xFF);
            t.fixedValue.push_back(first[i]);
            continue;
        }
        bool ruled = false;
        for (uint8_t fn = 0; fn < sizeof kAddressFns / sizeof kAddressFns[0] && !ruled; ++fn) {
            const uint8_t plus = static_cast<uint8_t>(first[i] - kAddressFns[fn](kProbeAddress[got[0]]));
            bool holds = true;
            for (int k : got)
                holds = holds && static_cast<uint8_t>(probe[k][i] - kAddressFns[fn](kProbeAddress[k])) == plus;
            if (holds) t.rules.push_back({static_cast<uint8_t>(i), fn, plus});
            ruled = holds;
        }
        if (ruled) continue;
        // Bit by bit: bits that never change, and bits that follow one bit
        // of the address (an address spread over a byte with other fields).
        // Only a byte explained whole counts: one bit of a check byte
        // follows some address bit at five probes too often to mean it.
        uint8_t mask = 0, value = 0;
        std::vector<AddressRule> bits;
        bool explained = got.size() >= static_cast<size_t>(kBitProbes);
        for (uint8_t b = 0; b < 8 && explained; ++b) {
            bool constant = true;
            for (int k : got) constant = constant && ((probe[k][i] ^ first[i]) >> b & 1) == 0;
            if (constant) {
                mask |= static_cast<uint8_t>(1u << b);
                value |= static_cast<uint8_t>(first[i] & (1u << b));
                continue;
            }
            explained = false;
            for (uint8_t j = 0; j < 8 && !explained; ++j) {
                bool follows = true;
                for (int k : got) follows = follows && ((probe[k][i] >> b) & 1) == ((kProbeAddress[k] >> j) & 1);
                if (follows) bits.push_back({static_cast<uint8_t>(i), kBit, b, j});
                explained = follows;
            }
        }
        if (!explained) continue;
        t.rules.insert(t.rules.end(), bits.begin(), bits.end());
        if (mask) {
            t.fixedAt.push_back(static_cast<uint8_t>(i));
            t.fixedMask.push_back(mask);
            t.fixedValue.push_back(value);
        }
    }
    return t;
}

}  // namespace

struct FrameIndex::Impl {
    std::vector<Template> templates;
    std::vector<std::vector<uint32_t>> byFirst = std::vector<std::vector<uint32_t>>(256);
    std::vector<uint32_t> anyFirst;  // first byte not agreed
    std::vector<std::unique_ptr<Link>> links;
    Link* confirm = nullptr;
    std::unordered_map<uint32_t, uint32_t> idOf;  // (protocol, action) -> template
    std::unordered_map<uint64_t, Packet> fresh;  // (template, address) -> packet
    size_t materialised = 0;

    // The packet a fresh object at the address gives for the template's action.
    const Packet& Fresh(uint32_t id, int address) {
        const uint64_t key = (uint64_t{id} << 8) | static_cast<uint64_t>(address);
        auto it = fresh.find(key);
        if (it != fresh.end()) return it->second;
        if (fresh.size() >= kCacheLimit) fresh.clear();
        const Template& t = templates[id];
        Packet pk;
        if (confirm->Reopen(t.protocol, address)) {
            if (t.action != kAttach) Run(*confirm, Cat().all[t.action]);
            pk = Captured(*confirm);
        }
        return fresh.emplace(key, std::move(pk)).first->second;
    }

    const std::vector<Packet>& Every(uint32_t id) {
        Template& t = templates[id];
        if (!t.everyBuilt) {
            t.every.resize(kAddresses);
            for (int a = 0; a < kAddresses; ++a) {
                if (!confirm->Reopen(t.protocol, a)) continue;
                if (t.action != kAttach) Run(*confirm, Cat().all[t.action]);
                t.every[a] = Captured(*confirm);
            }
            t.everyBuilt = true;
            ++materialised;
        }
        return t.every;
    }

    Finding Make(uint32_t id, int address, size_t length) const {
        const Template& t = templates[id];
        Finding f;
        f.source = Finding::Index;
        f.protocol = t.protocol;
        f.address = address;
        f.length = static_cast<int>(length);
        f.attach = t.action == kAttach;
        if (!f.attach) f.action = Cat().all[t.action];
        f.order = f.attach ? -1 : OrderOf(f.action);
        return f;
    }

    // Templates that may start with this byte.
    template <typename Fn>
    void Candidates(uint8_t first, Fn fn) {
        for (uint32_t id : byFirst[first]) fn(id);
        for (uint32_t id : anyFirst) fn(id);
    }

    // Every address whose packet for the template starts `rest` (n bytes
    // of input), or with `longer`, whose packet is longer and starts with
    // all n bytes.
    template <typename Fn>
    void Matches(uint32_t id, const uint8_t* rest, size_t n, bool longer, Fn fn) {
        const Template& t = templates[id];
        if (t.Lazy() && t.RuledWithin(n)) {
            if (longer ? t.length <= n : t.length > n) return;
            if (!t.Fits(rest, n)) return;
            const size_t m = std::min(n, t.length);
            for (int a = 0; a < kAddresses; ++a) {
                if (!t.Allows(rest, n, a)) continue;
                const Packet& pk = Fresh(id, a);
                if (pk.size() == t.length && std::memcmp(pk.data(), rest, m) == 0) fn(a, pk);
            }
            return;
        }
        if (t.length && (longer ? t.length <= n : t.length > n)) return;
        if (t.length && !t.Fits(rest, n)) return;
        const std::vector<Packet>& every = Every(id);
        for (int a = 0; a < kAddresses; ++a) {
            const Packet& pk = every[a];
            if (pk.empty() || (longer ? pk.size() <= n : pk.size() > n)) continue;
            if (std::memcmp(pk.data(), rest, std::min(n, pk.size())) == 0) fn(a, pk);
        }
    }
};

FrameIndex::FrameIndex(const Progress& progress, int threads) : m_impl(new Impl) {
    const auto t0 = Clock::now();
    const int count = static_cast<int>(protocols::All().size());
    threads = std::max(1, std::min(threads, 8));
    for (int c = 0; c < threads * kChannelsPerThread; ++c) {
        m_impl->links.emplace_back(new Link(0, 0, kFirstChannel + c));
        m_impl->links.back()->KeepSpeedFile();
    }
    m_impl->confirm = m_impl->links[kProbeCount + 1].get();

    const std::vector<Action>& cat = Cat().all;
    const size_t n = cat.size();
    std::vector<std::vector<Template>> perProtocol(count);
    std::vector<std::vector<Packet>> seen(count);
    std::vector<size_t> captured(threads, 0);
    std::atomic<int> next{0}, done{0};
    std::mutex progressLock;

    auto work = [&](int w) {
        Link* probe[kProbeCount];
        for (int k = 0; k < kProbeCount; ++k) probe[k] = m_impl->links[w * kChannelsPerThread + k].get();
        Link& single = *m_impl->links[w * kChannelsPerThread + kProbeCount];
        for (int p; (p = next++) < count;) {
            std::vector<Packet> byAction[kProbeCount];
            Packet attach[kProbeCount];
            bool served = true;
            for (int k = 0; k < kProbeCount && served; ++k) {
                served = probe[k]->Reopen(p, kProbeAddress[k]);
                if (!served) break;
                attach[k] = Captured(*probe[k]);
                byAction[k].resize(n);
                for (size_t x = 0; x < n; ++x) {
                    Run(*probe[k], cat[x]);
                    byAction[k][x] = Captured(*probe[k]);
                }
                captured[w] += n + 1;
            }
            // Fresh packets: every parameterless action, and the first
            // number of each preset action for all its numbers.
            std::vector<Packet> fresh(n);
            std::vector<size_t> twin(n);
            for (size_t x = 0; x < n && served; ++x) {
                twin[x] = x;
                if (x >= Cat().basic && x > 0 && cat[x - 1].def == cat[x].def) {
                    twin[x] = twin[x - 1];
                    continue;
                }
                single.Reopen(p, kProbeAddress[0]);
                Run(single, cat[x]);
                fresh[x] = Captured(single);
                ++captured[w];
            }
            if (served) {
                auto add = [&](uint16_t action, const Packet (&pk)[kProbeCount], const Packet& f,
                               const Packet& kept) {
                    bool any = !f.empty();
                    for (const Packet& q : pk) {
                        any = any || !q.empty();
                        if (!q.empty()) seen[p].push_back(q);
                    }
                    // Never a packet: nothing to find it by.
                    if (any) perProtocol[p].push_back(MakeTemplate(p, action, pk, f, kept));
                };
                add(kAttach, attach, attach[0], attach[0]);
                for (size_t x = 0; x < n; ++x) {
                    Packet pk[kProbeCount];
                    for (int k = 0; k < kProbeCount; ++k) pk[k] = byAction[k][x];
                    const size_t before = perProtocol[p].size();
                    add(static_cast<uint16_t>(x), pk, fresh[twin[x]], byAction[0][twin[x]]);
                    if (perProtocol[p].size() == before) continue;
                    const Template& t = perProtocol[p].back();
                    if (t.Lazy() || !t.length) continue;
                    // Kept bytes left no byte to read the address from: the
                    // action's probes on fresh objects instead, which keep
                    // nothing.
                    perProtocol[p].pop_back();
                    for (int k = 0; k < kProbeCount; ++k) {
                        single.Reopen(p, kProbeAddress[k]);
                        Run(single, cat[x]);
                        pk[k] = Captured(single);
                        ++captured[w];
                    }
                    perProtocol[p].push_back(MakeTemplate(p, static_cast<uint16_t>(x), pk, pk[0], pk[0]));
                }
            }
            const int d = ++done;
            if (progress) {
                std::lock_guard<std::mutex> g(progressLock);
                progress(d, count);
            }
        }
    };
    std::vector<std::thread> pool;
    for (int w = 1; w < threads; ++w) pool.emplace_back(work, w);
    work(0);
    for (std::thread& t : pool) t.join();

    size_t total = 0;
    for (const auto& v : perProtocol) total += v.size();
    m_impl->templates.reserve(total);
    for (int p = 0; p < count; ++p) {
        if (!perProtocol[p].empty()) ++m_stats.protocols;
        for (Template& t : perProtocol[p]) {
            const uint32_t id = static_cast<uint32_t>(m_impl->templates.size());
            if (t.length && !t.fixedAt.empty() && t.fixedAt[0] == 0 && t.fixedMask[0] == 0xFF)
                m_impl->byFirst[t.fixedValue[0]].push_back(id);
            else
                m_impl->anyFirst.push_back(id);
            m_impl->idOf[(static_cast<uint32_t>(p) << 16) | t.action] = id;
            m_impl->templates.push_back(std::move(t));
        }
    }
    SetChecked(seen);
    for (size_t c : captured) m_stats.packets += c;
    m_stats.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The probes' objects stay open until here: closing costs 100 ms each, so
// side by side.
FrameIndex::~FrameIndex() {
    std::vector<std::thread> closers;
    for (auto& l : m_impl->links) closers.emplace_back([&l] { l->Close(); });
    for (std::thread& t : closers) t.join();
}

bool FrameIndex::MayStart(int protocol, int address, uint16_t action, const uint8_t* rest, size_t n,
                          bool loose) {
    auto it = m_impl->idOf.find((static_cast<uint32_t>(protocol) << 16) | action);
    if (it == m_impl->idOf.end()) return false;  // never a packet at the probes
    const Template& t = m_impl->templates[it->second];
    if (!t.length) return true;
    if (t.length > n) return false;
    if (loose) {
        // Another preset number: the bytes numbers 1 and 2 share.
        auto other = m_impl->idOf.find((static_cast<uint32_t>(protocol) << 16) | (action + 1));
        if (other == m_impl->idOf.end()) return true;
        const Template& u = m_impl->templates[other->second];
        if (u.length != t.length) return true;
        for (size_t i = 0; i < t.fixedAt.size(); ++i)
            for (size_t j = 0; j < u.fixedAt.size(); ++j)
                if (u.fixedAt[j] == t.fixedAt[i] && u.fixedMask[j] == t.fixedMask[i] &&
                    u.fixedValue[j] == t.fixedValue[i] && (rest[t.fixedAt[i]] & t.fixedMask[i]) != t.fixedValue[i])
                    return false;
        return true;
    }
    if (!t.Fits(rest, n)) return false;
    return t.Allows(rest, n, address);
}

size_t FrameIndex::materialised() const { return m_impl->materialised; }
size_t FrameIndex::templates() const { return m_impl->templates.size(); }

std::string FrameIndex::Describe() const {
    size_t lazy = 0, irregular = 0, anchored = 0;
    std::string which;
    for (const Template& t : m_impl->templates) {
        lazy += t.Lazy();
        irregular += t.length == 0;
        anchored += !t.fixedAt.empty() && t.fixedAt[0] == 0;
        if (!t.Lazy())
            which += " " + std::to_string(t.protocol) + ":" +
                     (t.action == kAttach ? std::string("open") : Cat().all[t.action].Text()) +
                     (t.length ? "" : "(irregular)");
    }
    return std::to_string(m_impl->templates.size()) + " actions, " + std::to_string(lazy) +
           " with an address byte, " + std::to_string(irregular) + " irregular, " +
           std::to_string(anchored) + " with a sync byte; captured whole:" + which;
}

void FrameIndex::Exact(const uint8_t* rest, size_t n, std::vector<Finding>& out) {
    if (!n) return;
    m_impl->Candidates(rest[0], [&](uint32_t id) {
        m_impl->Matches(id, rest, n, false, [&](int a, const Packet& pk) {
            Finding f = m_impl->Make(id, a, pk.size());
            f.checked = Checked(f.protocol);
            out.push_back(std::move(f));
        });
    });
}

bool FrameIndex::Partial(const uint8_t* rest, size_t n) {
    if (!n) return false;
    bool found = false;
    // Only frames that start with a sync byte: nearly any last bytes could
    // start a frame that starts with its address.
    for (uint32_t id : m_impl->byFirst[rest[0]]) {
        if (found) break;
        const Template& t = m_impl->templates[id];
        // The address is still to come: the agreed bytes so far will do.
        if (t.Lazy() && t.length > n && !t.RuledWithin(n)) {
            found = t.Fits(rest, n);
            continue;
        }
        m_impl->Matches(id, rest, n, true, [&](int, const Packet&) { found = true; });
    }
    return found;
}

std::vector<Finding> FrameIndex::Near(const uint8_t* rest, size_t n, size_t longerThan, size_t limit) {
    std::vector<Finding> out;
    auto consider = [&](uint32_t id, int a, const Packet& pk) {
        const int len = static_cast<int>(pk.size());
        if (pk.empty() || pk.size() > n || pk.size() <= longerThan) return;
        const int allowed = std::max(1, len / 3);
        int d = 0;
        for (int i = 0; i < len && d <= allowed; ++i) d += pk[i] != rest[i];
        if (d == 0 || d > allowed) return;
        Finding f = m_impl->Make(id, a, pk.size());
        f.source = Finding::Near;
        f.checked = Checked(f.protocol);
        f.differing = d;
        while (f.common < len && pk[f.common] == rest[f.common]) ++f.common;
        out.push_back(std::move(f));
    };
    for (uint32_t id = 0; id < m_impl->templates.size(); ++id) {
        const Template& t = m_impl->templates[id];
        if (t.length) {
            if (t.length > n || t.length <= longerThan) continue;
            if (t.Differing(rest) > std::max<int>(1, static_cast<int>(t.length) / 3)) continue;
        }
        if (t.Lazy()) {
            // The addresses the input names: another address differs in
            // its bytes and usually in the check too, so it is seldom near.
            for (int a = 0; a < kAddresses; ++a)
                if (t.AllowsAny(rest, a)) consider(id, a, m_impl->Fresh(id, a));
            continue;
        }
        const std::vector<Packet>& every = m_impl->Every(id);
        for (int a = 0; a < kAddresses; ++a) consider(id, a, every[a]);
    }
    SortNear(out);
    if (out.size() > limit) out.resize(limit);
    return out;
}

}  // namespace sniff
