// trevalo monitor: a sniffer for a serial line. Bytes arrive through the
// library's host-window receiver for "DVR".
#pragma once

#include <string>

#include "Actions.h"
#include "Ports.h"

namespace monitor {

struct Settings {
    actions::LineSettings line;
    std::string portDescription;
    ports::Port port;
    int protocol = 6;        // accepted for old scripts; the port opens without a protocol
    bool identify = false;
    long gapMs = 20;         // a pause this long ends a burst
    long durationMs = -1;    // -1: until interrupted
    long maxBytes = -1;      // -1: no limit
    int maxLines = 5;        // names per packet
};

int Run(const Settings& settings);

}  // namespace monitor
