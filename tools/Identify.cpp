#include "Identify.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "Cli.h"
#include "Protocols.h"

namespace identify {

using actions::Action;
using actions::ArgKind;
using actions::Link;

namespace {

using Clock = std::chrono::steady_clock;
using Packet = std::vector<uint8_t>;

constexpr uint16_t kAttach = 0xFFFF;
constexpr int kAddresses = 256;
// Addresses at which an action's dependence on earlier actions is probed.
constexpr int kProbes[] = {1, 2, 200};
constexpr int kProbeCount = 3;
constexpr int kIndexedPresets = 16;  // 1..16 in the index, 0..255 when searching
constexpr int kMaxHypotheses = 16;
constexpr int kMaxHistory = 6;
constexpr int kSearchPairs = 6;
// An action that sleeps even in capture mode is swept in parallel blocks.
constexpr long kSlowMicros = 1000;
constexpr int kSlowBlock = 16;
// Codes without a name of their own that some protocols still answer.
constexpr int kExtraCodes[] = {PT_AUTO_PAN_ON, PT_SPECIAL_GOTO, PT_ZONE_START, PT_ZONE_END};
// Lookups after the build use a channel of their own.
constexpr int kLookupChannel = 250;
// Channel 0 is the command's own (monitor opens its port there). Build
// workers use channels from kWorkerChannel (kProbeCount each), protocol probes
// from here.
constexpr int kWorkerChannel = 1;
constexpr int kProbeChannel = 160;

Action Make(const actions::Def& def, int arg) {
    Action a;
    a.def = &def;
    a.arg = arg;
    return a;
}

bool IsPreset(const actions::Def& d) { return std::strncmp(d.name, "preset-", 7) == 0; }

// Every action the index captures, parameterless ones first.
struct Catalogue {
    std::vector<Action> all;        // ids of index entries
    size_t basic = 0;               // all[0..basic) take no preset number
    std::vector<Action> presetsAll;  // every preset action with 0..255

