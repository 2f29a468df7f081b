// Rates without a B constant (14400, 56000, 128000, 256000). Kept apart
// from SerialPosix.cpp because the kernel's termios2 header clashes with
// <termios.h>.
#pragma once

namespace platform {
namespace posix {

// Sets input and output rate exactly; false where the system cannot.
bool SetArbitraryRate(int fd, unsigned rate);
// The output rate the tty runs at, in bits per second (0 if unknown).
unsigned OutputRate(int fd);
// The input rate, likewise.
unsigned InputRate(int fd);

}  // namespace posix
}  // namespace platform
