#include "Decoder.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <map>
#include <set>
#include <tuple>

namespace sniff {
namespace {

constexpr int kMaxHypotheses = 16;
constexpr int kMaxHistory = 6;
constexpr int kSearchPairs = 6;
constexpr int kReplayChannel = 250;
// Replayed packets kept; beyond this the cache starts again.
constexpr size_t kReplayCacheLimit = 1 << 16;
// Where the decoder checks whether a protocol keeps state in a file.
constexpr int kStateAddress = 7;
// A noise run gets nearest packets when it could be one frame.
constexpr size_t kNearMin = 2, kNearMax = 32;
// The deeper search runs where a frame misses a checked one by this many
// bytes at most, of at least this length: a mistyped preset number or
// kept bytes, not chance.
constexpr int kSearchMaxDiffering = 2;
constexpr int kSearchMinLength = 5;

// A camera the frames so far may come from, with what it was sent.
struct Hypothesis {
    int protocol;
    int address;
    std::vector<Action> history;
};

bool IsPrefix(const Packet& pk, const uint8_t* rest, size_t n) {
    return !pk.empty() && pk.size() <= n && std::memcmp(pk.data(), rest, pk.size()) == 0;
}

int Rank(Finding::Source s) { return static_cast<int>(s); }

// The catalogue entry of the same preset action with number 1: the shape
// every number of it shares. Computed once for every preset number.
uint16_t Twin(size_t presetIndex) {
    static const std::vector<uint16_t> twins = [] {
        const std::vector<Action>& all = Cat().all;
        std::vector<uint16_t> t;
        for (const Action& a : Cat().presetsAll) {
            size_t i = Cat().basic;
            while (i < all.size() && all[i].def != a.def) ++i;
            t.push_back(static_cast<uint16_t>(i < all.size() ? i : 0));
        }
        return t;
    }();
    return twins[presetIndex];
}

}  // namespace

struct Decoder::Impl {
    Lookup& lookup;
    Link link{0, 0, kReplayChannel};
    std::vector<Hypothesis> hypotheses;

    explicit Impl(Lookup& l) : lookup(l) { link.KeepSpeedFile(); }

    // What a fresh object at the camera gives for the history then the
    // action; nullptr when the protocol cannot be opened there. Each replay
    // costs a fresh open, and the same cameras and histories come back
    // frame after frame, so packets are kept, except for protocols that
    // keep state in a file: their packets depend on what ran before.
    struct Replayed {
        bool opened;
        Packet packet;
    };
    std::unordered_map<std::string, Replayed> replays;
    std::unordered_map<int, bool> fileState;
    const Packet* Replay(int p, int a, const std::vector<Action>* history, const Action* extra,
                         const Action& action) {
        if (FileState(p)) {
            if (!link.Reopen(p, a)) return nullptr;
            for (const Action& before : *history) Run(link, before);
            if (extra) Run(link, *extra);
            Run(link, action);
            scratch = Captured(link);
            return &scratch;
        }
        // A protocol whose objects keep nothing gives what a fresh object does.
        static const std::vector<Action> none;
        if (Forgetful(p)) {
            history = &none;
            extra = nullptr;
        }
        std::string key;
        auto put = [&key](int v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); };
        auto putAction = [&](const Action& x) {
            put(static_cast<int>(x.def - actions::Table().data()));
            put(x.arg);
        };
        put(p);
        put(a);
        for (const Action& before : *history) putAction(before);
        if (extra) putAction(*extra);
        putAction(action);
        auto it = replays.find(key);
        if (it == replays.end()) {
            if (replays.size() >= kReplayCacheLimit) replays.clear();
            Replayed r{link.Reopen(p, a), {}};
            if (r.opened) {
                for (const Action& before : *history) Run(link, before);
                if (extra) Run(link, *extra);
                Run(link, action);
                r.packet = Captured(link);
            }
            it = replays.emplace(std::move(key), std::move(r)).first;
        }
        return it->second.opened ? &it->second.packet : nullptr;
    }
    Packet scratch;

