// The sniffer's lookup, built lazily from the library's own capture output.
//
// At start each protocol runs the catalogue on three objects (addresses
// 0x55, 0xAA and 0x0F, each in another order of actions): a few thousand
// capture calls instead of a million. For each action that gives the
// packet's length, the bytes every probe agrees on, and the byte that
// carries the address, if one moves with it. A lookup keeps the actions
// whose agreed bytes match, reads the address off the input, and confirms
// by capturing that one packet on a freshly opened object. An action with
// no such byte (an address spread over digits, lengths that vary) has its
// 256 packets captured the first time it is needed.
#pragma once

#include <memory>
#include <string>

#include "Sniff.h"

namespace sniff {

class FrameIndex : public Lookup {
public:
    // Call inside a Scratch.
    explicit FrameIndex(const Progress& progress = nullptr, int threads = 2);
    ~FrameIndex() override;

    void Exact(const uint8_t* rest, size_t n, std::vector<Finding>& out) override;
    bool Partial(const uint8_t* rest, size_t n) override;
    std::vector<Finding> Near(const uint8_t* rest, size_t n, size_t longerThan, size_t limit) override;
    bool MayStart(int protocol, int address, uint16_t action, const uint8_t* rest, size_t n,
                  bool loose) override;

    // Actions whose 256 packets had to be captured so far, of all actions.
    size_t materialised() const;
    size_t templates() const;
    std::string Describe() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace sniff
