#include "serial/linewatch.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#endif

namespace velmora {

bool lineHungUp(const LineLook& look) {
#ifdef Q_OS_UNIX
    if (!look.polled || !look.counted) return true;
    if (look.revents & (POLLHUP | POLLERR | POLLNVAL)) return true;
    return (look.revents & POLLIN) != 0 && look.waiting == 0;
#else
    Q_UNUSED(look);
    return false;
#endif
}

LineLook lookAtLine(int fd) {
    LineLook look;
#ifdef Q_OS_UNIX
    look.counted = ::ioctl(fd, FIONREAD, &look.waiting) >= 0;
    if (look.counted && look.waiting > 0) {
        // Bytes to read: the line is there. (A hung-up line fails the count instead.) While
        // data streams this is the look's only system call.
        look.polled = true;
        look.revents = POLLIN;
        return look;
    }
    pollfd pfd{fd, POLLIN, 0};
    look.polled = ::poll(&pfd, 1, 0) >= 0;
    look.revents = pfd.revents;
#else
    Q_UNUSED(fd);
    look.polled = look.counted = true;
#endif
    return look;
}

}  // namespace velmora
