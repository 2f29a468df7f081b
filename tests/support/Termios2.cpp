// Apart from the tests that use <termios.h>: the kernel's termios2 header
// defines the same names.
#include "support/Termios2.h"

#ifdef __linux__
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

#include <cerrno>

namespace pttest {

int Termios2Errno(int fd) {
#ifdef __linux__
    struct termios2 t;
    return ioctl(fd, TCGETS2, &t) == 0 ? 0 : errno;
#else
    (void)fd;
    return ENOTTY;
#endif
}

}  // namespace pttest
