// Names the protocol, address and action behind captured bytes by searching
// the library's own capture output.
//
// The index holds, for every protocol the library serves, every address
// 0..255 and every action of the catalogue, the packet that action yields
// on a freshly opened object. Lookups split a byte stream into packets and
// also try, for each packet, the actions that could follow the packets
// before it on the same camera (kept bytes make a stop after "up" differ
// from a fresh stop), and a deeper search (other preset numbers, one
// earlier action) where nothing in the index fits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Actions.h"

namespace identify {

struct Finding {
    enum Source { Sequence, Index, Search, Near };
    Source source = Index;
    int protocol = 0;
    int address = 0;
    std::vector<actions::Action> before;  // actions run first on the same object
    actions::Action action;               // the one that produced the packet
    bool attach = false;                  // the packet of the open itself
    int differing = 0;                    // Near only: bytes that differ
    int common = 0;                       // Near only: length of the equal start
    int order = 0;                        // place of the action in the catalogue
    int length = 0;                       // packet length
    std::string What() const;             // "stop (after up)"
};

struct Segment {
    size_t offset = 0;
    size_t length = 0;
    bool known = false;
    std::vector<Finding> findings;  // ranked: exact first
};

struct BuildStats {
    size_t packets = 0;
    int protocols = 0;
    double milliseconds = 0;
};

class Index {
public:
    // Builds the whole table; call inside a Scratch.
    explicit Index(int threads = 8);
    ~Index();
    Index(const Index&) = delete;
    Index& operator=(const Index&) = delete;

    const BuildStats& stats() const { return m_stats; }

    // Splits the bytes into packets and names each. A later call continues
    // the sequence of the earlier ones (a monitored line) until Forget.
    std::vector<Segment> Identify(const std::vector<uint8_t>& bytes);
    void Forget();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    BuildStats m_stats;
};

// Human-readable report of segments, at most `maxPerSegment` lines each.
std::string Report(const std::vector<uint8_t>& bytes, const std::vector<Segment>& segments,
                   int maxPerSegment, const std::string& indent = "");

}  // namespace identify
