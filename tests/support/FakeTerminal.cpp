#include "FakeTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

// Reads what fd holds now into out; false once it has ended (end of file,
// or the EIO of a master whose slaves are all closed).
bool ReadAvailable(int fd, std::string& out) {
    char buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return n < 0 && errno == EAGAIN;   // still open, nothing more yet
        }
    }
}

}  // namespace

std::string VisibleText(const std::string& raw) {
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c == 0x1b) {
            if (i + 1 >= raw.size()) break;
            const unsigned char k = static_cast<unsigned char>(raw[i + 1]);
            if (k == '[') {
                size_t j = i + 2;
                while (j < raw.size() && raw[j] >= 0x20 && raw[j] <= 0x3f) j++;
                i = j + 1;
            } else if (k == 'O' || (k >= 0x20 && k <= 0x2f)) {
                i += 3;   // SS3 x, or a character set choice like ESC ( B
            } else {
                i += 2;
            }
            continue;
        }
        if (c >= 0x20 && c != 0x7f) out += static_cast<char>(c);
        i++;
    }
    return out;
}

bool SameModes(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

FakeTerminal::FakeTerminal(const Setup& setup) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const char* name = ptsname(master_);
    if (name == nullptr) return;
    const std::string slaveName = name;
    // Kept open here too: the modes stay readable after the program ends,
    // and reading the master never fails for want of a slave.
    slave_ = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) return;
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(setup.Height);
    ws.ws_col = static_cast<unsigned short>(setup.Width);
    ioctl(slave_, TIOCSWINSZ, &ws);
    tcgetattr(slave_, &before_);

    int errPipe[2];
    if (pipe(errPipe) != 0) return;

    // Built before fork: the child only calls what is safe after it.
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; e++) {
        std::string v = *e;
        if (v.rfind("TERM=", 0) == 0 || v.rfind("LANG=", 0) == 0 || v.rfind("LC_", 0) == 0 ||
            v.rfind("TMUX", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back("TERM=" + setup.Term);
    env.push_back("LANG=C.UTF-8");
    std::vector<char*> envp;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = setup.Argv;
    std::vector<char*> argp;
    for (std::string& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    const std::string workdir = setup.Workdir;

    pid_ = fork();
    if (pid_ == 0) {
        setsid();
        int tty = open(slaveName.c_str(), O_RDWR);   // the session's controlling terminal
        if (tty < 0) _exit(126);
        ioctl(tty, TIOCSCTTY, 0);
        dup2(tty, 0);
        dup2(tty, 1);
        dup2(errPipe[1], 2);
        if (tty > 2) close(tty);
        close(errPipe[0]);
        close(errPipe[1]);
        close(master_);
        close(slave_);
        if (!workdir.empty() && chdir(workdir.c_str()) != 0) _exit(126);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    close(errPipe[1]);
    err_ = errPipe[0];
    if (pid_ < 0) return;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(err_, F_SETFL, fcntl(err_, F_GETFL) | O_NONBLOCK);
    ok_ = true;
}

FakeTerminal::~FakeTerminal() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        int st = 0;
        waitpid(pid_, &st, 0);
    }
    for (int fd : {master_, slave_, err_})
        if (fd >= 0) close(fd);
}

std::string FakeTerminal::Text() const { return VisibleText(raw_); }

termios FakeTerminal::ModesNow() const {
    if (ended_) return after_;
    termios t{};
    tcgetattr(slave_, &t);
    return t;
}

void FakeTerminal::Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            Pump(10);   // the program is behind: let it catch up
        } else {
            return;
        }
    }
}

bool FakeTerminal::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        Pump(static_cast<int>(std::min<long long>(left, 100)));
    }
    return true;
}

bool FakeTerminal::WaitForRaw(const std::string& bytes, int timeoutMs, size_t from) {
    return WaitUntil([&] { return raw_.find(bytes, from) != std::string::npos; }, timeoutMs);
}

bool FakeTerminal::WaitForText(const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return Text().find(text) != std::string::npos; }, timeoutMs);
}

int FakeTerminal::WaitExit(int timeoutMs) {
    int status = -1;
    bool gone = WaitUntil(
        [&] {
            int st = 0;
            if (waitpid(pid_, &st, WNOHANG) != pid_) return false;
            status = st;
            return true;
        },
        timeoutMs);
    if (!gone) return -1;
    ended_ = true;
    // What it wrote last: with our copy of the slave closed too, the master
    // reads everything still on its way and then fails, and the stderr pipe
    // reads its end.
    tcgetattr(slave_, &after_);
    close(slave_);
    slave_ = -1;
    bool masterOpen = true, errOpen = true;
    WaitUntil([&] {
        if (masterOpen) masterOpen = ReadAvailable(master_, raw_);
        if (errOpen) errOpen = ReadAvailable(err_, errText_);
        return !masterOpen && !errOpen;
    });
    return status;
}

bool FakeTerminal::Pump(int timeoutMs) {
    pollfd p[2] = {{master_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (poll(p, 2, timeoutMs) <= 0) return false;
    bool got = false;
    char buf[4096];
    if (p[0].revents & POLLIN) {
        ssize_t n = read(master_, buf, sizeof buf);
        if (n > 0) raw_.append(buf, static_cast<size_t>(n)), got = true;
    }
    if (p[1].revents & (POLLIN | POLLHUP)) {
        ssize_t n = read(err_, buf, sizeof buf);
        if (n > 0) errText_.append(buf, static_cast<size_t>(n)), got = true;
    }
    return got;
}
