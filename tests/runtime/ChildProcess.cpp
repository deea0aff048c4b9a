#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

}  // namespace

ChildResult RunChild(const std::string& path, const std::vector<std::string>& args, StdErrTarget errTarget,
                     int timeoutSeconds, const std::string& input, const std::string& cwd) {
    ChildResult r;
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 || pipe2(inPipe, O_CLOEXEC) != 0) return r;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        int in = input.empty() ? open("/dev/null", O_RDONLY) : inPipe[0];
        dup2(in, 0);
        dup2(outPipe[1], 1);
        if (errTarget == StdErrTarget::Pipe) {
            dup2(errPipe[1], 2);
        } else if (errTarget == StdErrTarget::SameAsOut) {
            dup2(outPipe[1], 2);
        } else if (errTarget == StdErrTarget::Closed) {
            close(2);
        } else {
            int full = open("/dev/full", O_WRONLY);
            dup2(full, 2);
        }
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    // The input is a line or two: it fits the pipe without waiting.
    if (!input.empty() && write(inPipe[1], input.data(), input.size()) < 0) r.timedOut = false;
    close(inPipe[1]);

    double deadline = Now() + timeoutSeconds;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = 2;
    while (open > 0) {
        int left = static_cast<int>((deadline - Now()) * 1000);
        if (left <= 0) {
            r.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, left) < 0) continue;
        for (int i = 0; i < 2; i++) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                open--;
            }
        }
    }
    for (pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);

    int status = 0;
    waitpid(pid, &status, 0);
    if (!r.timedOut && WIFEXITED(status)) {
        r.exited = true;
        r.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
    }
    return r;
}
