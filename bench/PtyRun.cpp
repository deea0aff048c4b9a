#include "PtyRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long long NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

}  // namespace

PtyRun::PtyRun(const std::string& term, int cols, int rows, std::function<void()> body) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        perror("posix_openpt");
        std::exit(2);
    }
    winsize ws{};
    ws.ws_col = static_cast<unsigned short>(cols);
    ws.ws_row = static_cast<unsigned short>(rows);
    const std::string slaveName = ptsname(master_);
    pid_ = fork();
    if (pid_ == 0) {
        setsid();
        int slave = open(slaveName.c_str(), O_RDWR);
        if (slave < 0) _exit(127);
        ioctl(slave, TIOCSCTTY, 0);
        ioctl(slave, TIOCSWINSZ, &ws);
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(slave, 2);
        if (slave > 2) close(slave);
        close(master_);
        setenv("TERM", term.c_str(), 1);
        setenv("LANG", "C.UTF-8", 1);
        unsetenv("LC_ALL");
        body();
        _exit(0);
    }
    ioctl(master_, TIOCSWINSZ, &ws);
}

PtyRun::~PtyRun() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
}

void PtyRun::ReadSome(int timeoutMs) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return;
    char buf[4096];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) return;
    result_.Output.append(buf, static_cast<size_t>(n));
    // A terminal answers the cursor-position request and the device
    // attributes request (a VT100 with advanced video); the child would
    // otherwise wait out its timeouts.
    for (;;) {
        size_t cpr = result_.Output.find("\x1b[6n", answered_);
        size_t da = result_.Output.find("\x1b[c", answered_);
        if (cpr == std::string::npos && da == std::string::npos) break;
        if (cpr < da) {
            answered_ = cpr + 4;
            Send("\x1b[1;1R");
        } else {
            answered_ = da + 3;
            Send("\x1b[?1;2c");
        }
    }
    if (result_.Output.size() > 4) answered_ = std::max(answered_, result_.Output.size() - 3);
}

bool PtyRun::WaitFor(const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return result_.Output.find(text) != std::string::npos; }, timeoutMs);
}

bool PtyRun::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    long long end = NowMs() + timeoutMs;
    while (!done()) {
        long long left = end - NowMs();
        if (left <= 0) return false;
        ReadSome(static_cast<int>(left));
    }
    return true;
}

void PtyRun::Drain(int ms) {
    long long end = NowMs() + ms;
    for (long long left = ms; left > 0; left = end - NowMs()) ReadSome(static_cast<int>(left));
}

void PtyRun::Send(const std::string& bytes) {
    if (write(master_, bytes.data(), bytes.size()) < 0) perror("write to pty");
}

void PtyRun::Resize(int cols, int rows) {
    winsize ws{};
    ws.ws_col = static_cast<unsigned short>(cols);
    ws.ws_row = static_cast<unsigned short>(rows);
    ioctl(master_, TIOCSWINSZ, &ws);
}

PtyResult PtyRun::Finish(int timeoutMs) {
    long long end = NowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        rusage ru{};
        pid_t r = wait4(pid_, &status, WNOHANG, &ru);
        if (r == pid_) {
            // Whatever the child wrote last is still in the master's queue.
            for (size_t before = SIZE_MAX; before != result_.Output.size();) {
                before = result_.Output.size();
                ReadSome(50);
            }
            result_.Status = status;
            result_.Usage = ru;
            pid_ = -1;
            return result_;
        }
        if (NowMs() > end) {
            fprintf(stderr, "child did not end; killing it\n");
            kill(pid_, SIGKILL);
        }
        ReadSome(20);
    }
}

std::function<void()> ExecBody(const std::string& path, const std::string& arg) {
    return [path, arg] {
        execl(path.c_str(), path.c_str(), arg.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    };
}
