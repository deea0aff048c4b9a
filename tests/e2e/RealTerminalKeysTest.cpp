// Keys typed on real terminals: an X server of the test's own (Xvfb), real
// key events sent through XTEST (xdotool) to xterm, urxvt, kitty and tmux
// inside xterm, and the console demo inside logging each ReadKey code to a
// file. Every key of the key table goes in one batch per terminal, a space
// after each, and the codes are compared once; a terminal's keys that it
// does not send apart from others are left out, by name and why. In xterm,
// what its Alt and Ctrl keys send is the same before the runs and after
// each kind of end (its settings given back).
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Files.h"
#include "KeyCases.h"
#include "Poll.h"
#include "Processes.h"

namespace {

// The keypad keys that need Num Lock on.
bool NumLockKey(const std::string& key) {
    return key == "KP_Decimal" || (key.size() == 4 && key.rfind("KP_", 0) == 0 && std::isdigit(key[3]));
}

// Keys a US keyboard lacks (á) are not typed: xdotool would map a spare
// key to them for a moment, and a terminal that reads the mapping late
// finds it undone. Their forms are the decoder's byte scripts.
bool OffTheKeyboard(const std::string& key) { return key.find("aacute") != std::string::npos; }

// An X server on a display of its own.
class XServer {
public:
    XServer() : x_(Setup()) {
        // -displayfd writes the display's number once the server listens.
        x_.WaitUntil([&] { return x_.Out().find('\n') != std::string::npos; });
        if (x_.Out().find('\n') != std::string::npos) display_ = ":" + x_.Out().substr(0, x_.Out().find('\n'));
    }
    // Ended so that it removes its socket and lock file.
    ~XServer() {
        if (x_.Started()) kill(x_.Pid(), SIGTERM);
        x_.WaitExit();
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    const std::string& Display() const { return display_; }

    // An X client run to its end: its output, or "" when it failed.
    std::string Run(std::vector<std::string> argv, int timeoutMs = WaitMs) const {
        ChildSetup s;
        s.Argv = std::move(argv);
        s.Env = {"DISPLAY=" + display_};
        const ChildResult r = RunChild(s, timeoutMs);
        return r.exited && r.exitCode == 0 ? r.out + " " : "";
    }

private:
    static ChildSetup Setup() {
        ChildSetup s;
        // No key repeats, however late a key's release comes on a loaded machine.
        s.Argv = {"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-ardelay", "60000"};
        s.Stderr = ChildSetup::Err::DevNull;
        return s;
    }
    ChildProcess x_;
    std::string display_;
};

// A terminal window running a script, which the test drives by files in
// the scratch folder: the demo's codes, its exit statuses, the probes.
class Terminal {
public:
    Terminal(const XServer& x, const TempDir& dir, const std::vector<std::string>& command,
             const std::vector<std::string>& env, const std::string& script)
        : x_(x), dir_(dir), title_("kelmarosz-keys-" + std::to_string(getpid())) {
        WriteWholeFile(dir.File("run"), script);
        ChildSetup s;
        for (const std::string& a : command) s.Argv.push_back(a == "TITLE" ? title_ : a);
        s.Argv.insert(s.Argv.end(), {"bash", dir.File("run")});
        s.Env = env;
        s.Env.insert(s.Env.end(), {"DISPLAY=" + x.Display(), "HOME=" + dir.Path(), "TMUX*", "LC_*",
                                   "LANG=C.UTF-8", "DEMO=" CONSOLE_DEMO_PATH});
        s.Stderr = ChildSetup::Err::DevNull;
        s.CaptureOut = false;
        process_ = std::make_unique<ChildProcess>(s);
    }
    int Pid() const { return process_->Pid(); }

