// The terminal console's waits, each in a child process whose handlers die
// with it: for keys or a signal it must answer (a resize, a continue after
// a stop), and for a terminal that takes bytes again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "Poll.h"
#include "Processes.h"
#include "TerminalOutput.h"
#include "TerminalSignals.h"

namespace {

// The child's exit code, or -1 when it still ran at the deadline.
int InChild(const std::function<int()>& body, const std::function<void(pid_t)>& meanwhile) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    meanwhile(pid);
    int status = 0;
    if (PollUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; })) return WEXITSTATUS(status);
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// A resize landing after the program looked for one and before it waits,
// and a continue (fg after a stop) during the wait: the wait ends at once.
TEST(TtyWaits, AResizeOrAContinueAtAnyMomentEndsTheWait) {
    int keys[2];
    ASSERT_EQ(pipe(keys), 0);   // no key ever comes
    for (bool resize : {true, false})
        EXPECT_EQ(InChild(
                      [&] {
                          InstallTerminalSignals(true, false);
                          if (resize) raise(SIGWINCH);
                          bool woken = WaitForInputOrSignal(keys[0], -1) == Woken::Signal;
                          return woken && ResizeCount() + ContinueCount() == 1 ? 0 : 1;
                      },
                      [&](pid_t pid) {
                          if (resize || !WaitUntilWaitingForInput(pid)) return;
                          kill(pid, SIGSTOP);   // (SIGTSTP would not stop an orphaned process group)
                          int status = 0;
                          PollUntil([&] { return waitpid(pid, &status, WNOHANG | WUNTRACED) == pid; });
                          kill(pid, SIGCONT);
                      }),
                  0)
            << (resize ? "resize" : "continue");
}

// A terminal that stops taking bytes (a full non-blocking pipe here) is
// waited for in poll without a time limit; one that goes fails the write.
TEST(TtyWaits, AStalledTerminalIsWaitedForAndAGoneOneEndsTheWrite) {
    const std::string bytes(1 << 20, 'x');
    for (bool drains : {true, false}) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        fcntl(out[1], F_SETFL, O_NONBLOCK);
        size_t got = 0;
        const int code = InChild(
            [&] {
                signal(SIGPIPE, SIG_IGN);
                close(out[0]);
                return WriteAllTo(out[1], bytes.data(), bytes.size()) ? 0 : 1;
            },
            [&](pid_t pid) {
                close(out[1]);
                EXPECT_TRUE(WaitUntilWaitingForInput(pid));   // in poll, no time limit
                char buf[65536];
                for (ssize_t n; drains && (n = read(out[0], buf, sizeof buf)) > 0;) got += static_cast<size_t>(n);
                close(out[0]);
            });
        EXPECT_EQ(code, drains ? 0 : 1) << drains;
        EXPECT_EQ(got, drains ? bytes.size() : 0) << drains;
    }
}

}  // namespace
