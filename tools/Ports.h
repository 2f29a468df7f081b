// --port DEVICE|COMn and the line settings of send and monitor.
#pragma once

#include <string>

#include "Actions.h"
#include "Cli.h"

namespace ports {

struct Port {
    int com = 0;
    std::string description;  // "COM1 (/dev/pts/3)"
};

// COMn uses n as it is; a device path or a socket:// or rfc2217:// URL is
// mapped to a free COM number through TREVALO_COM<n> (or the number that
// already names it).
Port Resolve(const std::string& text);

// --baud, --parity, --data and --stop, checked.
actions::LineSettings Settings(const cli::Options& options, int com);

}  // namespace ports
