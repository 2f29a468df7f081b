// --port DEVICE|COMn and the line settings of send and monitor.
#pragma once

#include <string>

#include "Actions.h"
#include "Cli.h"

namespace ports {

struct Port {
    int com = 0;
    std::string device;       // the device the library will open for `com`
    std::string lookup;       // for COMn without TREVALO_COMn: how `device` was found
    std::string description;  // "COM1 (/dev/pts/3)"
};

// COMn uses n as it is; a device path or a socket:// or rfc2217:// URL is
// mapped to a free COM number through TREVALO_COM<n> (or the number that
// already names it).
Port Resolve(const std::string& text);

// --baud, --parity, --data and --stop, checked; a rate the library cannot
// set exactly gets a warning on standard error.
actions::LineSettings Settings(const cli::Options& options, int com);

// Why the port cannot be opened now ("Device or resource busy", "not a
// tty", ...), or empty when nothing is in the way. A missing, busy or
// wrong device is known at once, where the library's open would retry
// for a second and say nothing.
std::string WhyNotOpen(const Port& port);

// The message for a serial open that failed: the port, its device and the
// reason as far as the tool can tell.
std::string OpenFailure(const Port& port);

}  // namespace ports
