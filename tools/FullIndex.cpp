#include "FullIndex.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "Protocols.h"

namespace sniff {
namespace {

using Clock = std::chrono::steady_clock;

// Addresses at which an action's dependence on earlier actions is probed.
constexpr int kProbes[] = {1, 2, 200};
constexpr int kProbeCount = 3;
// An action that sleeps even in capture mode is swept in parallel blocks.
constexpr long kSlowMicros = 1000;
constexpr int kSlowBlock = 16;
// Channel 0 is the command's own (monitor opens its port there). Build
// workers use channels from kWorkerChannel (kProbeCount each), protocol probes
// from here.
constexpr int kWorkerChannel = 1;
constexpr int kProbeChannel = 160;

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

}  // namespace

struct FullIndex::Impl {
    std::vector<uint8_t> bytes;
    std::vector<Entry> entries;         // grouped by hash bucket
    std::vector<uint32_t> bucketStart;  // size buckets + 1
    int bucketBits = 1;
    std::vector<size_t> lengths;        // distinct packet lengths
    // Every channel used, closed together at the end.
    std::vector<std::unique_ptr<Link>> spent;

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
        SortNear(out);
        if (out.size() > limit) out.resize(limit);
        return out;
    }
};

FullIndex::FullIndex(int threads, const Progress& progress) : m_impl(new Impl) {
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
    int protocolsDone = 0;  // under the lock
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
                if (progress) progress(++protocolsDone, static_cast<int>(todo.size()));
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

    // Whether a protocol checks its frames, from the addresses the lazy
    // lookup probes, so both judge alike.
    std::vector<std::vector<Packet>> byProtocol(count);
    for (const Entry& e : m_impl->entries)
        if (e.address == 0x55 || e.address == 0xAA || e.address == 0x0F)
            byProtocol[e.protocol].emplace_back(&m_impl->bytes[e.offset],
                                                &m_impl->bytes[e.offset] + e.length);
    SetChecked(byProtocol);

    for (auto& w : workers) w->Release(m_impl->spent);
    for (auto& probe : probes) m_impl->spent.push_back(std::move(probe));
}

// Each close sleeps 100 ms (the port object's), so the channels are closed
// side by side.
FullIndex::~FullIndex() {
    std::vector<std::thread> closers;
    for (auto& l : m_impl->spent) closers.emplace_back([&l] { l->Close(); });
    for (std::thread& t : closers) t.join();
}

void FullIndex::Exact(const uint8_t* rest, size_t n, std::vector<Finding>& out) {
    m_impl->Exact(rest, n, out);
    for (Finding& f : out) f.checked = Checked(f.protocol);
}

bool FullIndex::Partial(const uint8_t* rest, size_t n) {
    for (const Entry& e : m_impl->entries)
        if (e.length > n && std::memcmp(&m_impl->bytes[e.offset], rest, n) == 0) return true;
    return false;
}

std::vector<Finding> FullIndex::Near(const uint8_t* rest, size_t n, size_t longerThan, size_t limit) {
    std::vector<Finding> out = m_impl->Near(rest, n, longerThan, limit);
    for (Finding& f : out) f.checked = Checked(f.protocol);
    return out;
}

}  // namespace sniff
