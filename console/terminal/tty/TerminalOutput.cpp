#include "TerminalOutput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

bool WriteAllTo(int fd, const char* bytes, size_t length, int waitMs) {
    // Only write() and poll() here: both may be called from a signal handler.
    int savedErrno = errno;
    size_t done = 0;
    bool ok = true;
    while (done < length) {
        ssize_t n = write(fd, bytes + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Full: wait until it takes bytes again. A signal only
            // interrupts the wait; its handler has run, and writing goes on.
            pollfd p{fd, POLLOUT, 0};
            int r = poll(&p, 1, waitMs);
            if (r < 0 && errno == EINTR) continue;
            if (r > 0 && !(p.revents & (POLLERR | POLLHUP | POLLNVAL))) continue;
        }
        // EIO, EPIPE, ENXIO, EBADF and the like: the terminal is gone.
        ok = false;
        break;
    }
    errno = savedErrno;
    return ok;
}
