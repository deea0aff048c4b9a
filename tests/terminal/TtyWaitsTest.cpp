// The terminal console's waits: for keys or a signal it must answer (a
// resize, a continue after a stop), and for a terminal that takes bytes
// again. Each case runs in a child process, whose handlers die with it.
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

// The child's exit code; 100 + the signal that ended it; -1 when it was
// still running at the deadline (a wait that never ended).
int InChild(const std::function<int()>& body, const std::function<void(pid_t)>& meanwhile = {}) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    if (meanwhile) meanwhile(pid);
    int status = 0;
    if (!PollUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// A resize that lands after the program looked for one and before it waits,
// and a continue while it waits: both end the wait at once, counted once.
TEST(TtyWaits, AResizeOrAContinueAtAnyMomentEndsTheWait) {
    int noKeys[2];
    ASSERT_EQ(pipe(noKeys), 0);
    EXPECT_EQ(InChild([&] {
        InstallTerminalSignals(true, false);
        const unsigned before = ResizeCount();
        raise(SIGWINCH);   // between the look and the wait
        if (WaitForInputOrSignal(noKeys[0], -1) != Woken::Signal || ResizeCount() != before + 1) return 1;
        return WaitForInputOrSignal(noKeys[0], 0) == Woken::Timeout ? 0 : 2;   // answered once
    }), 0);

    EXPECT_EQ(InChild(
                  [&] {
                      InstallTerminalSignals(true, false);
                      while (ContinueCount() == 0)
                          if (WaitForInputOrSignal(noKeys[0], -1) == Woken::Input) return 1;
                      return 0;
                  },
                  [](pid_t pid) {
                      ASSERT_TRUE(WaitUntilWaitingForInput(pid));
                      kill(pid, SIGTSTP);   // job control: the stop handler stops it
                      int status = 0;
                      ASSERT_TRUE(PollUntil([&] { return waitpid(pid, &status, WNOHANG | WUNTRACED) == pid; }));
                      ASSERT_TRUE(WIFSTOPPED(status));
                      kill(pid, SIGCONT);
                  }),
              0);
    close(noKeys[0]);
    close(noKeys[1]);
}

// A terminal that stops taking bytes (here a full non-blocking pipe) is
// waited for without a time limit until it drains; one that goes away
// ends the write with a failure.
TEST(TtyWaits, AStalledTerminalIsWaitedForAndAGoneOneEndsTheWrite) {
    const std::string bytes(1 << 20, 'x');
    for (bool drains : {true, false}) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        fcntl(out[1], F_SETFL, fcntl(out[1], F_GETFL) | O_NONBLOCK);
        size_t read = 0;
        const int code = InChild(
            [&] {
                close(out[0]);
                signal(SIGPIPE, SIG_IGN);
                return WriteAllTo(out[1], bytes.data(), bytes.size()) ? 0 : 1;
            },
            [&](pid_t pid) {
                close(out[1]);
                // Blocked in poll without a time limit: it waits, never gives up.
                EXPECT_TRUE(WaitUntilWaitingForInput(pid)) << (drains ? "drains" : "goes");
                if (!drains) {
                    close(out[0]);
                    return;
                }
                char buf[65536];
                for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) read += static_cast<size_t>(n);
                close(out[0]);
            });
        EXPECT_EQ(code, drains ? 0 : 1) << (drains ? "drains" : "goes");
        if (drains) {
            EXPECT_EQ(read, bytes.size());
        }
    }
}

}  // namespace
