// Keys typed on a real terminal reach ReadKey as the codes a PC keyboard
// gives: the escape sequences tmux sends for its named keys, and the
// sequences each terminal type's own terminfo entry names. Plus the line
// editor as a user drives it.
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ConsolePane.h"

namespace {

const char* const kTerms[] = {"xterm-256color", "tmux-256color", "linux"};

std::string TermName(const ::testing::TestParamInfo<const char*>& info) {
    std::string s = info.param;
    for (char& c : s)
        if (c == '-') c = '_';
    return s;
}

// The keys scenario prints each code and a space; the text is on row 1.
std::string Codes(ConsolePane& pane) {
    if (!pane.WaitFor("bye")) return "(no end)";
    std::vector<std::string> rows = pane.Rows();
    return rows.empty() ? "" : rows[0];
}

struct NamedKey {
    const char* TmuxName;
    const char* Codes;   // what ReadKey returns, in order
};

// Named keys as tmux sends them (the same bytes whatever TERM says inside).
const NamedKey kNamedKeys[] = {
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
    PauseMs(300);   // the demo sets the terminal's modes before the first key
    std::string expected;
    for (const NamedKey& k : kNamedKeys) {
        pane.Keys(k.TmuxName);
        PauseMs(20);
        expected += std::string(k.Codes) + " ";
    }
    // A lone Esc is told from the start of a sequence by a short gap.
    pane.Keys("Escape");
    PauseMs(200);
    pane.Keys("q");
    expected += "27 113";
    EXPECT_EQ(Codes(pane), expected);
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

const CapKey kCapKeys[] = {
    {"kf1", "0 59"},   {"kf10", "0 68"},  {"kcuu1", "0 72"}, {"kcud1", "0 80"},
    {"kcub1", "0 75"}, {"kcuf1", "0 77"}, {"khome", "0 71"}, {"kend", "0 79"},
    {"kich1", "0 82"}, {"kdch1", "0 83"}, {"kpp", "0 73"},   {"knp", "0 81"},
    {"kcbt", "0 15"},
};

TEST_P(ConsoleKeys, TerminfoKeyStringsGiveThePcCodes) {
    DemoRun run{GetParam(), "keys"};
    run.Width = 200;
    ConsolePane pane(run);
    PauseMs(300);
    std::string expected;
    for (const CapKey& k : kCapKeys) {
        std::string bytes = Terminfo(GetParam(), k.Cap);
        if (bytes.empty()) continue;   // the entry has no such key
        pane.Bytes(bytes);
        PauseMs(20);
        expected += std::string(k.Codes) + " ";
    }
    pane.Keys("q");
    expected += "113";
    EXPECT_EQ(Codes(pane), expected);
    EXPECT_EQ(pane.WaitForEnd(), 0);
}

// A sequence that arrives in pieces is still one key, never ESC and letters.
TEST_P(ConsoleKeys, SequenceInPiecesIsOneKey) {
    ConsolePane pane({GetParam(), "keys"});
    PauseMs(300);
    pane.Bytes("\x1b[");
    PauseMs(20);
    pane.Bytes("1;5");
    PauseMs(20);
    pane.Bytes("H");   // Ctrl+Home in the xterm form
    PauseMs(20);
    pane.Keys("q");
    EXPECT_EQ(Codes(pane), "0 119 113");
    EXPECT_EQ(pane.WaitForEnd(), 0);
}

INSTANTIATE_TEST_SUITE_P(Terms, ConsoleKeys, ::testing::ValuesIn(kTerms), TermName);

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
    std::vector<std::string> Steps;   // "=text" literal, otherwise a tmux key name
    const char* Line;                 // what the demo echoes in brackets
};

const EditCase kEditCases[] = {
    {"OverwriteAfterLeft", {"=abc", "Left", "Left", "=X", "Enter"}, "aXc"},
    {"BackspaceAtEnd", {"=hello", "BSpace", "Enter"}, "hell"},
    {"BackspaceInsideDoesNothing", {"=abc", "Left", "BSpace", "Enter"}, "abc"},
    {"HomeThenOverwrite", {"=hello", "Home", "=J", "Enter"}, "Jello"},
    {"EndAfterHome", {"=ab", "Home", "End", "=c", "Enter"}, "abc"},
    {"EscErasesLine", {"=zzz", "Escape", "=ok", "Enter"}, "ok"},
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
    ASSERT_TRUE(pane.WaitFor("name:"));
    PauseMs(100);
    for (const std::string& s : c.Steps) {
        if (s[0] == '=') pane.Literal(s.substr(1));
        else pane.Keys(s);
        PauseMs(s == "Escape" ? 200 : 30);
    }
    std::string want = std::string("[") + c.Line + "]";
    ASSERT_TRUE(pane.WaitFor(want)) << c.Name;
    std::vector<std::string> rows = pane.Rows();
    ASSERT_GE(rows.size(), 2u);
    // The echo on the prompt row shows the line as it ended up.
    EXPECT_EQ(rows[0], std::string("name: ") + c.Line);
    EXPECT_EQ(rows[1], want);
    EXPECT_EQ(pane.WaitForEnd(), 0);
}

INSTANTIATE_TEST_SUITE_P(Demo, ConsoleLineEditor, ::testing::ValuesIn(kEditCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
