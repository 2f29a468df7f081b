// Splits a byte stream into frames the way a line analyser does: at each
// offset every frame that could start there is tried, frames whose check
// byte confirms them win over frames without one, bytes no frame accounts
// for are reported as noise, and decoding picks up again at the next frame.
// A stream that ends inside something frame-like is reported incomplete.
//
// Beside the lookup's fresh-object packets it follows each camera: the
// actions that could follow what the camera was last sent (kept bytes make
// a stop after "up" differ from a fresh stop), and, where a frame misses a
// known one by a few bytes, every preset number and every pair of actions.
#pragma once

#include <memory>

#include "Sniff.h"

namespace sniff {

class Decoder {
public:
    explicit Decoder(Lookup& lookup);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // A later call continues the sequence of the earlier ones (a monitored
    // line) until Forget.
    std::vector<Segment> Decode(const std::vector<uint8_t>& bytes);
    void Forget();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Whether every byte belongs to a frame.
bool AllAccounted(const std::vector<Segment>& segments);

}  // namespace sniff
