// Keys typed on a real terminal reach ReadKey as the codes a PC keyboard
// gives: the keys of the shared key table as tmux sends them, by name.
// (Each terminal entry's own key strings, sequences arriving in pieces, and
// a lone Esc told from a sequence by the time between bytes, are the key
// decoder's tests, on its clock.)
#include <cctype>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "ConsolePane.h"
#include "KeyCases.h"
#include "TerminalTypes.h"

namespace {

// The keys scenario prints "ready", then each code and a space on row 2.
std::string Codes(ConsolePane& pane) {
    if (!pane.WaitForText("bye")) return "(no end)";
    return pane.Row(1);
}

// A key of the table as tmux's send-keys names it; "" for one it sends
// otherwise than the table's forms, or not at all.
std::string TmuxName(const std::string& key) {
    static const std::map<std::string, std::string> names = {
        {"Prior", "PPage"},      {"Next", "NPage"},   {"Insert", "IC"},   {"Delete", "DC"},
        {"BackSpace", "BSpace"}, {"space", "Space"},  {"slash", "/"},     {"equal", "="},
        {"backslash", "\\"},     {"KP_Divide", "KP/"}, {"aacute", "\xC3\xA1"},
        {"Return", ""},          {"Escape", ""},      {"KP_Enter", ""},   {"KP_Insert", ""},
        {"KP_Begin", ""},        {"2", ""},
    };
    std::string name, base = key;
    for (auto [x, prefix] : {std::pair{"ctrl+", "C-"}, {"shift+", "S-"}, {"alt+", "M-"}})
        if (base.rfind(x, 0) == 0) name += prefix, base.erase(0, std::string(x).size());
    if (auto it = names.find(base); it != names.end()) base = it->second;
    if (base.empty()) return "";
    if (base.rfind("KP_", 0) == 0) base = "KP" + base.substr(3);
    if (name == "S-" && base == "Tab") return "BTab";
    if (name == "S-" && base.size() == 1) return std::string(1, static_cast<char>(std::toupper(base[0])));
    return name + base;
}

class ConsoleKeys : public ::testing::TestWithParam<const char*> {};

TEST_P(ConsoleKeys, TmuxNamedKeysGiveThePcCodes) {
    DemoRun run{GetParam(), "keys"};
    run.Width = 500;   // every code on one row
    ConsolePane pane(run);
    ASSERT_TRUE(pane.WaitForText("ready")) << pane.Screen();
    std::string names, expected;
    // The Linux console's entry turns no application keypad on: there tmux
    // sends the keypad's keys as the characters they type.
    const bool keypad = std::string(GetParam()) != "linux";
    for (const KeyCase& k : KeyCases) {
        const std::string name = TmuxName(k.Key);
        if (name.empty() || (!keypad && name.find("KP") != std::string::npos)) continue;
        names += name + " ";
        for (int c : k.Codes) expected += std::to_string(c) + " ";
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

INSTANTIATE_TEST_SUITE_P(Terms, ConsoleKeys, ::testing::ValuesIn(Terms),
                         [](const auto& info) { return TermTestName(info.param); });

// Standard input from a file while the screen is a terminal: the file's bytes
// are the keys, escape sequences decoded the same way, CR LF one Enter.
TEST(ConsoleKeysFromFile, FileBytesAreKeys) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("keys"), "a\x1bOP\x1b[A\r\nz\r"));
    DemoRun run{"xterm-256color", "keys", dir.File("keys")};
    ConsolePane pane(run);
    EXPECT_EQ(Codes(pane), "97 0 59 0 72 13 122 13");
    EXPECT_EQ(pane.WaitForEnd(), 0);
    EXPECT_TRUE(pane.ModesSame());
}

}  // namespace
