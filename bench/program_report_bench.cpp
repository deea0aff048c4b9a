// Times the whole run of the program on a data file with N = 10 (run-time
// error 201 while the matrix is read), from starting the process to the end
// of its report on standard error: once with the line lookup (kelmarosz with
// its debug information) and once with plain addresses (the stripped build
// with no debug file beside it). Prints both medians and their ratio.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

int64_t NowNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Milliseconds from the start to the end of the report; -1 unless it ended with 201.
double OneRun(const std::string& exe, const std::string& dir, std::string* report) {
    int64_t start = NowNs();
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        int keys = open("keys", O_RDONLY);
        int null = open("/dev/null", O_WRONLY);
        dup2(keys, 0);
        dup2(null, 1);
        dup2(errPipe[1], 2);
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(errPipe[1]);
    std::string err;
    char buf[4096];
    ssize_t n;
    while ((n = read(errPipe[0], buf, sizeof buf)) > 0) err.append(buf, static_cast<size_t>(n));
    int64_t end = NowNs();
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (report) *report = err;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 201) return -1;
    return static_cast<double>(end - start) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
    char tmpl[] = "/tmp/kelmarosz-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 2;
    std::string dir = tmpl;
    {
        std::ofstream data(dir + "/t.dat");
        data << "10 3\n";
        for (int i = 0; i < 10; i++) data << "0 0 0\n";
        std::ofstream keys(dir + "/keys");
        keys << "t\r";
    }
    // Without a debug file beside it, the stripped build reports addresses only.
    std::string plainExe = dir + "/kelmarosz-plain";
    fs::copy_file(KELMAROSZ_STRIPPED_PATH, plainExe);

    std::vector<double> lookup, plain;
    std::string lookupReport, plainReport;
    for (int i = 0; i < runs; i++) {
        double a = OneRun(KELMAROSZ_PATH, dir, &lookupReport);
        double b = OneRun(plainExe, dir, &plainReport);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "a run did not end with run-time error 201\n");
            fs::remove_all(dir);
            return 2;
        }
        lookup.push_back(a);
        plain.push_back(b);
    }
    fs::remove_all(dir);
    double ml = Median(lookup), mp = Median(plain);
    std::printf("report with routines and lines:\n%s", lookupReport.c_str());
    std::printf("report with addresses only:\n%s", plainReport.c_str());
    std::printf("runs: %d each (medians)\n", runs);
    std::printf("start to end of report, N = 10: with lookup %.3f ms, plain %.3f ms, ratio %.2f\n", ml, mp, ml / mp);
    return 0;
}
