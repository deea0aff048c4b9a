// Every way a run can end gives the terminal back as it was found: the modes
// equal those before the run (stty -g), keypad transmit mode is off, the
// cursor is visible, and the shell's next output starts on a clean line.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ConsolePane.h"
#include "Files.h"
#include "Poll.h"
#include "Processes.h"

namespace {

enum class Ending { Key, CtrlC, Signal };

struct EndCase {
    const char* Name;
    const char* Term;
    const char* Scenario;
    const char* ReadyText;   // shows before the demo waits
    Ending How;
    int Signal;              // Ending::Signal: the one sent from outside
    int Status() const { return How == Ending::Key ? 0 : How == Ending::CtrlC ? 130 : 128 + Signal; }
};

const EndCase EndCases[] = {
    {"NormalEndXterm", "xterm-256color", "wait", "ready", Ending::Key, 0},
    {"NormalEndLinux", "linux", "wait", "ready", Ending::Key, 0},
    {"CtrlCAtKeyWaitXterm", "xterm-256color", "wait", "ready", Ending::CtrlC, 0},
    {"CtrlCAtKeyWaitLinux", "linux", "wait", "ready", Ending::CtrlC, 0},
    {"CtrlCDuringPause", "xterm-256color", "pause", "pausing", Ending::CtrlC, 0},
    {"CtrlCOnAPage", "xterm-256color", "colours", "done", Ending::CtrlC, 0},
    {"SigtermAtKeyWait", "xterm-256color", "wait", "ready", Ending::Signal, SIGTERM},
    {"SigtermDuringPause", "xterm-256color", "pause", "pausing", Ending::Signal, SIGTERM},
    {"SighupAtKeyWait", "xterm-256color", "wait", "ready", Ending::Signal, SIGHUP},
    {"SighupOnAPage", "tmux-256color", "colours", "done", Ending::Signal, SIGHUP},
    // Every other signal whose own action ends a process: that action, with
    // the terminal given back first. So too the fault signals and SIGABRT
    // when they come from outside, not from an instruction or abort().
    {"Sigusr1AtKeyWait", "xterm-256color", "wait", "ready", Ending::Signal, SIGUSR1},
    {"SigxcpuDuringPause", "xterm-256color", "pause", "pausing", Ending::Signal, SIGXCPU},
    {"SigrtminAtKeyWait", "xterm-256color", "wait", "ready", Ending::Signal, SIGRTMIN},
    {"SentSigabrtAtKeyWait", "xterm-256color", "wait", "ready", Ending::Signal, SIGABRT},
    {"SentSigfpeAtKeyWait", "xterm-256color", "wait", "ready", Ending::Signal, SIGFPE},
    {"SentSigsegvOnAPage", "tmux-256color", "colours", "done", Ending::Signal, SIGSEGV},
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.Name; }

class SignalsRestore : public ::testing::TestWithParam<EndCase> {};

TEST_P(SignalsRestore, TerminalGivenBack) {
    const EndCase& c = GetParam();
    ConsolePane pane({c.Term, c.Scenario});
    ASSERT_TRUE(pane.WaitForText(c.ReadyText)) << c.Name;
    // The signal comes while the demo waits: for a key, or in its pause.
    const int demo = pane.DemoPid();
    ASSERT_TRUE(std::string(c.Scenario) == "pause" ? WaitUntilSleeping(demo) : WaitUntilWaitingForInput(demo))
        << c.Name;
    // While the demo waits the terminal is the program's: keypad mode is on
    // where the terminal has one, so the checks after the run mean something.
    if (std::string(c.Term) != "linux" && c.How != Ending::Key) {
        EXPECT_EQ(pane.Display("#{keypad_cursor_flag}"), "1") << c.Name;
    }
    switch (c.How) {
        case Ending::Key: pane.SendKeys("Space"); break;
        case Ending::CtrlC: pane.SendKeys("C-c"); break;
        case Ending::Signal: kill(demo, c.Signal); break;
    }
    EXPECT_EQ(pane.WaitForEnd(), c.Status()) << c.Name;
    // What the run left: modes, keypad and cursor, and the shell's line
    // starting a row of its own.
    EXPECT_TRUE(pane.ModesSame()) << c.Name << ": stty -g differs after the run";
    EXPECT_EQ(pane.Display("#{keypad_flag} #{keypad_cursor_flag} #{cursor_flag}"), "0 0 1") << c.Name;
    const std::vector<std::string> rows = pane.Lines();
    const auto statusLine = [](const std::string& r) { return r.rfind("status=", 0) == 0; };
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), statusLine)) << c.Name << ": the shell's line is not clean";
}

INSTANTIATE_TEST_SUITE_P(Endings, SignalsRestore, ::testing::ValuesIn(EndCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A job-control stop (kill -TSTP: the suspend key itself is an ordinary key
// here) gives the shell its terminal modes back while the run is stopped;
// after fg the program has its modes again (keys arrive one by one) and at
// the end the modes are those from before the run.
TEST(SignalsRestoreShell, StopAndContinueInBash) {
    TempDir dir;
    BashSession bash(dir.Path());
    ASSERT_TRUE(bash.WaitForPrompts(1)) << bash.Screen();
    auto exists = [&](const char* name) { return access(dir.File(name).c_str(), F_OK) == 0; };
    bash.Run(std::string("stty -g > before; ") + CONSOLE_DEMO_PATH + " keys");
    const int demo = bash.WaitForProcess("console_demo");
    ASSERT_GT(demo, 0) << bash.Screen();
    ASSERT_TRUE(bash.WaitForText("ready")) << bash.Screen();
    kill(demo, SIGTSTP);
    ASSERT_TRUE(bash.WaitForText("Stopped")) << bash.Screen();
    bash.Run("stty -g | cmp -s - before && touch stopped_same; touch resuming; fg");
    // Once bash has run the line up to fg, the modes that turn up are the
    // demo's own again.
    ASSERT_TRUE(PollUntil([&] { return exists("resuming"); })) << bash.Screen();
    ASSERT_TRUE(bash.WaitForKeyMode()) << bash.Screen();
    // What the shell wrote meanwhile is painted over: the demo's page again.
    ASSERT_TRUE(PollUntil([&] {
        const std::string s = bash.Screen();
        return s.find("Stopped") == std::string::npos && s.find("ready") != std::string::npos;
    })) << bash.Screen();
    bash.SendLiteral("a");
    ASSERT_TRUE(bash.WaitForText("97")) << bash.Screen();
    bash.SendLiteral("q");
    ASSERT_TRUE(bash.WaitForText("bye")) << bash.Screen();
    bash.Run("echo $? > status; stty -g | cmp -s - before && touch end_same; touch done");
    ASSERT_TRUE(PollUntil([&] { return exists("done"); })) << bash.Screen();
    EXPECT_TRUE(exists("stopped_same")) << "modes not given back while stopped";
    EXPECT_TRUE(exists("end_same")) << "modes not given back at the end";
    std::ifstream status(dir.File("status"));
    int code = -1;
    status >> code;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(bash.Display("#{keypad_flag} #{keypad_cursor_flag} #{cursor_flag}"), "0 0 1");
}

}  // namespace
