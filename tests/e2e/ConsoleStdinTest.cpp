// Standard input that is not a terminal: its bytes are the keys. A run whose
// keys suffice completes; one whose keys run out ends as Ctrl-C ends it
// (status 130), and a wait on input that is used up but still open blocks
// without spinning. Standard output, not being a terminal either, gets the
// pages as plain text, as a terminal without cursor addressing does.
#include <chrono>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Files.h"
#include "Processes.h"

namespace {

enum class Stdin { File, DevNull, Closed, Pipe, PipeHeldOpen };

struct Outcome {
    int Status = -1;   // as the shell sees it
    std::string Stdout, Stderr;
    std::string Busy;   // PipeHeldOpen: why the used-up wait was not idle ("" when it was)
};

// Runs a program with standard output and error captured, no controlling
// terminal (as in CI), and standard input as asked. For PipeHeldOpen the
// keys are written at once, but the pipe is closed only once the program
// has used them up and waits in the kernel for more; meanwhile it must
// stay idle.
Outcome RunProgram(const std::string& program, const std::string& arg, Stdin how, const std::string& keys,
            const std::string& cwd = "") {
    TempDir dir;
    ChildSetup s;
    s.Argv = {program};
    if (!arg.empty()) s.Argv.push_back(arg);
    s.Workdir = cwd;
    s.NewSession = true;
    switch (how) {
        case Stdin::File:
            s.Stdin = ChildSetup::In::File;
            s.StdinFile = dir.File("keys");
            EXPECT_TRUE(WriteWholeFile(s.StdinFile, keys));
            break;
        case Stdin::DevNull: s.Stdin = ChildSetup::In::DevNull; break;
        case Stdin::Closed: s.Stdin = ChildSetup::In::Closed; break;
        case Stdin::Pipe:
        case Stdin::PipeHeldOpen: s.Stdin = ChildSetup::In::Pipe; break;
    }
    ChildProcess child(s);
    EXPECT_TRUE(child.Started()) << program;
    Outcome o;
    if (how == Stdin::Pipe || how == Stdin::PipeHeldOpen) child.Send(keys);
    if (how == Stdin::PipeHeldOpen) {
        if (!WaitUntilWaitingForInput(child.Pid())) o.Busy = "never blocked in its wait";
        else StaysIdle(child.Pid(), o.Busy);
    }
    child.CloseInput();
    const int status = child.WaitExit();
    EXPECT_NE(status, -1) << program << " " << arg << " hung";
    o.Status = status == -1 ? -1 : ShellStatus(status);
    o.Stdout = child.Out();
    o.Stderr = child.Err();
    return o;
}

// Text without an escape sequence that ends with a line end (or nothing at all).
::testing::AssertionResult PlainText(const std::string& out) {
    if (out.find('\x1b') == std::string::npos && (out.empty() || out.back() == '\n'))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not plain text: " << ::testing::PrintToString(out);
}

struct StdinCase {
    const char* Name;
    const char* Scenario;   // the demo's; Program: the program itself, in the data folder
    Stdin How;
    std::string Keys;
    int Expected;
};

const char* const Program = nullptr;

void PrintTo(const StdinCase& c, std::ostream* os) { *os << c.Name; }

class ConsoleStdin : public ::testing::TestWithParam<StdinCase> {};

TEST_P(ConsoleStdin, EndsAsTheKeysAllowAndWritesPlainText) {
    const StdinCase& c = GetParam();
    Outcome o = c.Scenario ? RunProgram(CONSOLE_DEMO_PATH, c.Scenario, c.How, c.Keys)
                           : RunProgram(KELMAROSZ_EXE, "", c.How, c.Keys, KELMAROSZ_DATA_DIR);
    EXPECT_EQ(o.Status, c.Expected) << "stderr: " << o.Stderr;
    EXPECT_TRUE(PlainText(o.Stdout));
    EXPECT_EQ(o.Busy, "");
}

const StdinCase StdinCases[] = {
    {"KeysSuffice", "keys", Stdin::File, "abq", 0},
    {"KeysRunOut", "keys", Stdin::File, "ab", 130},
    {"EscapeSequenceThenQ", "keys", Stdin::File, "\x1bOP\x1b[Aq", 0},
    {"DevNull", "keys", Stdin::DevNull, "", 130},
    {"Closed", "keys", Stdin::Closed, "", 130},
    {"PipeKeysSuffice", "keys", Stdin::Pipe, "xyzq", 0},
    {"PipeKeysRunOut", "keys", Stdin::Pipe, "xyz", 130},
    {"WaitOnDevNull", "wait", Stdin::DevNull, "", 130},
    {"WaitGetsItsKey", "wait", Stdin::File, " ", 0},
    {"LineRead", "readline", Stdin::File, "hello\n", 0},
    {"LineCutShort", "readline", Stdin::File, "hel", 130},
    {"LineOnPipe", "readline", Stdin::Pipe, "abc\r\n", 0},
    // A used-up input that stays open: the wait blocks in the kernel with
    // no time limit instead of polling, and ends as Ctrl-C ends it once
    // the pipe closes.
    {"WaitBlocksUntilThePipeCloses", "wait", Stdin::PipeHeldOpen, "", 130},
    {"LineBlocksUntilThePipeCloses", "readline", Stdin::PipeHeldOpen, "", 130},
    {"KeysBlockUntilThePipeCloses", "keys", Stdin::PipeHeldOpen, "", 130},
    // A run-time error: its code, the page's last line still ended.
    {"RunTimeError", "error", Stdin::DevNull, "", 201},
    // The program itself: the typed name and the key presses. The 2 x 3
    // example waits for five keys; the file with no empty cell ends with
    // exit code 1 after its second table.
    {"ProgramWholeRun", Program, Stdin::File, "pelda_2x3\nxxxxx", 0},
    {"ProgramWholeRunCrLf", Program, Stdin::File, "pelda_2x3\r\n     ", 0},
    {"ProgramKeysRunOut", Program, Stdin::File, "pelda_2x3\nxx", 130},
    {"ProgramNameCutShort", Program, Stdin::File, "pelda_2x", 130},
    {"ProgramNoEmptyCell", Program, Stdin::File, "nincs_ures\nxxxxx", 1},
    {"ProgramBlocksUntilThePipeCloses", Program, Stdin::PipeHeldOpen, "pelda_2x3\n", 130},
};

INSTANTIATE_TEST_SUITE_P(Stdin, ConsoleStdin, ::testing::ValuesIn(StdinCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A pause is one plain sleep even without a terminal: it lasts its time and
// neither spins nor wakes over and over while it sleeps.
TEST(ConsoleStdinWait, PauseSleepsWithoutCpu) {
    const auto start = std::chrono::steady_clock::now();
    ChildSetup s;
    s.Argv = {CONSOLE_DEMO_PATH, "pause", "800"};
    s.NewSession = true;
    ChildProcess child(s);
    ASSERT_TRUE(WaitUntilSleeping(child.Pid()));
    std::string busy;
    EXPECT_TRUE(StaysIdle(child.Pid(), busy)) << busy;
    EXPECT_EQ(ShellStatus(child.WaitExit()), 0) << child.Err();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
    EXPECT_TRUE(PlainText(child.Out()));
}

// printf 'pelda_2x3\rabcde' | kelmarosz > out.txt: the whole run as text,
// each page after an empty line, the typed name after the prompt. A terminal
// that cannot place its cursor (TERM=dumb, as an editor's shell buffer; a pty
// the test plays) gets the same lines, a line end being CR LF there.
TEST(ProgramStdinTranscript, ThePagesAsText) {
    const std::string keys = "pelda_2x3\rabcde";
    Outcome o = RunProgram(KELMAROSZ_EXE, "", Stdin::Pipe, keys, KELMAROSZ_DATA_DIR);
    EXPECT_EQ(o.Status, 0);
    EXPECT_TRUE(PlainText(o.Stdout));
    for (const char* lines : {"\n\n                        Kelmarosz keres\xc3\xa9se -- beolvas\xc3\xa1s\n"
                              "F\xc3\xa1jln\xc3\xa9v (*.dat, opcion\xc3\xa1lis: 4x8_1,5x3,8_ures):pelda_2x3\n",
                              "\n   1   0  -6  -6\n   2  -6 -12 -12\n\n"
                              "                    Kelmarosz keres\xc3\xa9se -- eredm\xc3\xa9ny:pelda_2x3\n",
                              "A keresett r\xc3\xa9szm\xc3\xa1trix: (1,3)..(2,3)\n"})
        EXPECT_NE(("\n" + o.Stdout).find(lines), std::string::npos) << lines << "\nin:\n" << o.Stdout;

    ChildSetup dumb = OnPty({KELMAROSZ_EXE}, "dumb", 64, 20);
    dumb.Workdir = KELMAROSZ_DATA_DIR;
    ChildProcess t(dumb);
    ASSERT_TRUE(t.WaitForOut("opcion\xc3\xa1lis: 4x8_1,5x3,8_ures):", PtyStartMs)) << t.Out() << t.Err();
    t.Send(keys);
    EXPECT_EQ(ShellStatus(t.WaitExit()), 0) << t.Err();
    EXPECT_EQ(t.Err(), "");
    std::string lines = t.Out();
    for (size_t at = lines.find("\r\n"); at != std::string::npos; at = lines.find("\r\n", at)) lines.erase(at, 1);
    EXPECT_EQ(lines, o.Stdout);
}

}  // namespace
