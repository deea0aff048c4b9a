// Every way a run can end gives the terminal back as it was found: the modes
// equal those before the run (stty -g), keypad transmit mode is off, the
// cursor is visible, and the shell's next output starts on a clean line.
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ConsolePane.h"
#include "TmuxSession.h"

namespace {

enum class Ending { Key, CtrlC, Term, Hup };

struct EndCase {
    const char* Name;
    const char* Term;
    const char* Scenario;
    const char* ReadyText;   // shows once the demo waits
    Ending How;
    int Status;              // as the shell sees it
};

const EndCase kEndCases[] = {
    {"NormalEndXterm", "xterm-256color", "wait", "ready", Ending::Key, 0},
    {"NormalEndTmux", "tmux-256color", "wait", "ready", Ending::Key, 0},
    {"NormalEndLinux", "linux", "wait", "ready", Ending::Key, 0},
    {"CtrlCAtKeyWaitXterm", "xterm-256color", "wait", "ready", Ending::CtrlC, 130},
    {"CtrlCAtKeyWaitTmux", "tmux-256color", "wait", "ready", Ending::CtrlC, 130},
    {"CtrlCAtKeyWaitLinux", "linux", "wait", "ready", Ending::CtrlC, 130},
    {"CtrlCDuringPause", "xterm-256color", "pause", "pausing", Ending::CtrlC, 130},
    {"CtrlCOnAPage", "xterm-256color", "colours", "done", Ending::CtrlC, 130},
    {"SigtermAtKeyWait", "xterm-256color", "wait", "ready", Ending::Term, 143},
    {"SigtermDuringPause", "xterm-256color", "pause", "pausing", Ending::Term, 143},
    {"SighupAtKeyWait", "xterm-256color", "wait", "ready", Ending::Hup, 129},
    {"SighupOnAPage", "tmux-256color", "colours", "done", Ending::Hup, 129},
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.Name; }

// What the run left: modes, keypad and cursor, and where the shell goes on.
void ExpectTerminalGivenBack(ConsolePane& pane, const std::string& what) {
    EXPECT_TRUE(pane.ModesSame()) << what << ": stty -g differs after the run";
    EXPECT_EQ(pane.Format("#{keypad_flag} #{keypad_cursor_flag} #{cursor_flag}"), "0 0 1") << what;
    EXPECT_TRUE(AnyRowStartsWith(pane.Rows(), "status=")) << what << ": the shell's line is not clean";
}

class SignalsRestore : public ::testing::TestWithParam<EndCase> {};

TEST_P(SignalsRestore, TerminalGivenBack) {
    const EndCase& c = GetParam();
    ConsolePane pane({c.Term, c.Scenario});
    ASSERT_TRUE(pane.WaitFor(c.ReadyText)) << c.Name;
    PauseMs(100);
    // While the demo waits the terminal is the program's: keypad mode is on
    // where the terminal has one, so the checks after the run mean something.
    if (std::string(c.Term) != "linux" && c.How != Ending::Key) {
        EXPECT_EQ(pane.Format("#{keypad_cursor_flag}"), "1") << c.Name;
    }
    switch (c.How) {
        case Ending::Key: pane.Keys("Space"); break;
        case Ending::CtrlC: pane.Keys("C-c"); break;
        case Ending::Term: kill(pane.DemoPid(), SIGTERM); break;
        case Ending::Hup: kill(pane.DemoPid(), SIGHUP); break;
    }
    EXPECT_EQ(pane.WaitForEnd(), c.Status) << c.Name;
    ExpectTerminalGivenBack(pane, c.Name);
}

INSTANTIATE_TEST_SUITE_P(Endings, SignalsRestore, ::testing::ValuesIn(kEndCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Ctrl-C while the line editor waits, with the cursor after the prompt, in
// an interactive shell as users have it: the demo dies of SIGINT, so the
// shell itself moves to a fresh line and its prompt starts there.
TEST(SignalsRestoreShell, CtrlCAtThePromptInBash) {
    char tmpl[] = "/tmp/console_bash_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    TmuxSession bash("env PS1='PROMPT$ ' TERM=xterm-256color bash --norc --noprofile -i", dir, 100, 30);
    ASSERT_TRUE(bash.WaitForText("PROMPT$"));
    bash.SendLiteral(std::string("stty -g > before; ") + CONSOLE_DEMO_PATH + " readline");
    bash.SendKeys("Enter");
    ASSERT_TRUE(bash.WaitForText("name:"));
    PauseMs(100);
    bash.SendLiteral("abc");
    PauseMs(100);
    bash.SendKeys("C-c");
    PauseMs(300);
    bash.SendLiteral("echo status=$?; stty -g | cmp -s - before && echo SAME");
    bash.SendKeys("Enter");
    ASSERT_TRUE(bash.WaitForText("SAME")) << bash.Screen();
    std::vector<std::string> rows = bash.Lines();
    bool promptClean = false, statusSeen = false;
    for (const std::string& r : rows) {
        if (r.rfind("PROMPT$ echo status", 0) == 0) promptClean = true;
        if (r == "status=130") statusSeen = true;
    }
    EXPECT_TRUE(promptClean) << bash.Screen();
    EXPECT_TRUE(statusSeen) << bash.Screen();
    EXPECT_EQ(bash.Display("#{keypad_flag} #{keypad_cursor_flag} #{cursor_flag}"), "0 0 1");
    unlink((dir + "/before").c_str());
    rmdir(dir.c_str());
}

// The demo's process among the descendants of the pane's first process.
int FindDemo(const std::string& pid) {
    std::ifstream comm("/proc/" + pid + "/comm");
    std::string name;
    std::getline(comm, name);
    if (name == "console_demo") return std::stoi(pid);
    std::ifstream children("/proc/" + pid + "/task/" + pid + "/children");
    std::string child;
    while (children >> child)
        if (int found = FindDemo(child); found > 0) return found;
    return -1;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A job-control stop (kill -TSTP: the suspend key itself is an ordinary key
// here) gives the shell its terminal modes back while the run is stopped;
// after fg the program has its modes again (keys arrive one by one) and at
// the end the modes are those from before the run.
TEST(SignalsRestoreShell, StopAndContinueInBash) {
    char tmpl[] = "/tmp/console_stop_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    TmuxSession bash("env PS1='PROMPT$ ' TERM=xterm-256color bash --norc --noprofile -i", dir, 100, 30);
    ASSERT_TRUE(bash.WaitForText("PROMPT$"));
    bash.SendLiteral(std::string("stty -g > before; ") + CONSOLE_DEMO_PATH + " keys");
    bash.SendKeys("Enter");
    int demo = -1;
    for (int i = 0; i < 100 && demo <= 0; i++) {
        PauseMs(50);
        demo = FindDemo(bash.Display("#{pane_pid}"));
    }
    ASSERT_GT(demo, 0) << bash.Screen();
    PauseMs(300);
    kill(demo, SIGTSTP);
    ASSERT_TRUE(bash.WaitForText("Stopped")) << bash.Screen();
    bash.SendLiteral("stty -g | cmp -s - before && touch stopped_same; fg");
    bash.SendKeys("Enter");
    PauseMs(500);
    bash.SendLiteral("a");
    ASSERT_TRUE(bash.WaitForText("97")) << bash.Screen();
    bash.SendLiteral("q");
    ASSERT_TRUE(bash.WaitForText("bye")) << bash.Screen();
    bash.SendLiteral("echo $? > status; stty -g | cmp -s - before && touch end_same; touch done");
    bash.SendKeys("Enter");
    for (int i = 0; i < 100 && !Exists(dir + "/done"); i++) PauseMs(50);
    EXPECT_TRUE(Exists(dir + "/stopped_same")) << "modes not given back while stopped";
    EXPECT_TRUE(Exists(dir + "/end_same")) << "modes not given back at the end";
    std::ifstream status(dir + "/status");
    int code = -1;
    status >> code;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(bash.Display("#{keypad_flag} #{keypad_cursor_flag} #{cursor_flag}"), "0 0 1");
    for (const char* f : {"before", "stopped_same", "end_same", "status", "done"}) unlink((dir + "/" + f).c_str());
    rmdir(dir.c_str());
}

// A run-time error while a page is on screen: the report is on the terminal
// (standard error), in the terminal's own colours, the page stays above it,
// and the status is the error's code.
TEST(SignalsRestoreError, RuntimeErrorOnAPage) {
    ConsolePane pane({"xterm-256color", "error"});
    EXPECT_EQ(pane.WaitForEnd(), 201);
    std::vector<std::string> rows = pane.Rows();
    int reportRow = -1;
    for (size_t y = 0; y < rows.size(); y++)
        if (rows[y].find("Runtime error 201") != std::string::npos) reportRow = static_cast<int>(y);
    ASSERT_GE(reportRow, 0) << "no report on the screen";
    EXPECT_NE(rows[0].find("A legnagyobb"), std::string::npos) << "the page is gone";
    std::vector<StyledLine> lines = pane.Styled();
    ASSERT_GT(lines.size(), static_cast<size_t>(reportRow));
    size_t at = rows[reportRow].find("Runtime error");
    // The text before the report is the page's, in its colours; the report's
    // own letters are in the terminal's default colours.
    for (size_t x = at; x < at + 13 && x < lines[reportRow].size(); x++) {
        EXPECT_EQ(lines[reportRow][x].Fg, -1) << "column " << x + 1;
        EXPECT_EQ(lines[reportRow][x].Bg, -1) << "column " << x + 1;
    }
    ExpectTerminalGivenBack(pane, "run-time error");
}

// A hardware fault while a page is on screen ends like any run-time error:
// the report (code 216) and the terminal given back.
TEST(SignalsRestoreError, AccessViolationOnAPage) {
    ConsolePane pane({"xterm-256color", "fault"});
    EXPECT_EQ(pane.WaitForEnd(), 216);
    bool reported = false;
    for (const std::string& r : pane.Rows())
        if (r.find("Runtime error 216") != std::string::npos) reported = true;
    EXPECT_TRUE(reported) << "no report on the screen";
    ExpectTerminalGivenBack(pane, "access violation");
}

// The terminal shrinks below the 80 x 25 window and grows again while the
// demo waits and writes: no crash, a normal end, modes given back.
TEST(SignalsRestoreResize, SmallerAndLargerInTheMiddle) {
    for (const char* term : {"xterm-256color", "linux"}) {
        ConsolePane pane({term, "wrap"});
        ASSERT_TRUE(pane.WaitFor("after")) << term;
        pane.Resize(50, 15);
        PauseMs(200);
        pane.Keys("Space");   // writes 30 lines into a window larger than the screen
        PauseMs(300);
        pane.Resize(130, 40);
        PauseMs(200);
        pane.Keys("Space");
        EXPECT_EQ(pane.WaitForEnd(), 0) << term;
        ExpectTerminalGivenBack(pane, term);
    }
    ConsolePane keys({"xterm-256color", "keys"});
    PauseMs(300);
    keys.Literal("ab");
    keys.Resize(40, 10);
    PauseMs(200);
    keys.Literal("cd");
    keys.Resize(120, 35);
    PauseMs(200);
    keys.Literal("q");
    EXPECT_EQ(keys.WaitForEnd(), 0);
    ExpectTerminalGivenBack(keys, "keys with resizes");
}

}  // namespace
