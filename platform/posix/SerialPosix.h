// Internals of the POSIX serial port that the tests reach as well.
#pragma once

#include <termios.h>

#include "platform/Serial.h"
#include "platform/posix/SerialRate.h"

namespace platform {
namespace posix {

// Fills t, as read from the tty, with the line's settings in raw mode; a
// rate without a B constant gets B9600 here and its exact value afterwards
// through SetArbitraryRate. False for settings the line cannot take.
bool TermiosFor(const SerialLine& line, termios& t);
// True when the rate has no B constant.
bool NeedsArbitraryRate(uint32_t baud);

}  // namespace posix
}  // namespace platform