    Catalogue() {
        for (const actions::Def& d : actions::Table()) {
            const std::string name = d.name;
            switch (d.arg) {
                case ArgKind::None:
                    if (name != "open" && name != "close") all.push_back(Make(d, 0));
                    break;
                case ArgKind::OnOff:
                    all.push_back(Make(d, 0));
                    all.push_back(Make(d, 1));
                    break;
                case ArgKind::SpeedAxis:
                    for (int a = 0; a < 8; ++a) all.push_back(Make(d, a));
                    break;
                case ArgKind::Number:
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
};

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

uint64_t HashBytes(const uint8_t* p, size_t n) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h ^ (n * 0x9E3779B97F4A7C15ull);
}

struct Entry {
    uint32_t offset;
    uint16_t length;
    uint8_t protocol;
    uint8_t address;
    uint16_t action;  // index into Cat().all, or kAttach
};

// What one build thread captured. Hashes are taken here, in parallel, so
// that merging is only counting and copying.
struct Shard {
    std::vector<uint8_t> bytes;
    std::vector<Entry> entries;
    std::vector<uint64_t> hashes;
    std::vector<char> lengthSeen = std::vector<char>(65536, 0);

    void Add(int protocol, int address, uint16_t action, const Link& l) {
        const int len = l.length();
        if (len <= 0) return;
        entries.push_back({static_cast<uint32_t>(bytes.size()), static_cast<uint16_t>(len),
                           static_cast<uint8_t>(protocol), static_cast<uint8_t>(address), action});
        hashes.push_back(HashBytes(l.data(), static_cast<size_t>(len)));
        lengthSeen[static_cast<size_t>(len)] = 1;
        bytes.insert(bytes.end(), l.data(), l.data() + len);
    }
};

struct SlowTask {
    int protocol;
    int action;
    int firstAddress;
};

// One build thread: its own channels, so threads never share an object.
class Worker {
public:
    explicit Worker(int firstChannel) {
        for (int k = 0; k < kProbeCount; ++k) {
            m_links.emplace_back(new Link(0, 0, firstChannel + k));
            m_links.back()->KeepSpeedFile();
        }
    }

    // False when the library does not serve the protocol.
    bool Protocol(int p, Shard& out, std::vector<SlowTask>& slow) {
        Link& l = *m_links[0];
        if (!l.Reopen(p, kProbes[0])) return false;
        const std::vector<Action>& cat = Cat().all;
        const size_t n = cat.size();

        // What each action yields on a fresh object at the probe addresses.
        std::vector<std::array<Packet, kProbeCount>> fresh(n);
        std::vector<int> ordinary;
        for (size_t x = 0; x < n; ++x) {
            bool live = false, isSlow = false;
            for (int k = 0; k < kProbeCount; ++k) {
                Link& pl = *m_links[k];
                pl.Reopen(p, kProbes[k]);
                const auto t0 = Clock::now();
                Run(pl, cat[x]);
                const auto us =
                    std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
                fresh[x][k] = Captured(pl);
                live = live || !fresh[x][k].empty();
                isSlow = isSlow || us > kSlowMicros;
            }
            if (!live) continue;  // never a packet: nothing to find it by
            if (isSlow) {
                for (int a = 0; a < kAddresses; a += kSlowBlock)
                    slow.push_back({p, static_cast<int>(x), a});
            } else {
                ordinary.push_back(static_cast<int>(x));
            }
        }

        const std::vector<std::vector<int>> chains = Chains(p, ordinary, fresh);
        for (int a = 0; a < kAddresses; ++a) {
            l.Reopen(p, a);
            out.Add(p, a, kAttach, l);
            for (size_t c = 0; c < chains.size(); ++c) {
                if (c) l.Reopen(p, a);
                for (int x : chains[c]) {
                    Run(l, cat[x]);
                    out.Add(p, a, static_cast<uint16_t>(x), l);
                }
            }
        }
        return true;
    }

    void Slow(const SlowTask& t, Shard& out) {
        Link& l = *m_links[0];
        const int end = std::min(kAddresses, t.firstAddress + kSlowBlock);
        for (int a = t.firstAddress; a < end; ++a) {
            if (!l.Reopen(t.protocol, a)) return;
            Run(l, Cat().all[t.action]);
            out.Add(t.protocol, a, static_cast<uint16_t>(t.action), l);
        }
    }

    void Release(std::vector<std::unique_ptr<Link>>& to) {
        for (auto& l : m_links) to.push_back(std::move(l));
        m_links.clear();
    }

private:
    // Sequences of actions that may share one opened object: each action in
    // a chain yields, after the ones before it, exactly what it yields on a
    // fresh object (checked at every probe address). Opening is what costs,
    // so the fewer chains the faster the sweep.
    std::vector<std::vector<int>> Chains(int p, std::vector<int> remaining,
                                         const std::vector<std::array<Packet, kProbeCount>>& fresh) {
        const std::vector<Action>& cat = Cat().all;
        std::vector<std::vector<int>> chains;
        auto restart = [&](const std::vector<int>& chain) {
            for (int k = 0; k < kProbeCount; ++k) {
                m_links[k]->Reopen(p, kProbes[k]);
                for (int y : chain) Run(*m_links[k], cat[y]);
            }
        };
        while (!remaining.empty()) {
            std::vector<int> chain, rest;
            restart(chain);
            for (int x : remaining) {
                bool same = true;
                for (int k = 0; k < kProbeCount; ++k) {
                    Run(*m_links[k], cat[x]);
                    same = same && Captured(*m_links[k]) == fresh[x][k];
                }
                if (same) {
                    chain.push_back(x);
                } else {
                    rest.push_back(x);
                    restart(chain);
                }
            }
            // Not even reproducible on a fresh object (state kept in a file):
            // it gets an object of its own.
            if (chain.empty()) {
                chain.push_back(rest.front());
                rest.erase(rest.begin());
            }
            chains.push_back(std::move(chain));
            remaining = std::move(rest);
        }
        return chains;
    }

    std::vector<std::unique_ptr<Link>> m_links;
};

// A camera the packets so far may come from, with what it was sent.
struct Hypothesis {
    int protocol;
    int address;
    std::vector<Action> history;
};

int Rank(Finding::Source s) { return static_cast<int>(s); }

// Actions sort as the action table lists them.
int OrderOf(const Action& a) {
    return static_cast<int>(a.def - actions::Table().data()) * 65536 + (a.arg & 0xFFFF);
}

}  // namespace

std::string Finding::What() const {
    std::string s = attach ? "open" : action.Text();
    if (!before.empty()) s += " (after " + before.back().Text() + ")";
    return s;
}

struct Index::Impl {
    std::vector<uint8_t> bytes;
    std::vector<Entry> entries;         // grouped by hash bucket
    std::vector<uint32_t> bucketStart;  // size buckets + 1
    int bucketBits = 1;
    std::vector<size_t> lengths;        // distinct packet lengths
    std::vector<Hypothesis> hypotheses;  // carried between calls
    Link link{0, 0, kLookupChannel};
    // Every channel used, closed together at the end.
    std::vector<std::unique_ptr<Link>> spent;

