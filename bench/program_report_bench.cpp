// Times the whole run of the program on a data file with N = 10 (run-time
// error 201 while the matrix is read), from starting the process to the end
// of its report on standard error: with the line lookup (kelmarosz with its
// debug information), with the stripped build and its debug file beside it
// (found through the debug link, its CRC-32 checked), and with plain
// addresses (the stripped build with no debug file). Prints the medians and
// how much longer than the plain run each one takes.
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
    // Without a debug file beside it, the stripped build reports addresses
    // only; with its debug file it names the lines again.
    const std::string stripped = fs::path(KELMAROSZ_STRIPPED_PATH).filename();
    fs::create_directory(dir + "/plain");
    fs::create_directory(dir + "/split");
    std::string plainExe = dir + "/plain/" + stripped;
    std::string splitExe = dir + "/split/" + stripped;
    fs::copy_file(KELMAROSZ_STRIPPED_PATH, plainExe);
    fs::copy_file(KELMAROSZ_STRIPPED_PATH, splitExe);
    fs::copy_file(std::string(KELMAROSZ_STRIPPED_PATH) + ".debug", splitExe + ".debug");

    std::vector<double> lookup, split, plain;
    std::string lookupReport, splitReport, plainReport;
    for (int i = 0; i < runs; i++) {
        double a = OneRun(KELMAROSZ_PATH, dir, &lookupReport);
        double b = OneRun(splitExe, dir, &splitReport);
        double c = OneRun(plainExe, dir, &plainReport);
        if (a < 0 || b < 0 || c < 0) {
            std::fprintf(stderr, "a run did not end with run-time error 201\n");
            fs::remove_all(dir);
            return 2;
        }
        lookup.push_back(a);
        split.push_back(b);
        plain.push_back(c);
    }
    fs::remove_all(dir);
    double ml = Median(lookup), ms = Median(split), mp = Median(plain);
    std::printf("report with routines and lines:\n%s", lookupReport.c_str());
    std::printf("report of the stripped build with its debug file:\n%s", splitReport.c_str());
    std::printf("report with addresses only:\n%s", plainReport.c_str());
    std::printf("runs: %d each (medians)\n", runs);
    std::printf("start to end of report, N = 10: with lookup %.3f ms, with the debug file %.3f ms, plain %.3f ms\n", ml,
                ms, mp);
    std::printf("longer than plain: with lookup %+.3f ms, with the debug file %+.3f ms (within 30 ms: %s)\n", ml - mp,
                ms - mp, ml - mp <= 30 && ms - mp <= 30 ? "yes" : "NO");
    return ml - mp <= 30 && ms - mp <= 30 ? 0 : 1;
}