    // Whether an action's packet on a fresh object depends on what other
    // objects of the protocol were sent before (state kept in a file).
    bool FileState(int p) {
        auto it = fileState.find(p);
        if (it != fileState.end()) return it->second;
        const Catalogue& cat = Cat();
        bool kept = false;
        if (link.Reopen(p, kStateAddress)) {
            Run(link, cat.all[0]);
            const Packet first = Captured(link);
            for (size_t x = 1; x < cat.basic; ++x) {
                link.Reopen(p, kStateAddress);
                Run(link, cat.all[x]);
            }
            link.Reopen(p, kStateAddress);
            Run(link, cat.all[0]);
            kept = Captured(link) != first;
        }
        return fileState[p] = kept;
    }

    // Whether the protocol's objects keep nothing from one action to the
    // next: each action, parameterless or preset, gives on a fresh object
    // what it gives after every other action in the catalogue's order and
    // in reverse.
    std::unordered_map<int, bool> forgetful;
    bool Forgetful(int p) {
        auto it = forgetful.find(p);
        if (it != forgetful.end()) return it->second;
        const std::vector<Action>& all = Cat().all;
        std::vector<Packet> forward(all.size());
        bool same = link.Reopen(p, kStateAddress);
        for (size_t x = 0; x < all.size() && same; ++x) {
            Run(link, all[x]);
            forward[x] = Captured(link);
        }
        for (size_t x = all.size(); x-- > 0 && same;) {
            Run(link, all[x]);
            same = Captured(link) == forward[x];
        }
        for (size_t x = 0; x < all.size() && same; ++x) {
            link.Reopen(p, kStateAddress);
            Run(link, all[x]);
            same = Captured(link) == forward[x];
        }
        return forgetful[p] = same;
    }

    // Tries each action after a camera's history.
    void Continue(const Hypothesis& h, bool presets, const uint8_t* rest, size_t n,
                  std::vector<Finding>& out) {
        const Catalogue& cat = Cat();
        const std::vector<Action>& list = presets ? cat.presetsAll : cat.all;
        for (size_t x = 0; x < list.size(); ++x) {
            const Action& a = list[x];
            const uint16_t id = presets ? Twin(x) : static_cast<uint16_t>(x);
            if (!lookup.MayStart(h.protocol, h.address, id, rest, n, presets)) continue;
            const Packet* pk = Replay(h.protocol, h.address, &h.history, nullptr, a);
            if (!pk) return;
            if (!IsPrefix(*pk, rest, n)) continue;
            Finding f;
            f.source = Finding::Sequence;
            f.protocol = h.protocol;
            f.address = h.address;
            f.before = h.history;
            f.action = a;
            f.order = OrderOf(a);
            f.length = static_cast<int>(pk->size());
            f.checked = lookup.Checked(h.protocol);
            out.push_back(f);
        }
    }