    Impl() { link.KeepSpeedFile(); }

    size_t Bucket(uint64_t h) const { return static_cast<size_t>(h >> (64 - bucketBits)); }

    void Finish(std::vector<Shard>& shards) {
        size_t total = 0, totalBytes = 0;
        for (const Shard& s : shards) {
            total += s.entries.size();
            totalBytes += s.bytes.size();
        }
        while ((size_t{1} << bucketBits) < total) ++bucketBits;
        const size_t buckets = size_t{1} << bucketBits;
        bucketStart.assign(buckets + 1, 0);
        for (const Shard& s : shards)
            for (uint64_t h : s.hashes) ++bucketStart[Bucket(h) + 1];
        for (size_t b = 0; b < buckets; ++b) bucketStart[b + 1] += bucketStart[b];

        std::vector<uint32_t> fill(bucketStart.begin(), bucketStart.end() - 1);
        entries.resize(total);
        bytes.reserve(totalBytes);
        std::vector<char> seen(65536, 0);
        for (Shard& s : shards) {
            const uint32_t base = static_cast<uint32_t>(bytes.size());
            bytes.insert(bytes.end(), s.bytes.begin(), s.bytes.end());
            for (size_t i = 0; i < s.entries.size(); ++i) {
                Entry e = s.entries[i];
                e.offset += base;
                entries[fill[Bucket(s.hashes[i])]++] = e;
            }
            for (size_t len = 0; len < seen.size(); ++len) seen[len] |= s.lengthSeen[len];
            Shard().bytes.swap(s.bytes);
            Shard().entries.swap(s.entries);
            Shard().hashes.swap(s.hashes);
        }
        for (size_t len = 1; len < seen.size(); ++len)
            if (seen[len]) lengths.push_back(len);
    }

    Finding FromEntry(const Entry& e, Finding::Source src) const {
        Finding f;
        f.source = src;
        f.protocol = e.protocol;
        f.address = e.address;
        f.length = e.length;
        f.attach = e.action == kAttach;
        if (!f.attach) f.action = Cat().all[e.action];
        f.order = f.attach ? -1 : OrderOf(f.action);
        return f;
    }

    // Index entries whose packet starts the rest of the input.
    void Exact(const uint8_t* rest, size_t n, std::vector<Finding>& out) const {
        for (size_t len : lengths) {
            if (len > n) break;
            const size_t b = Bucket(HashBytes(rest, len));
            for (uint32_t i = bucketStart[b]; i < bucketStart[b + 1]; ++i) {
                const Entry& e = entries[i];
                if (e.length == len && std::memcmp(&bytes[e.offset], rest, len) == 0)
                    out.push_back(FromEntry(e, Finding::Index));
            }
        }
    }

    // Entries longer than `longerThan` that differ from the input in a few
    // bytes, best first.
    std::vector<Finding> Near(const uint8_t* rest, size_t n, size_t longerThan, size_t limit) const {
        std::vector<Finding> out;
        for (const Entry& e : entries) {
            if (e.length > n || e.length <= longerThan) continue;
            const uint8_t* p = &bytes[e.offset];
            const int allowed = std::max(1, e.length / 3);
            int d = 0;
            for (int i = 0; i < e.length && d <= allowed; ++i) d += p[i] != rest[i];
            if (d == 0 || d > allowed) continue;
            Finding f = FromEntry(e, Finding::Near);
            f.differing = d;
            while (f.common < e.length && p[f.common] == rest[f.common]) ++f.common;
            out.push_back(f);
        }
        // Fewest differing bytes for the length; on a tie the longer common
        // start, since a check byte can make a wrong address look as near.
        std::sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) {
            if (a.differing * b.length != b.differing * a.length)
                return a.differing * b.length < b.differing * a.length;
            return std::make_tuple(-a.common, a.protocol, a.address, a.order) <
                   std::make_tuple(-b.common, b.protocol, b.address, b.order);
        });
        if (out.size() > limit) out.resize(limit);
        return out;
    }

