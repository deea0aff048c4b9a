// Times the run-time error report: from the failing check to the end of the
// report (the child's standard error closing), with routine and line lookup
// and with plain addresses, and prints both medians and their ratio.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int64_t NowNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct Times {
    double report = -1;   // ms from the failing check to the end of the report
    double whole = -1;    // ms from starting the process to the end of the report
};

Times OneRun(const std::string& probe, const char* mode, std::string* report) {
    Times t;
    int64_t start = NowNs();
    int errPipe[2], stampPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0 || pipe(stampPipe) != 0) return t;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(errPipe[1], 2);
        dup2(stampPipe[1], 3);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        execl(probe.c_str(), probe.c_str(), mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(errPipe[1]);
    close(stampPipe[1]);
    std::string err;
    char buf[4096];
    int64_t end = 0;
    for (;;) {
        ssize_t n = read(errPipe[0], buf, sizeof buf);
        if (n > 0) {
            err.append(buf, static_cast<size_t>(n));
            continue;
        }
        end = NowNs();
        break;
    }
    int64_t stamp = 0;
    bool stamped = read(stampPipe[0], &stamp, sizeof stamp) == sizeof stamp;
    close(errPipe[0]);
    close(stampPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (report) *report = err;
    if (!stamped || !WIFEXITED(status) || WEXITSTATUS(status) != 201) return t;
    t.report = static_cast<double>(end - stamp) / 1e6;
    t.whole = static_cast<double>(end - start) / 1e6;
    return t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::string probe = argc > 1 ? argv[1] : REPORT_PROBE;
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 41;
    std::vector<double> stab, plain, stabWhole, plainWhole;
    std::string stabReport, plainReport;
    for (int i = 0; i < runs; i++) {
        // Alternating keeps both kinds under the same load of the machine.
        Times s = OneRun(probe, "stab", &stabReport);
        Times p = OneRun(probe, "plain", &plainReport);
        if (s.report < 0 || p.report < 0) {
            std::fprintf(stderr, "the probe did not end with run-time error 201\n");
            return 2;
        }
        stab.push_back(s.report);
        plain.push_back(p.report);
        stabWhole.push_back(s.whole);
        plainWhole.push_back(p.whole);
    }
    double ms = Median(stab), mp = Median(plain);
    double ws = Median(stabWhole), wp = Median(plainWhole);
    std::printf("report with routines and lines:\n%s", stabReport.c_str());
    std::printf("report with addresses only:\n%s", plainReport.c_str());
    std::printf("runs: %d each (medians)\n", runs);
    std::printf("failing check to end of report:  with lookup %.3f ms, plain %.3f ms, ratio %.2f\n", ms, mp, ms / mp);
    std::printf("process start to end of report:  with lookup %.3f ms, plain %.3f ms, ratio %.2f\n", ws, wp, ws / wp);
    bool fast = ms < 30.0;
    std::printf("under 30 ms from the check: %s\n", fast ? "yes" : "NO");
    std::printf("at most twice the plain time, from the check: %s; for the whole run: %s\n",
                ms <= 2 * mp ? "yes" : "no", ws <= 2 * wp ? "yes" : "no");
    return fast ? 0 : 1;
}
