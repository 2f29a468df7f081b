// What the sniffer's parts share: the catalogue of actions it tries, what
// a match says, the decoded pieces of a stream, and the lookup a decoder
// asks (which packets freshly opened protocol objects give).
//
// Every packet comes from the library's capture exports; nothing here knows
// a protocol's layout beforehand.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Actions.h"

namespace sniff {

using Packet = std::vector<uint8_t>;
using actions::Action;
using actions::Link;

constexpr uint16_t kAttach = 0xFFFF;  // the packet of the open itself
constexpr int kAddresses = 256;
constexpr int kIndexedPresets = 16;  // 1..16 looked up directly, 0..255 when searching

// Every action a lookup tries, parameterless ones first.
struct Catalogue {
    std::vector<Action> all;         // ids of lookup entries
    size_t basic = 0;                // all[0..basic) take no preset number
    std::vector<Action> presetsAll;  // every preset action with 0..255
    Catalogue();
};
const Catalogue& Cat();

// Runs an action on a link as a fresh capture call.
void Run(Link& l, const Action& a);
Packet Captured(const Link& l);
bool IsPrefix(const Link& l, const uint8_t* rest, size_t n);
// Actions sort as the action table lists them.
int OrderOf(const Action& a);

struct Finding {
    enum Source { Sequence, Index, Search, Near };
    Source source = Index;
    int protocol = 0;
    int address = 0;
    std::vector<Action> before;  // actions run first on the same object
    Action action;               // the one that produced the packet
    bool attach = false;         // the packet of the open itself
    bool checked = true;         // the protocol's frames carry a check
    int differing = 0;           // Near only: bytes that differ
    int common = 0;              // Near only: length of the equal start
    int order = 0;               // place of the action in the catalogue
    int length = 0;              // packet length
    std::string What() const;    // "stop (after up)"
};

// A piece of a decoded stream.
struct Segment {
    enum Kind {
        Frame,        // a frame whose protocol checks its bytes
        Unconfirmed,  // a match that no check byte confirms
        Noise,        // bytes no frame accounts for
        Incomplete,   // the stream ends inside what starts like a frame
    };
    Kind kind = Noise;
    size_t offset = 0;
    size_t length = 0;
    std::vector<Finding> findings;  // frames: the exact matches; noise: the nearest packets
    bool accounted() const { return kind == Frame || kind == Unconfirmed; }
};

struct BuildStats {
    size_t packets = 0;  // packets captured to build the lookup
    int protocols = 0;
    double milliseconds = 0;
};

// Called now and then while a lookup is built: protocols done, of total.
using Progress = std::function<void(int done, int total)>;

// The packets freshly opened protocol objects give, at every address 0..255
// and for every catalogue action, looked up by the bytes they start with.
class Lookup {
public:
    virtual ~Lookup() = default;
    // Every match whose packet starts `rest`.
    virtual void Exact(const uint8_t* rest, size_t n, std::vector<Finding>& out) = 0;
    // Whether some packet longer than n starts with the n bytes.
    virtual bool Partial(const uint8_t* rest, size_t n) = 0;
    // Packets longer than `longerThan`, at most n long, that differ from the
    // input in a few bytes, best first.
    virtual std::vector<Finding> Near(const uint8_t* rest, size_t n, size_t longerThan,
                                      size_t limit) = 0;
    // Whether the action (a catalogue index) on that camera may give a
    // packet starting `rest` whatever came before it: false only when a
    // byte the action always sends, or its length, rules it out.
    // `loose`: the length and first byte alone (another preset number).
    virtual bool MayStart(int protocol, int address, uint16_t action, const uint8_t* rest, size_t n,
                          bool loose = false) {
        (void)protocol, (void)address, (void)action, (void)rest, (void)n, (void)loose;
        return true;
    }
    // Whether the protocol's frames carry a check: no two of them differ in
    // one byte alone, so a corrupted byte does not make another valid frame.
    bool Checked(int protocol) const {
        return protocol >= 0 && protocol < static_cast<int>(m_checked.size()) && m_checked[protocol];
    }
    const BuildStats& stats() const { return m_stats; }

protected:
    // From packets of each protocol: one list per protocol index.
    void SetChecked(const std::vector<std::vector<Packet>>& packetsByProtocol);
    std::vector<char> m_checked;
    BuildStats m_stats;
};

// Near findings in the order they are shown: fewest differing bytes for
// the length; on a tie the longer common start, since a check byte can make
// a wrong address look as near.
void SortNear(std::vector<Finding>& v);

}  // namespace sniff
