#pragma once

namespace pttest {

// 0 when TCGETS2 works on fd, else its errno. qemu-user does not translate
// the termios2 ioctls, so rates without a B constant cannot be checked there.
int Termios2Errno(int fd);

}  // namespace pttest