    // Focus to the window (no window manager gives it), then the keys as X
    // key events, the way a keyboard sends them.
    bool Type(const std::vector<std::string>& keys) {
        if (window_.empty()) {
            window_ = x_.Run({"xdotool", "search", "--sync", "--name", "^" + title_ + "$"}, PtyStartMs);
            window_ = window_.substr(0, window_.find_first_of("\n "));
        }
        if (window_.empty() || x_.Run({"xdotool", "windowfocus", "--sync", window_}).empty()) return false;
        std::vector<std::string> argv = {"xdotool", "key", "--delay", "4"};
        argv.insert(argv.end(), keys.begin(), keys.end());
        return !x_.Run(argv, 60000).empty();
    }
    // Waits until the file is there and holds text (at its end, when atEnd);
    // as long as a program takes to start, which each step may do.
    bool WaitForFile(const std::string& name, const std::string& text = "", bool atEnd = false,
                     int timeoutMs = PtyStartMs) {
        return PollUntil([&] {
            if (access(dir_.File(name).c_str(), F_OK) != 0) return false;
            const std::string s = ReadWholeFile(dir_.File(name));
            return atEnd ? s.size() >= text.size() && s.compare(s.size() - text.size(), text.size(), text) == 0
                         : s.find(text) != std::string::npos;
        }, timeoutMs);
    }
    std::string File(const std::string& name) const { return ReadWholeFile(dir_.File(name)); }
    // A terminal may act on keys before it acts on the program's output
    // that set its key modes, the more so on a loaded machine: Ctrl+1 and a
    // space are typed until Ctrl+1 comes as a key of its own (0 2), not as
    // "1". The log's size then; npos when it never does.
    size_t AwaitKeyModes(const std::string& log) {
        for (int tries = 0; tries < 50; tries++) {
            const size_t before = File(log).size();
            if (!Type({"ctrl+1", "space"}) || !PollUntil([&] {
                    const std::string s = File(log);
                    return s.size() > before && s.ends_with("32 ");
                }, PtyStartMs))
                break;
            const std::string s = File(log);
            if (s.ends_with("\n0 2 32 ") || s.ends_with(" 0 2 32 ")) return s.size();
        }
        return std::string::npos;
    }

private:
    const XServer& x_;
    const TempDir& dir_;
    std::string title_, window_;
    std::unique_ptr<ChildProcess> process_;
};

// What the script holds: the demo's key log as a step, and in xterm the
// probes between the kinds of end. A probe notes what Alt+1, Ctrl+1 and x
// send in the shell's raw mode, up to the x.
const char* const ScriptStart = R"script(cd "$(dirname "$0")"
probe() {
  # Ready once xterm has answered a status report, so has acted on all that
  # came before (the program's give-back); read away with it, whatever it
  # sent before (the answers to a program that ended first).
  old=$(stty -g); stty raw -echo; printf '\033[5n'; IFS= read -r -d n ok; : > probe$1.ready
  IFS= read -r -d x k; stty "$old"
  printf %s "$k" | od -An -tx1 | tr -d ' \n' > probe$1.part; mv probe$1.part probe$1
}
run() { "$DEMO" "$@"; echo $? > "status.$2.part"; mv "status.$2.part" "status.$2"; }
)script";

struct Figures {
    int Right = 0, Wrong = 0, Lost = 0, NotSent = 0;
};

struct TerminalCase {
    const char* Name;
    std::vector<std::string> Command;   // TITLE: the window's title
    std::vector<std::string> Env;
    bool Releases;                      // key releases are reported (kitty)
    // Keys the terminal sends as it sends other keys, or not at all.
    std::vector<std::string> NotSentApart;
    // Every key it sends apart gives its codes; else (tmux, which takes
    // xterm's 8-bit Alt as characters) the table's cells right at least.
    bool Exact;
    int CellsRightAtLeast;
    // The program changes what its Ctrl+1 sends: typed once that shows.
    bool KeyModes;
};

void PrintTo(const TerminalCase& c, std::ostream* os) { *os << c.Name; }

// Types the key table in one batch; the codes, and the figures over the
// table's cells.
Figures TypeTheTable(Terminal& t, const TerminalCase& c, std::string& failures) {
    const std::set<std::string> left(c.NotSentApart.begin(), c.NotSentApart.end());
    std::vector<const KeyCase*> sent;
    Figures f;
    for (const KeyCase& k : KeyCases) {
        if (left.count(k.Key) != 0) f.NotSent += k.TableCell;
        else if (k.Key != "Escape" && !OffTheKeyboard(k.Key)) sent.push_back(&k);   // Esc is typed last, alone
    }
    // The Num Lock keys after the others, between two presses of Num Lock
    // (a fresh X server takes a lock key as its first key badly).
    std::stable_partition(sent.begin(), sent.end(), [](const KeyCase* k) { return !NumLockKey(k->Key); });
    std::vector<std::string> keys;
    std::ostringstream want;
    bool numLock = false;
    for (const KeyCase* k : sent) {
        if (NumLockKey(k->Key) != numLock) {
            keys.push_back("Num_Lock");
            numLock = !numLock;
        }
        keys.insert(keys.end(), {k->Key, "space"});
        for (int code : c.Releases ? k->CodesWithReleases : k->Codes) want << code << " ";
        want << "32 ";
    }
    // A lone Esc once the rest has come, so no key follows it within the
    // time that tells it from the start of a sequence; then the end.
    size_t from = std::string("ready\n").size();
    if (!t.WaitForFile("codes", "ready\n") || (c.KeyModes && (from = t.AwaitKeyModes("codes")) == std::string::npos) ||
        !t.Type(keys) || !t.WaitForFile("codes", " 32 ", true) ||
        !t.Type({"Escape"}) || !t.WaitForFile("codes", " 27 ", true) || !t.Type({"q", "q"}) ||
        !t.WaitForFile("status.codes")) {
        failures += "the run did not go through; codes: " + t.File("codes") + "\n";
        return f;
    }
    std::string got = t.File("codes").substr(from);
    const std::string tail = "27 113 113 ";
    if (got.size() < tail.size() || got.compare(got.size() - tail.size(), tail.size(), tail) != 0)
        failures += "the log does not end with Esc and q q\n";
    got = got.substr(0, got.size() - std::min(got.size(), tail.size()));
    // Split at the spaces typed after each key.
    std::vector<std::vector<int>> groups(1);
    std::istringstream in(got);
    for (int code; in >> code;) {
        if (code == 32) groups.emplace_back();
        else groups.back().push_back(code);
    }
    groups.pop_back();
    if (groups.size() != sent.size()) {
        failures += "keys and spaces out of step:\n want " + want.str() + "\n got  " + got + "\n";
        return f;
    }
    for (size_t i = 0; i < sent.size(); i++) {
        const std::vector<int>& expected = c.Releases ? sent[i]->CodesWithReleases : sent[i]->Codes;
        const bool right = groups[i] == expected;
        if (sent[i]->TableCell) (right ? f.Right : groups[i].empty() ? f.Lost : f.Wrong)++;
        if (!right && (c.Exact || sent[i]->TableCell)) {
            failures += sent[i]->Key + ": want " + testing::PrintToString(expected) + ", got " +
                        testing::PrintToString(groups[i]) + "\n";
        }
    }
    return f;
}

const TerminalCase TerminalCases[] = {
    {"xterm",
     {"xterm", "-T", "TITLE", "-geometry", "100x30", "-e"},
     {},
     false,
     // Its own bindings: scrolling, pasting, the font size, full screen.
     {"shift+Prior", "shift+Next", "shift+Insert", "shift+KP_Subtract", "shift+KP_Add", "alt+Return"},
     true,
     217,
     true},
    {"urxvt",
     {"urxvt", "-title", "TITLE", "-geometry", "100x30", "-e"},
     {},
     false,
     {// Ctrl with a digit, =, Tab, Enter or / sends what the key sends
      // alone, or another key's control byte.
      "ctrl+1", "ctrl+3", "ctrl+4", "ctrl+5", "ctrl+7", "ctrl+8", "ctrl+9", "ctrl+0", "ctrl+equal", "ctrl+Tab",
      "ctrl+Return", "ctrl+slash",
      // Shift+F1 and F2 are F11 and F12; its scrolling and pasting.
      "shift+F1", "shift+F2", "shift+Prior", "shift+Next", "shift+Insert",
      // The application keypad: with Shift, 5 sends nothing and / types
      // "/"; with Ctrl every key sends what it sends alone.
      "shift+KP_Begin", "shift+KP_Divide", "ctrl+KP_Home", "ctrl+KP_Up", "ctrl+KP_Prior", "ctrl+KP_Left",
      "ctrl+KP_Begin", "ctrl+KP_Right", "ctrl+KP_End", "ctrl+KP_Down", "ctrl+KP_Next", "ctrl+KP_Insert",
      "ctrl+KP_Delete", "ctrl+KP_Subtract", "ctrl+KP_Add", "ctrl+KP_Multiply", "ctrl+KP_Divide", "ctrl+KP_Enter"},
     true,
     188,
     false},
    {"kitty",
     {"kitty", "--title", "TITLE", "-o", "font_size=8"},
     {"LIBGL_ALWAYS_SOFTWARE=1"},
     true,
     // Its own bindings: pasting, the next tab, full screen, clearing.
     {"shift+Insert", "ctrl+Tab", "ctrl+shift+F11", "ctrl+shift+Delete"},
     true,
     221,
     true},
    {"tmux_in_xterm",
     {"xterm", "-T", "TITLE", "-geometry", "100x30", "-e", "tmux", "-f", "/dev/null", "new-session"},
     {},
     false,
     // xterm's bindings, and what xterm sends alike without the settings
     // the program asks of it, which tmux cannot pass on.
     {"shift+Prior", "shift+Next", "shift+Insert", "shift+KP_Subtract", "shift+KP_Add", "alt+Return", "ctrl+1",
      "ctrl+3", "ctrl+4", "ctrl+5", "ctrl+7", "ctrl+8", "ctrl+9", "ctrl+0", "ctrl+equal", "ctrl+Tab",
      "ctrl+Return", "ctrl+slash", "ctrl+minus", "alt+Tab", "ctrl+KP_Enter"},
     false,
     189,   // as many as before the program asked xterm for its settings
     false},
};

class RealTerminalKeys : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(RealTerminalKeys, EveryKeyOfTheTable) {
    const TerminalCase& c = GetParam();
    XServer x;
    ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
    TempDir dir;
    std::vector<std::string> env = c.Env;
    env.push_back("TMUX_TMPDIR=" + dir.Path());
    Terminal t(x, dir, c.Command, env, std::string(ScriptStart) + "run keylog codes\n");
    std::string failures;
    const Figures f = TypeTheTable(t, c, failures);
    std::cout << c.Name << ": " << f.Right << " right, " << f.Wrong << " wrong, " << f.Lost << " lost, "
              << f.NotSent << " not sent apart, of " << f.Right + f.Wrong + f.Lost + f.NotSent << " cells\n";
    EXPECT_EQ(f.Right + f.Wrong + f.Lost + f.NotSent, 223);
    EXPECT_GE(f.Right, c.CellsRightAtLeast);
    if (c.Exact) {
        EXPECT_EQ(failures, "");
    } else if (f.Right < c.CellsRightAtLeast) {
        ADD_FAILURE() << failures;
    }
    EXPECT_EQ(t.File("status.codes"), "0\n");
}

INSTANTIATE_TEST_SUITE_P(Terminals, RealTerminalKeys, ::testing::ValuesIn(TerminalCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// xterm's Alt and Ctrl keys send what they sent before the program ran, after
// a normal end, Ctrl-C (a key there), a signal and a run-time error.
TEST(RealTerminalKeysXterm, SettingsGivenBackAtEveryEnd) {
    XServer x;
    ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
    TempDir dir;
    Terminal t(x, dir, {"xterm", "-T", "TITLE", "-e"}, {},
               std::string(ScriptStart) +
                   "probe 0; run keylog ctrlc; probe 1; run keylog term; probe 2; run error err; probe 3; "
                   "run keylog end; probe 4\n");
    auto probe = [&](int n) {
        const std::string name = "probe" + std::to_string(n);
        return t.WaitForFile(name + ".ready") && t.Type({"alt+1", "ctrl+1", "x"}) && t.WaitForFile(name)
                   ? t.File(name)
                   : "(no probe)";
    };
    const std::string before = probe(0);
    EXPECT_NE(before, "(no probe)");

    ASSERT_TRUE(t.WaitForFile("ctrlc", "ready\n"));
    const size_t ctrlcFrom = t.AwaitKeyModes("ctrlc");
    ASSERT_NE(ctrlcFrom, std::string::npos) << t.File("ctrlc");
    ASSERT_TRUE(t.Type({"alt+1", "ctrl+c"}));
    ASSERT_TRUE(t.WaitForFile("status.ctrlc"));
    EXPECT_EQ(t.File("ctrlc").substr(ctrlcFrom), "0 120 ") << "Alt+1 as the program's key, then Ctrl-C ends the run";
    EXPECT_EQ(t.File("status.ctrlc"), "130\n");
    EXPECT_EQ(probe(1), before) << "after Ctrl-C";

    ASSERT_TRUE(t.WaitForFile("term", "ready\n"));
    const int demo = FindProcess(t.Pid(), "console_demo");
    ASSERT_GT(demo, 0);
    ASSERT_TRUE(WaitUntilWaitingForInput(demo));
    kill(demo, SIGTERM);
    ASSERT_TRUE(t.WaitForFile("status.term"));
    EXPECT_EQ(t.File("status.term"), "143\n");
    EXPECT_EQ(probe(2), before) << "after SIGTERM";

    ASSERT_TRUE(t.WaitForFile("status.err"));
    EXPECT_EQ(t.File("status.err"), "201\n");
    EXPECT_EQ(probe(3), before) << "after a run-time error";

    ASSERT_TRUE(t.WaitForFile("end", "ready\n"));
    const size_t endFrom = t.AwaitKeyModes("end");
    ASSERT_NE(endFrom, std::string::npos) << t.File("end");
    ASSERT_TRUE(t.Type({"q", "q"}));
    ASSERT_TRUE(t.WaitForFile("status.end"));
    EXPECT_EQ(t.File("end").substr(endFrom), "113 113 ");
    EXPECT_EQ(probe(4), before) << "after a normal end";
}

}  // namespace
