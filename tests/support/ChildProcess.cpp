#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace {

// The test's environment with the setup's changes.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; e++) env.push_back(*e);
    for (const std::string& c : changes) {
        const size_t eq = c.find('=');
        const bool prefix = eq == std::string::npos && !c.empty() && c.back() == '*';
        const std::string name = eq == std::string::npos ? c.substr(0, c.size() - prefix) : c.substr(0, eq);
        std::erase_if(env, [&](const std::string& v) {
            return prefix ? v.rfind(name, 0) == 0 : v.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (eq != std::string::npos) env.push_back(c);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Appends what fd holds now to out; false once it has ended (end of file,
// or the EIO of a pty master whose slaves are all closed).
bool ReadAvailable(int fd, std::string& out) {
    char buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) out.append(buf, static_cast<size_t>(n));
        else if (n < 0 && errno == EINTR) continue;
        else return n < 0 && errno == EAGAIN;   // still open, nothing more yet
    }
}

void NonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

ChildSetup OnPty(std::vector<std::string> argv, const std::string& term, int width, int height) {
    ChildSetup s;
    s.Argv = std::move(argv);
    s.Env = {"LC_*", "TMUX*", "TERM=" + term, "LANG=C.UTF-8"};
    s.Pty = true;
    s.Width = width;
    s.Height = height;
    return s;
}

namespace {

// What posix_spawn is handed, released however the setup ends.
struct SpawnPlan {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    std::vector<int> theirs;   // the child's ends, closed here once it has started
    SpawnPlan() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnPlan() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        for (int fd : theirs) close(fd);
    }
};

}  // namespace

ChildProcess::ChildProcess(const ChildSetup& setup) {
    // A write to a program that has gone must fail, not end the test.
    signal(SIGPIPE, SIG_IGN);
    SpawnPlan plan;
    posix_spawn_file_actions_t& actions = plan.actions;
    posix_spawnattr_t& attr = plan.attr;
    std::vector<int>& theirs = plan.theirs;
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    short flags = POSIX_SPAWN_SETSIGDEF;

    std::string slaveName;
    if (setup.Pty) {
        outFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const char* name = outFd_ >= 0 && grantpt(outFd_) == 0 && unlockpt(outFd_) == 0 ? ptsname(outFd_) : nullptr;
        if (name == nullptr) return;
        slaveName = name;
        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) return;
        Resize(setup.Width, setup.Height);
        tcgetattr(slave_, &before_);
        in_ = outFd_;
        // A session of its own, where the slave opened first becomes the
        // controlling terminal.
        flags |= POSIX_SPAWN_SETSID;
        posix_spawn_file_actions_addopen(&actions, 0, slaveName.c_str(), O_RDWR, 0);
        posix_spawn_file_actions_adddup2(&actions, 0, 1);
    } else {
        if (setup.NewSession) flags |= POSIX_SPAWN_SETSID;
        int p[2];
        switch (setup.Stdin) {
            case ChildSetup::In::DevNull: posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0); break;
            case ChildSetup::In::File:
                posix_spawn_file_actions_addopen(&actions, 0, setup.StdinFile.c_str(), O_RDONLY, 0);
                break;
            case ChildSetup::In::Closed: posix_spawn_file_actions_addclose(&actions, 0); break;
            case ChildSetup::In::Pipe:
                if (pipe2(p, O_CLOEXEC) != 0) return;
                posix_spawn_file_actions_adddup2(&actions, p[0], 0);
                theirs.push_back(p[0]);
                in_ = p[1];
                break;
        }
        if (setup.CaptureOut) {
            if (pipe2(p, O_CLOEXEC) != 0) return;
            posix_spawn_file_actions_adddup2(&actions, p[1], 1);
            theirs.push_back(p[1]);
            outFd_ = p[0];
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        }
    }
    switch (setup.Stderr) {
        case ChildSetup::Err::Pipe: {
            int p[2];
            if (pipe2(p, O_CLOEXEC) != 0) return;
            posix_spawn_file_actions_adddup2(&actions, p[1], 2);
            theirs.push_back(p[1]);
            errFd_ = p[0];
            break;
        }
        case ChildSetup::Err::SameAsOut: posix_spawn_file_actions_adddup2(&actions, 1, 2); break;
        case ChildSetup::Err::DevNull: posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0); break;
        case ChildSetup::Err::Closed: posix_spawn_file_actions_addclose(&actions, 2); break;
        case ChildSetup::Err::Full: posix_spawn_file_actions_addopen(&actions, 2, "/dev/full", O_WRONLY, 0); break;
    }
    if (!setup.Workdir.empty()) posix_spawn_file_actions_addchdir_np(&actions, setup.Workdir.c_str());
    posix_spawnattr_setflags(&attr, flags);

    std::vector<std::string> args = setup.Argv, env = Environment(setup.Env);
    std::vector<char*> argp = Pointers(args), envp = Pointers(env);
    pid_t pid = -1;
    if (!args.empty() && posix_spawnp(&pid, argp[0], &actions, &attr, argp.data(), envp.data()) == 0) pid_ = pid;
    for (int fd : {in_, outFd_, errFd_})
        if (fd >= 0) NonBlocking(fd);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (in_ >= 0 && in_ != outFd_) close(in_);
    for (int fd : {outFd_, errFd_, slave_})
        if (fd >= 0) close(fd);
}

