#include "Processes.h"

#include <sys/syscall.h>

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
