#include "TerminalSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "TerminalOutput.h"

namespace {

struct GiveBackState {
    char leave[256];
    volatile size_t leaveLength = 0;
    char resume[64];
    volatile size_t resumeLength = 0;
    termios found;
    volatile sig_atomic_t haveFound = 0;
    termios keyModes;
    volatile sig_atomic_t haveKeyModes = 0;
    volatile sig_atomic_t due = 0;
};
GiveBackState state;

// A handler waits for a stalled terminal only so long at a time: a
// signal that ends the process must still end it.
constexpr int HandlerWaitMs = 5000;

volatile sig_atomic_t resizes = 0;
volatile sig_atomic_t continues = 0;
// Written by the handlers, polled with the input: a wait cannot miss them.
int wakePipe[2] = {-1, -1};

void Wake() {
    int savedErrno = errno;
    if (wakePipe[1] >= 0) {
        // Full means a wake-up is waiting already.
        ssize_t ignored = write(wakePipe[1], "w", 1);
        (void)ignored;
    }
    errno = savedErrno;
}

void OnResize(int) {
    resizes = resizes + 1;
    Wake();
}

// Any continue, also one after a stop the program did not see coming
// (SIGSTOP): whatever the terminal shows now is unknown.
void OnContinue(int) {
    continues = continues + 1;
    Wake();
}

void SetHandler(int sig, void (*handler)(int), int flags) {
    struct sigaction sa{};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = flags;
    sigaction(sig, &sa, nullptr);
}

bool StartedIgnored(int sig) {
    struct sigaction old{};
    sigaction(sig, nullptr, &old);
    return old.sa_handler == SIG_IGN;
}

void OnTerminatingSignal(int sig) {
    GiveBackInEmergency();
    RaiseDefault(sig);
}

// Stops here until SIGCONT; then takes the terminal again, and the next
// flush repaints whatever the shell wrote meanwhile.
void OnStopSignal(int sig) {
    int savedErrno = errno;
    bool wasDue = state.due;
    GiveBackInEmergency();
    RaiseDefault(sig);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, nullptr);   // blocked again until the handler returns
    SetHandler(sig, OnStopSignal, SA_RESTART);
    if (wasDue) {
        if (state.haveKeyModes) tcsetattr(STDIN_FILENO, TCSANOW, &state.keyModes);
        WriteAllTo(STDOUT_FILENO, state.resume, state.resumeLength, HandlerWaitMs);
        state.due = 1;
    }
    errno = savedErrno;
}

}  // namespace

void InstallTerminalSignals(bool outputIsTerminal, bool inputIsTerminal) {
    if (!outputIsTerminal && !inputIsTerminal) return;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ,
                    SIGIO, SIGPWR, SIGSTKFLT})
        if (!StartedIgnored(sig)) SetHandler(sig, OnTerminatingSignal, 0);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; sig++)
        if (!StartedIgnored(sig)) SetHandler(sig, OnTerminatingSignal, 0);
    for (int sig : {SIGTSTP, SIGTTIN, SIGTTOU})
        if (!StartedIgnored(sig)) SetHandler(sig, OnStopSignal, SA_RESTART);
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) wakePipe[0] = wakePipe[1] = -1;
    SetHandler(SIGCONT, OnContinue, SA_RESTART);
    if (outputIsTerminal) SetHandler(SIGWINCH, OnResize, SA_RESTART);
}

void PrepareGiveBack(const termios* found, const termios* keyModes) {
    state.haveFound = 0;
    state.haveKeyModes = 0;
    if (found != nullptr) {
        state.found = *found;
        state.haveFound = 1;
    }
    if (keyModes != nullptr) {
        state.keyModes = *keyModes;
        state.haveKeyModes = 1;
    }
}

void PrepareGiveBackBytes(const std::string& leave, const std::string& resume) {
    // A signal arriving meanwhile sends nothing half-made.
    state.leaveLength = 0;
    state.resumeLength = 0;
    if (leave.size() <= sizeof state.leave) {
        std::memcpy(state.leave, leave.data(), leave.size());
        state.leaveLength = leave.size();
    }
    if (resume.size() <= sizeof state.resume) {
        std::memcpy(state.resume, resume.data(), resume.size());
        state.resumeLength = resume.size();
    }
}

void SetGiveBackDue(bool due) { state.due = due ? 1 : 0; }

bool GiveBackDue() { return state.due != 0; }

void GiveBackInEmergency() {
    if (!state.due) return;
    state.due = 0;
    WriteAllTo(STDOUT_FILENO, state.leave, state.leaveLength, HandlerWaitMs);
    if (state.haveFound) tcsetattr(STDIN_FILENO, TCSANOW, &state.found);
}

unsigned ResizeCount() { return static_cast<unsigned>(resizes); }
unsigned ContinueCount() { return static_cast<unsigned>(continues); }

Woken WaitForInputOrSignal(int fd, int timeoutMs) {
    pollfd p[2] = {{fd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    int r = poll(p, wakePipe[0] >= 0 ? 2 : 1, timeoutMs);
    if (r < 0) return errno == EINTR ? Woken::Signal : Woken::Input;   // an error: let the read tell
    if (r == 0) return Woken::Timeout;
    if (wakePipe[0] >= 0 && (p[1].revents & POLLIN)) {
        char drain[64];
        while (read(wakePipe[0], drain, sizeof drain) > 0) {
        }
    }
    return p[0].revents != 0 ? Woken::Input : Woken::Signal;
}

void RaiseDefault(int sig) {
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
}
