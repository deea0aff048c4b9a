#include "TerminalModes.h"

#include <unistd.h>

bool TerminalModes::Enter(int fd) {
    if (tcgetattr(fd, &found_) != 0) return false;
    termios t = found_;
    // Ctrl-S, Ctrl-Q, Ctrl-V, Ctrl-O reach the program and CR stays CR.
    // Signals stay on, but only Ctrl-C makes one (Ctrl-Z and Ctrl-\ are keys).
    t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    t.c_lflag |= ISIG;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSUSP] = _POSIX_VDISABLE;
    t.c_cc[VQUIT] = _POSIX_VDISABLE;
#ifdef VDSUSP
    t.c_cc[VDSUSP] = _POSIX_VDISABLE;
#endif
    t.c_cc[VLNEXT] = _POSIX_VDISABLE;
    t.c_cc[VDISCARD] = _POSIX_VDISABLE;
    // TCSANOW, not TCSAFLUSH: keys typed ahead are kept.
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    fd_ = fd;
    keys_ = t;
    changed_ = true;
    return true;
}

void TerminalModes::Leave() {
    if (changed_) tcsetattr(fd_, TCSANOW, &found_);
    changed_ = false;
}
