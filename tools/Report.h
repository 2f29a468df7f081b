// The sniffer's output: one block per piece of a decoded stream.
#pragma once

#include <string>
#include <vector>

#include "Sniff.h"

namespace sniff {

// At most `max` lines per piece and `max` actions per line.
std::string Report(const std::vector<uint8_t>& bytes, const std::vector<Segment>& segments, int max,
                   const std::string& indent = "");

// On a terminal, a progress line on standard error while a lookup is built,
// shown once the build has taken a moment; called with done < 0 it clears
// the line. Null when standard error is not a terminal.
Progress TerminalProgress();

}  // namespace sniff
