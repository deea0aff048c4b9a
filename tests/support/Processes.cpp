#include "Processes.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "Poll.h"

namespace {

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The call the process is blocked in and its arguments, from
// /proc/<pid>/syscall; false when the kernel does not show them to us.
bool BlockedCall(int pid, long& number, std::vector<unsigned long long>& args) {
    std::istringstream in(FirstLine("/proc/" + std::to_string(pid) + "/syscall"));
    if (!(in >> number)) return false;
    args.clear();
    std::string hex;
    while (in >> hex) args.push_back(std::stoull(hex, nullptr, 16));
    return true;
}

bool SleepingState(int pid) {
    // "pid (comm) S ...": the state follows the last parenthesis.
    std::string stat = FirstLine("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'S';
}

bool WchanHas(int pid, std::initializer_list<const char*> names) {
    std::string wchan = FirstLine("/proc/" + std::to_string(pid) + "/wchan");
    for (const char* n : names)
        if (wchan.find(n) != std::string::npos) return true;
    return false;
}

}  // namespace

int FindProcess(int rootPid, const std::string& name) {
    const std::string dir = "/proc/" + std::to_string(rootPid);
    if (FirstLine(dir + "/comm") == name) return rootPid;
    std::ifstream children(dir + "/task/" + std::to_string(rootPid) + "/children");
    int child;
    while (children >> child)
        if (int found = FindProcess(child, name); found > 0) return found;
    return -1;
}

bool WaitsForInput(int pid) {
    long number;
    std::vector<unsigned long long> args;
    if (BlockedCall(pid, number, args)) {
#ifdef SYS_poll
        if (number == SYS_poll) return args.size() > 2 && static_cast<int>(args[2]) == -1;
#endif
        if (number == SYS_ppoll) return args.size() > 2 && args[2] == 0;   // no time limit
        return number == SYS_read;
    }
    return SleepingState(pid) && WchanHas(pid, {"poll", "read", "wait_woken"});
}

int PollTimeoutMs(int pid) {
    long number;
    std::vector<unsigned long long> args;
#ifdef SYS_poll
    if (BlockedCall(pid, number, args) && number == SYS_poll && args.size() > 2) return static_cast<int>(args[2]);
#endif
    return -2;
}

bool Sleeps(int pid) {
    long number;
    std::vector<unsigned long long> args;
    if (BlockedCall(pid, number, args)) {
#ifdef SYS_nanosleep
        if (number == SYS_nanosleep) return true;
#endif
        return number == SYS_clock_nanosleep;
    }
    return SleepingState(pid) && WchanHas(pid, {"nanosleep"});
}

bool WaitUntilWaitingForInput(int pid) {
    return PollUntil([pid] { return WaitsForInput(pid); }, WaitMs, 2);
}

bool WaitUntilSleeping(int pid) {
    return PollUntil([pid] { return Sleeps(pid); }, WaitMs, 2);
}

namespace {

// CPU time in clock ticks (user and system) and voluntary context switches.
bool Activity(int pid, long& ticks, long& wakeups) {
    const std::string dir = "/proc/" + std::to_string(pid);
    std::string stat = FirstLine(dir + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long utime = -1, stime = -1;
    // State is field 3; utime and stime are fields 14 and 15.
    for (int n = 3; n <= 15 && fields >> field; n++) {
        if (n == 14) utime = std::stol(field);
        if (n == 15) stime = std::stol(field);
    }
    std::ifstream status(dir + "/status");
    wakeups = -1;
    for (std::string line; std::getline(status, line);)
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) wakeups = std::stol(line.substr(24));
    ticks = utime + stime;
    return utime >= 0 && stime >= 0 && wakeups >= 0;
}

}  // namespace

bool StaysIdle(int pid, std::string& why, int windowMs) {
    long ticks0, wakeups0, ticks1, wakeups1;
    if (!Activity(pid, ticks0, wakeups0)) {
        why = "no /proc figures for " + std::to_string(pid);
        return false;
    }
    // The window is the measurement itself, not a wait for something.
    const timespec window{windowMs / 1000, (windowMs % 1000) * 1000000L};
    nanosleep(&window, nullptr);
    if (!Activity(pid, ticks1, wakeups1)) {
        why = "the program ended within the window";
        return false;
    }
    const double cpuMs = (ticks1 - ticks0) * 1000.0 / sysconf(_SC_CLK_TCK);
    const long wakeups = wakeups1 - wakeups0;
    // A quarter of the window: a spinning wait on a loaded machine still gets
    // far more; a blocked one gets none.
    if (cpuMs < windowMs / 4.0 && wakeups <= 2) return true;
    why = std::to_string(cpuMs) + " ms of CPU and " + std::to_string(wakeups) + " wake-ups in " +
          std::to_string(windowMs) + " ms of waiting";
    return false;
}