std::string ChildProcess::Text() const { return VisibleText(out_); }

void ChildProcess::Send(const std::string& bytes) {
    size_t done = 0;
    bool failed = false;
    // Reads meanwhile, so that a program that is behind can catch up.
    WaitUntil([&] {
        while (in_ >= 0 && !failed && done < bytes.size()) {
            ssize_t n = write(in_, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<size_t>(n);
            else if (n < 0 && errno == EAGAIN) return false;
            else failed = n < 0 && errno != EINTR;
        }
        return true;
    });
}

void ChildProcess::CloseInput() {
    if (in_ >= 0 && in_ != outFd_) close(in_);
    in_ = -1;
}

void ChildProcess::Resize(int width, int height) {
    winsize ws{};
    ws.ws_col = static_cast<unsigned short>(width);
    ws.ws_row = static_cast<unsigned short>(height);
    if (slave_ >= 0) ioctl(slave_, TIOCSWINSZ, &ws);
}

termios ChildProcess::ModesNow() const {
    if (ended_) return after_;
    termios t{};
    tcgetattr(slave_, &t);
    return t;
}

bool ChildProcess::Pump(int timeoutMs) {
    if (outFd_ < 0 && errFd_ < 0) return false;
    pollfd p[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (poll(p, 2, timeoutMs) <= 0) return true;
    const size_t before = out_.size();
    if (p[0].revents && !ReadAvailable(outFd_, out_)) {
        if (in_ == outFd_) in_ = -1;
        close(outFd_);
        outFd_ = -1;
    }
    if (p[1].revents && !ReadAvailable(errFd_, err_)) {
        close(errFd_);
        errFd_ = -1;
    }
    if (out_.size() != before && AfterRead) AfterRead();
    return true;
}

bool ChildProcess::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const timespec rest{0, 5000000};
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        // Output wakes the wait at once; the condition is asked again at
        // least every 20 ms for what shows nowhere in it (an exit).
        if (!Pump(static_cast<int>(std::min<long long>(left, 20)))) nanosleep(&rest, nullptr);
    }
    return true;
}

bool ChildProcess::WaitForOut(const std::string& bytes, int timeoutMs, size_t from) {
    return WaitUntil([&] { return out_.find(bytes, from) != std::string::npos; }, timeoutMs);
}

bool ChildProcess::WaitForText(const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return Text().find(text) != std::string::npos; }, timeoutMs);
}

int ChildProcess::WaitExit(int timeoutMs) {
    if (pid_ <= 0) return -1;
    if (!ended_) {
        const bool gone = WaitUntil([&] { return wait4(pid_, &status_, WNOHANG, &usage_) == pid_; }, timeoutMs);
        if (!gone) return -1;
        ended_ = true;
        // What it wrote last: with our copy of a pty's slave closed too, the
        // master reads everything still on its way and then fails; pipes
        // read their end.
        if (slave_ >= 0) {
            tcgetattr(slave_, &after_);
            close(slave_);
            slave_ = -1;
        }
        WaitUntil([&] { return outFd_ < 0 && errFd_ < 0; });
    }
    return status_;
}

ChildResult RunChild(ChildSetup setup, int timeoutMs, const std::string& input) {
    if (!input.empty()) setup.Stdin = ChildSetup::In::Pipe;
    ChildProcess c(setup);
    c.Send(input);
    c.CloseInput();
    ChildResult r;
    const int status = c.WaitExit(timeoutMs);
    r.out = c.Out();
    r.err = c.Err();
    if (status == -1) {
        r.timedOut = c.Started();
    } else if (WIFEXITED(status)) {
        r.exited = true;
        r.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
    }
    return r;
}

ChildResult RunChild(const std::string& path, const std::vector<std::string>& args, ChildSetup::Err errTarget,
                     int timeoutSeconds, const std::string& input, const std::string& cwd) {
    ChildSetup s;
    s.Argv = {path};
    s.Argv.insert(s.Argv.end(), args.begin(), args.end());
    s.Workdir = cwd;
    s.Stderr = errTarget;
    return RunChild(s, timeoutSeconds * 1000, input);
}

int ShellStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

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
