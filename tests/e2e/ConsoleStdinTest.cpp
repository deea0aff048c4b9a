// Standard input that is not a terminal: its bytes are the keys. A run whose
// keys suffice completes; one whose keys run out ends as Ctrl-C ends it
// (status 130) without spinning. Standard output, not being a terminal
// either, gets the pages as plain text.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Files.h"
#include "Poll.h"
#include "Processes.h"

namespace {

enum class Stdin { File, DevNull, Closed, Pipe, PipeHeldOpen };

struct Outcome {
    int Status = 0;
    double CpuMs = 0;
    long Wakeups = 0;   // voluntary context switches
    std::chrono::milliseconds Took{0};
    std::string Stdout, Stderr;
    bool BlockedOnInput = false;   // PipeHeldOpen: the program waited in the kernel
};

std::string TempPath(const char* tag) {
    return ::testing::TempDir() + "console_stdin_" + tag + "_" + std::to_string(getpid());
}

// Runs a program with standard output and error going to files and standard
// input as asked. For PipeHeldOpen the keys are written at once but the pipe
// is closed only once the program has used them up and waits in the kernel
// for more (with no time limit, so it does not spin).
Outcome RunDemo(const std::string& program, const std::string& args, Stdin how, const std::string& keys,
                const std::string& cwd = "") {
    const std::string keyFile = TempPath("keys"), outFile = TempPath("out"),
                      errFile = TempPath("err");
    {
        std::ofstream k(keyFile, std::ios::binary);
        k << keys;
    }
    int pipeFds[2] = {-1, -1};
    if (how == Stdin::Pipe || how == Stdin::PipeHeldOpen) {
        EXPECT_EQ(pipe(pipeFds), 0);
    }
    // The program and its arguments, split at spaces, built before fork.
    std::vector<std::string> words{program};
    std::istringstream split(args);
    for (std::string w; split >> w;) words.push_back(w);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Outcome o;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        switch (how) {
            case Stdin::File: dup2(open(keyFile.c_str(), O_RDONLY), 0); break;
            case Stdin::DevNull: dup2(open("/dev/null", O_RDONLY), 0); break;
            case Stdin::Closed: close(0); break;
            case Stdin::Pipe:
            case Stdin::PipeHeldOpen:
                dup2(pipeFds[0], 0);
                close(pipeFds[0]);
                close(pipeFds[1]);
                break;
        }
        // No controlling terminal either, as in CI.
        setsid();
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pipeFds[0] >= 0) {
        close(pipeFds[0]);
        signal(SIGPIPE, SIG_IGN);
        if (!keys.empty()) {
            EXPECT_EQ(write(pipeFds[1], keys.data(), keys.size()), (ssize_t)keys.size());
        }
        if (how == Stdin::PipeHeldOpen) o.BlockedOnInput = WaitUntilWaitingForInput(pid);
        close(pipeFds[1]);
    }
    // Reap with a deadline: a program that hangs must fail the test, not stall it.
    rusage ru{};
    if (!PollUntil([&] { return wait4(pid, &o.Status, WNOHANG, &ru) == pid; }, WaitMs, 2)) {
        kill(pid, SIGKILL);
        wait4(pid, &o.Status, 0, &ru);
        ADD_FAILURE() << program << " " << args << " hung";
    }
    o.Took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    o.CpuMs = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 +
              (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
    o.Wakeups = ru.ru_nvcsw;
    o.Stdout = ReadWholeFile(outFile);
    o.Stderr = ReadWholeFile(errFile);
    unlink(keyFile.c_str());
    unlink(outFile.c_str());
    unlink(errFile.c_str());
    return o;
}

// Text without an escape sequence that ends with a line end (or nothing at all).
::testing::AssertionResult PlainText(const std::string& out) {
    if (out.find('\x1b') == std::string::npos && (out.empty() || out.back() == '\n'))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not plain text: " << ::testing::PrintToString(out);
}

// The shell's view of a status: 128 + the signal for a run a signal ended.
int ShellStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

struct StdinCase {
    const char* Name;
    const char* Scenario;
    Stdin How;
    std::string Keys;
    int Expected;
};

void PrintTo(const StdinCase& c, std::ostream* os) { *os << c.Name; }

class ConsoleStdin : public ::testing::TestWithParam<StdinCase> {};

TEST_P(ConsoleStdin, EndsAsTheKeysAllowAndWritesPlainText) {
    const StdinCase& c = GetParam();
    Outcome o = RunDemo(CONSOLE_DEMO_PATH, c.Scenario, c.How, c.Keys);
    EXPECT_EQ(ShellStatus(o.Status), c.Expected) << "stderr: " << o.Stderr;
    EXPECT_TRUE(PlainText(o.Stdout));
    EXPECT_LT(o.CpuMs, 50.0);
}

const StdinCase StdinCases[] = {
    {"KeysSuffice", "keys", Stdin::File, "abq", 0},
    {"KeysRunOut", "keys", Stdin::File, "ab", 130},
    {"CrLfIsOneEnter", "keys", Stdin::File, "\r\n", 130},
    {"CrLfThenCrAreTwoEnters", "keys", Stdin::File, "\r\n\r", 0},
    {"LfLfAreTwoEnters", "keys", Stdin::File, "\n\n", 0},
    {"EscapeSequenceThenQ", "keys", Stdin::File, "\x1bOP\x1b[Aq", 0},
    {"DevNull", "keys", Stdin::DevNull, "", 130},
    {"Closed", "keys", Stdin::Closed, "", 130},
    {"PipeKeysSuffice", "keys", Stdin::Pipe, "xyzq", 0},
    {"PipeKeysRunOut", "keys", Stdin::Pipe, "xyz", 130},
    {"WaitOnDevNull", "wait", Stdin::DevNull, "", 130},
    {"WaitOnClosed", "wait", Stdin::Closed, "", 130},
    {"WaitGetsItsKey", "wait", Stdin::File, " ", 0},
    {"LineRead", "readline", Stdin::File, "hello\n", 0},
    {"LineReadCr", "readline", Stdin::File, "hello\r", 0},
    {"LineCutShort", "readline", Stdin::File, "hel", 130},
    {"LineOnDevNull", "readline", Stdin::DevNull, "", 130},
    {"LineOnPipe", "readline", Stdin::Pipe, "abc\r\n", 0},
};

INSTANTIATE_TEST_SUITE_P(Demo, ConsoleStdin, ::testing::ValuesIn(StdinCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A used-up input that stays open: the wait blocks in the kernel with no
// time limit instead of polling, and ends as Ctrl-C ends it once the pipe
// closes.
TEST(ConsoleStdinWait, BlocksWithoutSpinningUntilThePipeCloses) {
    for (const char* scenario : {"wait", "readline", "keys"}) {
        Outcome o = RunDemo(CONSOLE_DEMO_PATH, scenario, Stdin::PipeHeldOpen, "");
        EXPECT_TRUE(o.BlockedOnInput) << scenario;
        EXPECT_EQ(ShellStatus(o.Status), 130) << scenario << ": " << o.Stderr;
        EXPECT_LT(o.CpuMs, 50.0) << scenario;
        EXPECT_TRUE(PlainText(o.Stdout)) << scenario;
    }
}

// A pause is one plain sleep even without a terminal: it lasts its time and
// wakes the program about once, not every few milliseconds.
TEST(ConsoleStdinWait, PauseSleepsWithoutCpu) {
    Outcome o = RunDemo(CONSOLE_DEMO_PATH, "pause 300", Stdin::DevNull, "");
    EXPECT_EQ(ShellStatus(o.Status), 0) << o.Stderr;
    EXPECT_GE(o.Took, std::chrono::milliseconds(300));
    EXPECT_LT(o.CpuMs, 50.0);
    EXPECT_LT(o.Wakeups, 30);
    EXPECT_TRUE(PlainText(o.Stdout));
}

// A run-time error without a terminal: the report goes to standard error
// only, the status is the error's code.
TEST(ConsoleStdinError, ReportGoesToStderrOnly) {
    Outcome o = RunDemo(CONSOLE_DEMO_PATH, "error", Stdin::DevNull, "");
    EXPECT_EQ(ShellStatus(o.Status), 201);
    EXPECT_TRUE(PlainText(o.Stdout));
    EXPECT_NE(o.Stderr.find("Runtime error 201"), std::string::npos) << o.Stderr;
}

// The program itself: the typed name and the key presses from standard input.
// The 2 x 3 example waits for five keys; the file with no empty cell ends
// with exit code 1 after its second table.
struct ProgramCase {
    const char* Name;
    Stdin How;
    std::string Keys;
    int Expected;
};

void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.Name; }

class ProgramStdin : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramStdin, EndsAsTheKeysAllowAndWritesPlainText) {
    const ProgramCase& c = GetParam();
    Outcome o = RunDemo(KELMAROSZ_EXE, "", c.How, c.Keys, KELMAROSZ_DATA_DIR);
    EXPECT_EQ(ShellStatus(o.Status), c.Expected) << "stderr: " << o.Stderr;
    EXPECT_TRUE(PlainText(o.Stdout));
    EXPECT_LT(o.CpuMs, 50.0);
}

const ProgramCase ProgramCases[] = {
    {"WholeRun", Stdin::File, "pelda_2x3\nxxxxx", 0},
    {"WholeRunCrLf", Stdin::File, "pelda_2x3\r\n     ", 0},
    {"WholeRunThroughAPipe", Stdin::Pipe, "pelda_2x3\rabcde", 0},
    {"KeysRunOut", Stdin::File, "pelda_2x3\nxx", 130},
    {"NameCutShort", Stdin::File, "pelda_2x", 130},
    {"NoEmptyCell", Stdin::File, "nincs_ures\nxxxxx", 1},
    {"DevNull", Stdin::DevNull, "", 130},
    {"Closed", Stdin::Closed, "", 130},
};

INSTANTIATE_TEST_SUITE_P(Program, ProgramStdin, ::testing::ValuesIn(ProgramCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// printf 'pelda_2x3\rabcde' | kelmarosz > out.txt: the whole run as text,
// each page after an empty line, the typed name after the prompt.
TEST(ProgramStdinTranscript, ThePagesAsText) {
    Outcome o = RunDemo(KELMAROSZ_EXE, "", Stdin::Pipe, "pelda_2x3\rabcde", KELMAROSZ_DATA_DIR);
    EXPECT_EQ(ShellStatus(o.Status), 0);
    EXPECT_TRUE(PlainText(o.Stdout));
    for (const char* lines : {"\n\n                        Kelmarosz keres\xc3\xa9se -- beolvas\xc3\xa1s\n"
                              "F\xc3\xa1jln\xc3\xa9v (*.dat, opcion\xc3\xa1lis: 4x8_1,5x3,8_ures):pelda_2x3\n",
                              "\n   1   0  -6  -6\n   2  -6 -12 -12\n\n"
                              "                    Kelmarosz keres\xc3\xa9se -- eredm\xc3\xa9ny:pelda_2x3\n",
                              "A keresett r\xc3\xa9szm\xc3\xa1trix: (1,3)..(2,3)\n"})
        EXPECT_NE(("\n" + o.Stdout).find(lines), std::string::npos) << lines << "\nin:\n" << o.Stdout;
}

TEST(ProgramStdinWait, BlocksWithoutSpinningUntilThePipeCloses) {
    Outcome o = RunDemo(KELMAROSZ_EXE, "", Stdin::PipeHeldOpen, "pelda_2x3\n", KELMAROSZ_DATA_DIR);
    EXPECT_TRUE(o.BlockedOnInput);
    EXPECT_EQ(ShellStatus(o.Status), 130) << o.Stderr;
    EXPECT_LT(o.CpuMs, 50.0);
    EXPECT_TRUE(PlainText(o.Stdout));
}

}  // namespace
