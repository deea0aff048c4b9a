// Keys typed on a real terminal reach ReadKey as the codes a PC keyboard
// gives: the escape sequences tmux sends for its named keys, and the
// sequences each terminal type's own terminfo entry names. Plus the line
// editor as a user drives it. (Sequences arriving in pieces, and a lone Esc
// told from a sequence by the time between bytes, are the key decoder's
// tests, on its clock.)
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ConsolePane.h"
#include "TerminalTypes.h"

namespace {

// The keys scenario prints "ready", then each code and a space on row 2.
std::string Codes(ConsolePane& pane) {
    if (!pane.WaitForText("bye")) return "(no end)";
    return pane.Row(1);
}

struct NamedKey {
    const char* TmuxName;
    const char* Codes;   // what ReadKey returns, in order
};

// Named keys as tmux sends them (the same bytes whatever TERM says inside).
const NamedKey NamedKeys[] = {
    {"F1", "0 59"},     {"Up", "0 72"},       {"Home", "0 71"},     {"BTab", "0 15"},
    {"S-F1", "0 84"},   {"C-Home", "0 119"},  {"F12", "0 134"},     {"End", "0 79"},
    {"PPage", "0 73"},  {"NPage", "0 81"},    {"DC", "0 83"},       {"IC", "0 82"},
    {"Left", "0 75"},   {"Right", "0 77"},    {"Down", "0 80"},     {"F5", "0 63"},
    {"C-F1", "0 94"},   {"M-1", "0 120"},     {"Tab", "9"},         {"BSpace", "8"},
    {"C-z", "26"},      {"C-\\", "28"},       {"C-s", "19"},        {"C-a", "1"},
    {"a", "97"},        {"Space", "32"},
};

class ConsoleKeys : public ::testing::TestWithParam<const char*> {};

TEST_P(ConsoleKeys, TmuxNamedKeysGiveThePcCodes) {
    DemoRun run{GetParam(), "keys"};
    run.Width = 200;
    ConsolePane pane(run);
    ASSERT_TRUE(pane.WaitForText("ready")) << pane.Screen();
    std::string names, expected;
    for (const NamedKey& k : NamedKeys) {
        names += std::string(k.TmuxName) + " ";
        expected += std::string(k.Codes) + " ";
    }
    // A lone Esc last: the q after it must wait until the Esc has been read
    // as a key of its own, or the two make Alt+q.
    pane.SendKeys(names + "Escape");
    expected += "27 ";
    ASSERT_TRUE(pane.WaitForRow(1, expected.substr(0, expected.size() - 1))) << pane.Screen();
    pane.SendKeys("q");
    EXPECT_EQ(Codes(pane), expected + "113");
    EXPECT_EQ(pane.WaitForEnd(), 0);
    EXPECT_TRUE(pane.ModesSame());
}

// The sequence terminfo gives for a capability under this terminal type.
std::string Terminfo(const std::string& term, const char* cap) {
    std::string cmd = "tput -T" + term + " " + cap + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return "";
    std::string out;
    char buf[64];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

struct CapKey {
    const char* Cap;
    const char* Codes;
};

const CapKey CapKeys[] = {
    {"kf1", "0 59"},   {"kf10", "0 68"},  {"kcuu1", "0 72"}, {"kcud1", "0 80"},
    {"kcub1", "0 75"}, {"kcuf1", "0 77"}, {"khome", "0 71"}, {"kend", "0 79"},
    {"kich1", "0 82"}, {"kdch1", "0 83"}, {"kpp", "0 73"},   {"knp", "0 81"},
    {"kcbt", "0 15"},
};

TEST_P(ConsoleKeys, TerminfoKeyStringsGiveThePcCodes) {
    DemoRun run{GetParam(), "keys"};
    run.Width = 200;
    ConsolePane pane(run);
    std::string bytes, expected;
    for (const CapKey& k : CapKeys) {
        std::string sequence = Terminfo(GetParam(), k.Cap);
        if (sequence.empty()) continue;   // the entry has no such key
        bytes += sequence;
        expected += std::string(k.Codes) + " ";
    }
    ASSERT_TRUE(pane.WaitForText("ready")) << pane.Screen();
    pane.SendBytes(bytes + "q");
    EXPECT_EQ(Codes(pane), expected + "113");
    EXPECT_EQ(pane.WaitForEnd(), 0);
}

INSTANTIATE_TEST_SUITE_P(Terms, ConsoleKeys, ::testing::ValuesIn(Terms),
                         [](const auto& info) { return TermTestName(info.param); });

// Standard input from a file while the screen is a terminal: the file's bytes
// are the keys, escape sequences decoded the same way, CR LF one Enter.
TEST(ConsoleKeysFromFile, FileBytesAreKeys) {
    const std::string file = ::testing::TempDir() + "console_keys_file";
    FILE* f = fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("a\x1bOP\x1b[A\r\nz\r", f);
    fclose(f);
    DemoRun run{"xterm-256color", "keys", file};
    ConsolePane pane(run);
    EXPECT_EQ(Codes(pane), "97 0 59 0 72 13 122 13");
    EXPECT_EQ(pane.WaitForEnd(), 0);
    EXPECT_TRUE(pane.ModesSame());
    remove(file.c_str());
}

struct EditCase {
    const char* Name;
    // "=text" typed as it is, "~text" wait until the line shows text (before
    // a lone Esc and after it), otherwise a tmux key name.
    std::vector<std::string> Steps;
    const char* Line;   // what the demo echoes in brackets
};

const EditCase EditCases[] = {
    {"OverwriteAfterLeft", {"=abc", "Left", "Left", "=X", "Enter"}, "aXc"},
    {"BackspaceAtEnd", {"=hello", "BSpace", "Enter"}, "hell"},
    {"BackspaceInsideDoesNothing", {"=abc", "Left", "BSpace", "Enter"}, "abc"},
    {"HomeThenOverwrite", {"=hello", "Home", "=J", "Enter"}, "Jello"},
    {"EndAfterHome", {"=ab", "Home", "End", "=c", "Enter"}, "abc"},
    {"EscErasesLine", {"=zzz", "~zzz", "Escape", "~", "=ok", "Enter"}, "ok"},
    {"CtrlYErasesLine", {"=zzz", "C-y", "=ok", "Enter"}, "ok"},
    {"CtrlZIgnored", {"=a", "C-z", "=b", "Enter"}, "ab"},
    {"ArrowsUpDownIgnored", {"=a", "Up", "Down", "F1", "=b", "Enter"}, "ab"},
    {"AccentedLetters", {"=\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91", "Enter"},
     "\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91"},
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.Name; }

class ConsoleLineEditor : public ::testing::TestWithParam<EditCase> {};

TEST_P(ConsoleLineEditor, EditsAsTyped) {
    const EditCase& c = GetParam();
    ConsolePane pane({"xterm-256color", "readline"});
    ASSERT_TRUE(pane.WaitForText("name:"));
    for (const std::string& s : c.Steps) {
        if (s[0] == '=') pane.SendLiteral(s.substr(1));
        else if (s[0] == '~') ASSERT_TRUE(pane.WaitForRow(0, s.size() > 1 ? "name: " + s.substr(1) : "name:"))
            << pane.Screen();
        else pane.SendKeys(s);
    }
    std::string want = std::string("[") + c.Line + "]";
    ASSERT_TRUE(pane.WaitForText(want)) << c.Name;
    std::vector<std::string> rows = pane.Lines();
    ASSERT_GE(rows.size(), 2u);
    // The echo on the prompt row shows the line as it ended up.
    EXPECT_EQ(rows[0], std::string("name: ") + c.Line);
    EXPECT_EQ(rows[1], want);
    EXPECT_EQ(pane.WaitForEnd(), 0);
}

INSTANTIATE_TEST_SUITE_P(Demo, ConsoleLineEditor, ::testing::ValuesIn(EditCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
