// Keys on terminals that report no key releases (tmux here, as xterm,
// screen and the linux console): Alt with the cursor keys and the keypad
// is the extended key with its Alt code, Alt with a letter no PC key types
// is that letter, and each entry's modified F-keys are the keys they stand
// for. The key-code runs use the console demo, which prints every code.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TmuxSession.h"

namespace {

const std::string Prompt = "Fájlnév (*.dat, opcionális: 4x8_1,5x3,8_ures):";

// The demo printing key codes under a terminal type, in a wide pane, once
// it has written its ready line (its terminal is set up for keys).
std::unique_ptr<TmuxSession> KeysDemo(const std::string& term) {
    auto t = std::make_unique<TmuxSession>("env TERM=" + term + " '" + std::string(CONSOLE_DEMO_PATH) + "' keys",
                                           "", 200, 25);
    EXPECT_TRUE(t->Started());
    EXPECT_TRUE(t->WaitForText("ready")) << t->Screen();
    return t;
}

// Waits until the demo's codes row (the one after its ready line) shows
// these codes, then ends the demo with q.
void ExpectCodes(TmuxSession& t, std::string codes) {
    while (!codes.empty() && codes.back() == ' ') codes.pop_back();
    EXPECT_TRUE(t.WaitForRow(1, codes)) << t.Screen();
    t.SendKeys("q");
    ASSERT_TRUE(t.WaitForExit());
    EXPECT_EQ(t.ExitStatus(), 0);
}

TEST(TerminalKeys, AltWithCursorAndKeypadKeysIsTheExtendedKeyWithItsAltCode) {
    auto t = KeysDemo("xterm-256color");
    const struct {
        const char* Key;
        const char* Codes;
    } keys[] = {
        {"M-Home", "0 151"}, {"M-Up", "0 152"},    {"M-PPage", "0 153"}, {"M-Left", "0 155"},
        {"M-Right", "0 157"}, {"M-End", "0 159"},  {"M-Down", "0 160"},  {"M-NPage", "0 161"},
        {"M-IC", "0 162"},   {"M-KP0", "0 162"},   {"M-KP1", "0 159"},   {"M-KP2", "0 160"},
        {"M-KP3", "0 161"},  {"M-KP4", "0 155"},   {"M-KP5", "0 76"},    {"M-KP6", "0 157"},
        {"M-KP7", "0 151"},  {"M-KP8", "0 152"},   {"M-KP9", "0 153"},   {"KP7", "55"},
    };
    std::string want;
    for (const auto& k : keys) {
        t->SendKeys(k.Key);
        want += std::string(k.Codes) + " ";
    }
    ExpectCodes(*t, want);
}

// The linux console sends Shift+F3 .. Shift+F10 as its kf13 .. kf20, and
// Shift+F1, Shift+F2 as F11, F12.
TEST(TerminalKeys, LinuxConsoleShiftedFunctionKeys) {
    auto t = KeysDemo("linux");
    std::string want;
    for (int n : {25, 26, 28, 29, 31, 32, 33, 34}) t->SendBytes("\x1b[" + std::to_string(n) + "~");
    for (int code = 86; code <= 93; code++) want += "0 " + std::to_string(code) + " ";
    t->SendBytes("\x1b[23~\x1b[24~");
    want += "0 133 0 134 ";
    ExpectCodes(*t, want);
}

std::unique_ptr<TmuxSession> Program() {
    auto t = std::make_unique<TmuxSession>("'" + std::string(KELMAROSZ_EXE) + "'", KELMAROSZ_DATA_DIR);
    EXPECT_TRUE(t->Started());
    EXPECT_TRUE(t->WaitForText(Prompt)) << t->Screen();
    return t;
}

// Each Alt key ends two of the program's key waits: Alt+Up the matrix's and
// the picture's, Alt with keypad 1 the converted matrix's and the prefix
// sums', Alt+Home the result page's (its second code is never read).
TEST(TerminalKeys, AltCursorKeysEndTwoKeyWaitsOfTheProgram) {
    auto t = Program();
    t->SendKeys("Enter");
    ASSERT_TRUE(t->WaitForText("   4   0   8   0   9   1   0   2   0")) << t->Screen();
    t->SendKeys("M-Up");
    ASSERT_TRUE(t->WaitForText("Alapkonverzió után:")) << t->Screen();
    t->SendKeys("M-KP1");
    ASSERT_TRUE(t->WaitForText("A részmátrix területe:12")) << t->Screen();
    EXPECT_FALSE(t->Dead()) << "more than four waits ended";
    t->SendKeys("M-Home");
    ASSERT_TRUE(t->WaitForExit()) << t->Screen();
    EXPECT_EQ(t->ExitStatus(), 0);
}

// Alt with a letter of a Hungarian layout is the letter: the line editor
// stores it and takes the next key as a key, not as an extended code.
TEST(TerminalKeys, AltWithALetterNoPcKeyTypesIsThatLetter) {
    auto t = Program();
    t->SendLiteral("ab");
    t->SendBytes("\x1b\xc3\xa1");   // Alt+á
    t->SendLiteral("GX");
    t->SendKeys("Enter");   // no such file: the prompt again
    ASSERT_TRUE(t->WaitForRow(2, Prompt)) << t->Screen();
    EXPECT_EQ(t->Row(1), Prompt + "abáGX");
}

}  // namespace
