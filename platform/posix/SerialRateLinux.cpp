#include "platform/posix/SerialRate.h"

#ifdef __linux__
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace platform {
namespace posix {

#ifdef __linux__

bool SetArbitraryRate(int fd, unsigned rate) {
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = rate;
    t.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &t) == 0;
}

unsigned OutputRate(int fd) {
    struct termios2 t;
    return ioctl(fd, TCGETS2, &t) == 0 ? t.c_ospeed : 0;
}

unsigned InputRate(int fd) {
    struct termios2 t;
    return ioctl(fd, TCGETS2, &t) == 0 ? t.c_ispeed : 0;
}

#else

// Other systems have no portable way to set a rate without a B constant.
bool SetArbitraryRate(int, unsigned) { return false; }
unsigned OutputRate(int) { return 0; }
unsigned InputRate(int) { return 0; }

#endif

}  // namespace posix
}  // namespace platform