    // Replays a camera's history on a fresh object and tries each action.
    void Continue(const Hypothesis& h, const std::vector<Action>& candidates, const uint8_t* rest,
                  size_t n, std::vector<Finding>& out) {
        for (const Action& a : candidates) {
            if (!link.Reopen(h.protocol, h.address)) return;
            for (const Action& before : h.history) Run(link, before);
            Run(link, a);
            if (!IsPrefix(link, rest, n)) continue;
            Finding f;
            f.source = Finding::Sequence;
            f.protocol = h.protocol;
            f.address = h.address;
            f.before = h.history;
            f.action = a;
            f.order = OrderOf(a);
            f.length = link.length();
            out.push_back(f);
        }
    }

    // Deeper search for one camera: every preset number, and every pair of
    // a parameterless action followed by another.
    void Search(int p, int a, const uint8_t* rest, size_t n, std::vector<Finding>& out) {
        const Catalogue& cat = Cat();
        auto found = [&](std::vector<Action> before, const Action& act) {
            Finding f;
            f.source = Finding::Search;
            f.protocol = p;
            f.address = a;
            f.before = std::move(before);
            f.action = act;
            f.order = OrderOf(act);
            f.length = link.length();
            out.push_back(f);
        };
        for (const Action& act : cat.presetsAll) {
            if (!link.Reopen(p, a)) return;
            Run(link, act);
            if (IsPrefix(link, rest, n)) found({}, act);
        }
        for (size_t y = 0; y < cat.basic; ++y) {
            bool named = false;  // one earlier action is enough to name it
            for (size_t x = 0; x < cat.basic && !named; ++x) {
                link.Reopen(p, a);
                Run(link, cat.all[x]);
                Run(link, cat.all[y]);
                if (IsPrefix(link, rest, n)) {
                    found({cat.all[x]}, cat.all[y]);
                    named = true;
                }
            }
        }
    }

    // The cameras worth a deeper search: the nearest address of each
    // protocol first (the same packet often belongs to several dialects,
    // and a check byte can make a wrong address look near), then the rest.
    static std::vector<std::pair<int, int>> Cameras(const std::vector<Finding>& near) {
        std::vector<std::pair<int, int>> cams;
        auto add = [&](const Finding& f) {
            const std::pair<int, int> c{f.protocol, f.address};
            if (cams.size() < static_cast<size_t>(kSearchPairs) &&
                std::find(cams.begin(), cams.end(), c) == cams.end())
                cams.push_back(c);
        };
        std::set<int> seen;
        for (const Finding& f : near)
            if (seen.insert(f.protocol).second) add(f);
        for (const Finding& f : near) add(f);
        return cams;
    }

    Segment At(const uint8_t* rest, size_t n, std::vector<Hypothesis>& next) {
        std::vector<Finding> found;
        const Catalogue& cat = Cat();
        for (const Hypothesis& h : hypotheses) {
            const size_t before = found.size();
            Continue(h, cat.all, rest, n, found);
            if (found.size() == before) Continue(h, cat.presetsAll, rest, n, found);
        }
        Exact(rest, n, found);
        size_t best = 0;
        for (const Finding& f : found) best = std::max(best, static_cast<size_t>(f.length));

        // A longer packet a few bytes away may be a known action after
        // kept bytes or with another preset number.
        std::vector<Finding> near = Near(rest, n, best, 4096);
        if (!near.empty()) {
            for (const auto& c : Cameras(near)) Search(c.first, c.second, rest, n, found);
            for (const Finding& f : found) best = std::max(best, static_cast<size_t>(f.length));
        }

        Segment s;
        if (best == 0) {
            s.findings = std::move(near);
            return s;
        }
        s.known = true;
        s.length = best;
        for (Finding& f : found) {
            if (static_cast<size_t>(f.length) != best) continue;
            Hypothesis h{f.protocol, f.address, f.before};
            if (!f.attach) h.history.push_back(f.action);
            if (h.history.size() > static_cast<size_t>(kMaxHistory))
                h.history.erase(h.history.begin());
            if (next.size() < static_cast<size_t>(kMaxHypotheses)) next.push_back(h);
            s.findings.push_back(std::move(f));
        }
        Tidy(s.findings);
        return s;
    }