    // Deeper search for one camera: every preset number, and every pair of
    // a parameterless action followed by another.
    void Search(int p, int a, const uint8_t* rest, size_t n, std::vector<Finding>& out) {
        const Catalogue& cat = Cat();
        auto found = [&](std::vector<Action> before, const Action& act, const Packet& pk) {
            Finding f;
            f.source = Finding::Search;
            f.protocol = p;
            f.address = a;
            f.before = std::move(before);
            f.action = act;
            f.order = OrderOf(act);
            f.length = static_cast<int>(pk.size());
            f.checked = lookup.Checked(p);
            out.push_back(f);
        };
        const std::vector<Action> none;
        for (size_t x = 0; x < cat.presetsAll.size(); ++x) {
            const Action& act = cat.presetsAll[x];
            if (!lookup.MayStart(p, a, Twin(x), rest, n, true)) continue;
            const Packet* pk = Replay(p, a, &none, nullptr, act);
            if (!pk) return;
            if (IsPrefix(*pk, rest, n)) found({}, act, *pk);
        }
        for (size_t y = 0; y < cat.basic; ++y) {
            if (!lookup.MayStart(p, a, static_cast<uint16_t>(y), rest, n)) continue;
            for (size_t x = 0; x < cat.basic; ++x) {
                const Packet* pk = Replay(p, a, &none, &cat.all[x], cat.all[y]);
                // One earlier action is enough to name it.
                if (pk && IsPrefix(*pk, rest, n)) {
                    found({cat.all[x]}, cat.all[y], *pk);
                    break;
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

    // Everything exact at an offset: what follows the cameras so far, then
    // the lookup's fresh-object packets (computed once per offset).
    std::map<size_t, std::vector<Finding>> memo;
    std::map<size_t, std::vector<Finding>> following;  // until the cameras change
    // The reference lives until the cameras change or decoding moves past pos.
    const std::vector<Finding>& At(const std::vector<uint8_t>& in, size_t pos) {
        auto known = following.find(pos);
        if (known != following.end()) return known->second;
        const uint8_t* rest = &in[pos];
        const size_t n = in.size() - pos;
        std::vector<Finding> found;
        for (const Hypothesis& h : hypotheses) {
            const size_t before = found.size();
            Continue(h, false, rest, n, found);
            if (found.size() == before) Continue(h, true, rest, n, found);
        }
        auto it = memo.find(pos);
        if (it == memo.end()) {
            std::vector<Finding> fresh;
            lookup.Exact(rest, n, fresh);
            it = memo.emplace(pos, std::move(fresh)).first;
        }
        found.insert(found.end(), it->second.begin(), it->second.end());
        return following[pos] = std::move(found);
    }

    // The longest of the findings that fit in `room` bytes and are (or are
    // not) checked; 0 when there is none.
    static size_t Longest(const std::vector<Finding>& v, bool checked, size_t room) {
        size_t best = 0;
        for (const Finding& f : v)
            if (f.checked == checked && static_cast<size_t>(f.length) <= room)
                best = std::max(best, static_cast<size_t>(f.length));
        return best;
    }

    // Where a frame whose check confirms it starts next, after pos; kept
    // until the cameras followed change.
    size_t nextChecked = 0;
    bool nextKnown = false;
    size_t NextChecked(const std::vector<uint8_t>& in, size_t pos) {
        if (nextKnown && nextChecked > pos) return nextChecked;
        size_t q = pos + 1;
        while (q < in.size() && !Longest(At(in, q), true, in.size() - q)) ++q;
        nextChecked = q < in.size() ? q : in.size();
        nextKnown = true;
        return nextChecked;
    }

    // The longest unchecked finding at pos that no checked frame crosses.
    size_t Uncrossed(const std::vector<uint8_t>& in, size_t pos, const std::vector<Finding>& found) {
        std::vector<size_t> lengths;
        for (const Finding& f : found)
            if (!f.checked) lengths.push_back(static_cast<size_t>(f.length));
        std::sort(lengths.rbegin(), lengths.rend());
        for (size_t len : lengths) {
            bool crossed = false;
            for (size_t q = pos + 1; q < pos + len && !crossed; ++q) {
                const size_t l = Longest(At(in, q), true, in.size() - q);
                crossed = l && q + l > pos + len;
            }
            if (!crossed) return len;
        }
        return 0;
    }

    Segment Take(std::vector<Finding>& found, bool checked, size_t length, size_t pos) {
        Segment s;
        s.kind = checked ? Segment::Frame : Segment::Unconfirmed;
        s.offset = pos;
        s.length = length;
        std::vector<Hypothesis> next;
        // A checked frame also names the protocols without a check that
        // give the same bytes: the split is the checked one's, the readings
        // are all exact.
        for (Finding& f : found) {
            if ((!checked && f.checked) || static_cast<size_t>(f.length) != length) continue;
            Hypothesis h{f.protocol, f.address, f.before};
            if (!f.attach) h.history.push_back(f.action);
            if (h.history.size() > static_cast<size_t>(kMaxHistory)) h.history.erase(h.history.begin());
            if (next.size() < static_cast<size_t>(kMaxHypotheses)) next.push_back(h);
            s.findings.push_back(std::move(f));
        }
        Tidy(s.findings);
        hypotheses = std::move(next);
        nextKnown = false;
        following.clear();
        return s;
    }

    // A frame that misses a checked packet by a byte or two: search the
    // nearest cameras more deeply.
    std::vector<Finding> Deeper(const uint8_t* rest, size_t n) {
        std::vector<Finding> near = lookup.Near(rest, n, kSearchMinLength - 1, 4096);
        near.erase(std::remove_if(near.begin(), near.end(),
                                  [](const Finding& f) {
                                      return !f.checked || f.differing > kSearchMaxDiffering ||
                                             f.length < kSearchMinLength;
                                  }),
                   near.end());
        std::vector<Finding> found;
        for (const auto& c : Cameras(near)) Search(c.first, c.second, rest, n, found);
        return found;
    }

    std::vector<Segment> Decode(const std::vector<uint8_t>& in) {
        memo.clear();
        following.clear();
        std::vector<Segment> out;
        size_t pos = 0;
        nextKnown = false;
        while (pos < in.size()) {
            memo.erase(memo.begin(), memo.lower_bound(pos));
            following.erase(following.begin(), following.lower_bound(pos));
            const size_t n = in.size() - pos;
            std::vector<Finding> found = At(in, pos);
            if (size_t len = Longest(found, true, n)) {
                out.push_back(Take(found, true, len, pos));
                pos += len;
                continue;
            }
            // A frame without a check stands only where no frame with one
            // starts inside it and runs past its end.
            if (size_t len = Uncrossed(in, pos, found)) {
                out.push_back(Take(found, false, len, pos));
                pos += len;
                continue;
            }
            const size_t q = NextChecked(in, pos);
            found = Deeper(&in[pos], q - pos);
            if (size_t len = Longest(found, true, q - pos)) {
                out.push_back(Take(found, true, len, pos));
                pos += len;
                continue;
            }
            // Noise up to where some frame starts; at the end, what starts
            // like a frame is incomplete.
            auto partial = [&](size_t at) {
                return q == in.size() && lookup.Partial(&in[at], in.size() - at);
            };
            if (partial(pos)) {
                Segment s;
                s.kind = Segment::Incomplete;
                s.offset = pos;
                s.length = n;
                out.push_back(std::move(s));
                break;
            }
            size_t end = pos + 1;
            while (end < q && !Longest(At(in, end), false, in.size() - end) && !partial(end)) ++end;
            Segment s;
            s.kind = Segment::Noise;
            s.offset = pos;
            s.length = end - pos;
            if (s.length >= kNearMin && s.length <= kNearMax) {
                for (Finding& f : lookup.Near(&in[pos], s.length, 0, 4096))
                    if (static_cast<size_t>(f.length) == s.length && s.findings.size() < 50)
                        s.findings.push_back(std::move(f));
            }
            out.push_back(std::move(s));
            pos = end;
        }
        memo.clear();
        return out;
    }
};

Decoder::Decoder(Lookup& lookup) : m_impl(new Impl(lookup)) {}
Decoder::~Decoder() = default;

std::vector<Segment> Decoder::Decode(const std::vector<uint8_t>& bytes) { return m_impl->Decode(bytes); }
void Decoder::Forget() { m_impl->hypotheses.clear(); }

bool AllAccounted(const std::vector<Segment>& segments) {
    for (const Segment& s : segments)
        if (!s.accounted()) return false;
    return true;
}

}  // namespace sniff
