#include "TerminalSignals.h"

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

volatile sig_atomic_t resized = 0;
volatile sig_atomic_t continued = 0;

void OnResize(int) { resized = 1; }

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
        WriteAllTo(STDOUT_FILENO, state.resume, state.resumeLength);
        state.due = 1;
        continued = 1;
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
    WriteAllTo(STDOUT_FILENO, state.leave, state.leaveLength);
    if (state.haveFound) tcsetattr(STDIN_FILENO, TCSANOW, &state.found);
}

bool TakeResized() {
    bool r = resized;
    resized = 0;
    return r;
}

bool TakeContinued() {
    bool c = continued;
    continued = 0;
    return c;
}

bool RepaintDue() { return resized || continued; }

void RaiseDefault(int sig) {
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
}