    // Ranked, and a sequence finding that only repeats an index finding of
    // the same camera and action is dropped.
    static void Tidy(std::vector<Finding>& v) {
        std::set<std::tuple<int, int, std::string>> fresh;
        for (const Finding& f : v)
            if (f.source == Finding::Index) fresh.insert({f.protocol, f.address, f.What()});
        v.erase(std::remove_if(v.begin(), v.end(),
                               [&](const Finding& f) {
                                   return f.source != Finding::Index &&
                                          fresh.count({f.protocol, f.address,
                                                       f.attach ? "open" : f.action.Text()});
                               }),
                v.end());
        std::stable_sort(v.begin(), v.end(), [](const Finding& a, const Finding& b) {
            return std::make_tuple(Rank(a.source), a.protocol, a.address, a.order) <
                   std::make_tuple(Rank(b.source), b.protocol, b.address, b.order);
        });
        // One reading of an action per camera is enough: "zoom-in (after
        // stop)" says it; "(after lens-stop)" too would only repeat it.
        std::set<std::tuple<int, int, int>> named;
        v.erase(std::remove_if(v.begin(), v.end(),
                               [&](const Finding& f) {
                                   return !named.insert({f.protocol, f.address, f.order}).second;
                               }),
                v.end());
    }
};

Index::Index(int threads) : m_impl(new Impl) {
    const auto t0 = Clock::now();
    const int count = static_cast<int>(protocols::All().size());
    threads = std::max(1, std::min(threads, (kProbeChannel - kWorkerChannel) / kProbeCount));

    // Which protocols the library serves. An open that fails costs the
    // port object's 100 ms close, so every index is tried at once, each on
    // a channel of its own; the probes stay open until the end.
    std::vector<std::unique_ptr<Link>> probes;
    std::vector<std::thread> probing;
    for (int p = 0; p < count; ++p) probes.emplace_back(new Link(p, 0, kProbeChannel + p));
    std::vector<char> served(count, 0);
    for (int p = 0; p < count; ++p)
        probing.emplace_back([&, p] { served[p] = probes[p]->Reopen(p, 0); });
    for (std::thread& t : probing) t.join();
    std::vector<int> todo;
    for (int p = 0; p < count; ++p)
        if (served[p]) todo.push_back(p);

    std::vector<Shard> shards(threads);
    std::atomic<int> nextProtocol{0}, busy{0};
    std::deque<SlowTask> slow;
    std::mutex lock;
    std::vector<std::unique_ptr<Worker>> workers;
    for (int w = 0; w < threads; ++w) workers.emplace_back(new Worker(kWorkerChannel + w * kProbeCount));

    auto work = [&](int w) {
        Worker& worker = *workers[w];
        for (;;) {
            ++busy;
            const int next = nextProtocol++;
            if (next < static_cast<int>(todo.size())) {
                std::vector<SlowTask> found;
                worker.Protocol(todo[next], shards[w], found);
                std::lock_guard<std::mutex> g(lock);
                slow.insert(slow.end(), found.begin(), found.end());
                --busy;
                continue;
            }
            SlowTask t{};
            bool have = false;
            {
                std::lock_guard<std::mutex> g(lock);
                if (!slow.empty()) {
                    t = slow.front();
                    slow.pop_front();
                    have = true;
                }
            }
            --busy;
            if (have) {
                worker.Slow(t, shards[w]);
            } else if (busy.load() == 0) {
                std::lock_guard<std::mutex> g(lock);
                if (slow.empty()) return;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    };
    std::vector<std::thread> pool;
    for (int w = 0; w < threads; ++w) pool.emplace_back(work, w);
    for (std::thread& t : pool) t.join();

    m_impl->Finish(shards);
    m_stats.packets = m_impl->entries.size();
    m_stats.protocols = static_cast<int>(todo.size());
    m_stats.milliseconds =
        std::chrono::duration<double, std::milli>(Clock::now() - t0).count();

    for (auto& w : workers) w->Release(m_impl->spent);
    for (auto& probe : probes) m_impl->spent.push_back(std::move(probe));
}

// Each close sleeps 100 ms (the port object's), so the channels are closed
// side by side.
Index::~Index() {
    std::vector<std::thread> closers;
    for (auto& l : m_impl->spent) closers.emplace_back([&l] { l->Close(); });
    closers.emplace_back([this] { m_impl->link.Close(); });
    for (std::thread& t : closers) t.join();
}

void Index::Forget() { m_impl->hypotheses.clear(); }

std::vector<Segment> Index::Identify(const std::vector<uint8_t>& input) {
    std::vector<Segment> out;
    size_t pos = 0;
    while (pos < input.size()) {
        std::vector<Hypothesis> next;
        Segment s = m_impl->At(&input[pos], input.size() - pos, next);
        s.offset = pos;
        if (s.known) {
            m_impl->hypotheses = std::move(next);
            pos += s.length;
            out.push_back(std::move(s));
            continue;
        }
        // Unknown bytes run up to the next place where a known packet starts.
        m_impl->hypotheses.clear();
        size_t end = pos + 1;
        for (; end < input.size(); ++end) {
            std::vector<Finding> probe;
            m_impl->Exact(&input[end], input.size() - end, probe);
            if (!probe.empty()) break;
        }
        s.length = end - pos;
        // Near candidates of the unknown run itself, if it is a whole packet.
        std::vector<Finding> near;
        for (Finding& f : s.findings)
            if (static_cast<size_t>(f.length) == s.length && near.size() < 50) near.push_back(std::move(f));
        s.findings = std::move(near);
        pos = end;
        out.push_back(std::move(s));
    }
    return out;
}

std::string Report(const std::vector<uint8_t>& bytes, const std::vector<Segment>& segments,
                   int maxPerSegment, const std::string& indent) {
    std::string out;
    const bool many = segments.size() > 1;
    for (const Segment& s : segments) {
        out += indent;
        if (many)
            out += "bytes " + std::to_string(s.offset) + "-" +
                   std::to_string(s.offset + s.length - 1) + ": ";
        out += cli::Hex(&bytes[s.offset], s.length) + "\n";
        if (!s.known) out += indent + "  no exact match" + (s.findings.empty() ? "\n" : "; nearest:\n");

        // One line per camera and kind of finding, with all its actions.
        struct Line {
            const Finding* first;
            std::vector<std::string> what;
        };
        std::vector<Line> lines;
        for (const Finding& f : s.findings) {
            Line* same = nullptr;
            for (Line& l : lines)
                if (l.first->source == f.source && l.first->protocol == f.protocol &&
                    l.first->address == f.address && l.first->differing == f.differing)
                    same = &l;
            if (!same) {
                lines.push_back({&f, {}});
                same = &lines.back();
            }
            const std::string w = f.What();
            if (std::find(same->what.begin(), same->what.end(), w) == same->what.end())
                same->what.push_back(w);
        }
        int shown = 0;
        for (const Line& l : lines) {
            if (shown++ == maxPerSegment) {
                out += indent + "  ... and " + std::to_string(lines.size() - maxPerSegment) +
                       " more\n";
                break;
            }
            std::string what;
            for (const std::string& w : l.what) what += (what.empty() ? "" : ", ") + w;
            char head[96];
            std::snprintf(head, sizeof head, "  %c %-27s address %-4d ",
                          l.first->source == Finding::Near ? '~' : '=',
                          protocols::Label(l.first->protocol).c_str(), l.first->address);
            out += indent + head + what;
            if (l.first->source == Finding::Near)
                out += " (" + std::to_string(l.first->differing) + " of " +
                       std::to_string(l.first->length) + " bytes differ)";
            out += "\n";
        }
    }
    return out;
}

}  // namespace identify
