// The exhaustive lookup: every packet of every protocol, address and
// catalogue action captured up front into one hashed table (about a
// million packets, most of a second and some 80 MB). The sniffer answers
// from FrameIndex instead; this one stays as the reference the lazy lookup
// is compared against, and behind identify's hidden --full-index.
#pragma once

#include <memory>

#include "Sniff.h"

namespace sniff {

class FullIndex : public Lookup {
public:
    // Builds the whole table; call inside a Scratch.
    explicit FullIndex(int threads = 8, const Progress& progress = nullptr);
    ~FullIndex() override;

    void Exact(const uint8_t* rest, size_t n, std::vector<Finding>& out) override;
    bool Partial(const uint8_t* rest, size_t n) override;
    std::vector<Finding> Near(const uint8_t* rest, size_t n, size_t longerThan, size_t limit) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace sniff
