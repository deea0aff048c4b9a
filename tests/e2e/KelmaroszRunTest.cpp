// The built program in a real terminal (tmux): whole runs, names typed and
// from the command line, the line editor, output into a file. (Bad files,
// exit codes and the pages' colours are the program's, the report's and the
// piped runs' tests.) Texts on the screen are UTF-8 here, as the terminal
// shows the program's Windows-1250 bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "Files.h"
#include "TmuxSession.h"

namespace fs = std::filesystem;

namespace {

const std::string Prompt = "Fájlnév (*.dat, opcionális: 4x8_1,5x3,8_ures):";
const std::string InputTitle = std::string(24, ' ') + "Kelmarosz keresése -- beolvasás";

// The columns a UTF-8 text takes on the screen (one per character here).
int Columns(const std::string& text) {
    int n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

class KelmaroszRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().empty());
        for (const auto& e : fs::directory_iterator(KELMAROSZ_DATA_DIR))
            if (e.path().extension() == ".dat") fs::copy_file(e.path(), dir_.File(e.path().filename()));
    }
    void TearDown() override {
        tmux_.reset();   // kills the server, also after a failed assertion
    }

    // Starts the program in the data copy, its standard error into err.txt.
    void Start(const std::string& redirections = "2>err.txt", bool waitForPrompt = true) {
        tmux_ = std::make_unique<TmuxSession>(
            "'" + std::string(KELMAROSZ_EXE) + "' " + redirections, dir_.Path());
        ASSERT_TRUE(tmux_->Started());
        if (waitForPrompt) {
            ASSERT_TRUE(tmux_->WaitForText(Prompt)) << tmux_->Screen();
        }
    }
    void File(const std::string& name, const std::string& content) { WriteWholeFile(dir_.File(name), content); }
    std::string ReadFile(const std::string& name) { return ReadWholeFile(dir_.File(name)); }
    void Open(const std::string& name) {
        tmux_->SendLiteral(name);
        tmux_->SendKeys("Enter");
    }
    // One key, then waits for text to appear.
    void Next(const std::string& text) {
        tmux_->SendKeys("Space");
        ASSERT_TRUE(tmux_->WaitForText(text)) << "waiting for " << text << "\n" << tmux_->Screen();
    }
    // Rows from..from+size-1 equal rows.
    void ExpectRows(int from, const std::vector<std::string>& rows) {
        auto lines = tmux_->Lines();
        lines.resize(25);
        for (size_t i = 0; i < rows.size(); i++)
            EXPECT_EQ(lines[from + i], rows[i]) << "row " << from + i << "\n" << tmux_->Screen();
    }
    void ExpectExit(int status) {
        ASSERT_TRUE(tmux_->WaitForExit()) << tmux_->Screen();
        EXPECT_EQ(tmux_->ExitStatus(), status);
    }

    TempDir dir_;
    std::unique_ptr<TmuxSession> tmux_;
};

TEST_F(KelmaroszRun, WholeRunOfTheTwoByThreeExample) {
    Start();
    ExpectRows(0, {InputTitle, Prompt});
    Open("pelda_2x3");
    ASSERT_TRUE(tmux_->WaitForText("   2   7   0   0"));
    ExpectRows(1, {Prompt + "pelda_2x3", "A beolvasás sikerült.", "", "       1   2   3",
                   "   1   0   5   0", "   2   7   0   0", ""});

    Next("Üres-nem üres:");
    ExpectRows(8, {"Üres-nem üres:", "", "       1   2   3", "   1       *", "   2   *", ""});

    Next("Alapkonverzió után:");
    ExpectRows(14, {"Alapkonverzió után:", "", "       1   2   3", "   1   0  -6   0",
                    "   2  -6   0   0", ""});

    // The prefix sums reach the bottom: the window has scrolled by two rows.
    Next("Rész-összegek mátrixa:");
    ASSERT_TRUE(tmux_->WaitForRow(22, "   2  -6 -12 -12"));
    ExpectRows(18, {"Rész-összegek mátrixa:", "", "       1   2   3", "   1   0  -6  -6",
                    "   2  -6 -12 -12", "", ""});

    Next("A keresett részmátrix: (1,3)..(2,3)");
    ASSERT_TRUE(tmux_->WaitForRow(6, "   2"));
    ExpectRows(0, {std::string(20, ' ') + "Kelmarosz keresése -- eredmény:pelda_2x3",
                   "A keresett részmátrix: (1,3)..(2,3)", "A részmátrix területe:2", "",
                   "       3", "   1", "   2", "", ""});

    tmux_->SendKeys("Space");
    ExpectExit(0);
    EXPECT_EQ(ReadFile("err.txt"), "");
    // The screen keeps the result page.
    EXPECT_TRUE(tmux_->WaitForText("A keresett részmátrix: (1,3)..(2,3)"));
}

// A name on the command line is typed at the prompt: the first table comes
// without a key.
TEST_F(KelmaroszRun, ANameOnTheCommandLineOpensThatFile) {
    Start("pelda_2x3 2>err.txt", false);
    ASSERT_TRUE(tmux_->WaitForText("   2   7   0   0")) << tmux_->Screen();
    ExpectRows(0, {InputTitle, Prompt + "pelda_2x3", "A beolvasás sikerült.", "", "       1   2   3",
                   "   1   0   5   0", "   2   7   0   0", ""});
}

// Names as typed, in the terminal's encoding: a letter without a
// Windows-1250 form is left out of a name from the command line; Alt with a
// letter no PC key types (Alt+á on a Hungarian layout) is that letter, and
// the next key a key, not an extended code. A name that cannot be opened
// brings the prompt back on the next line.
TEST_F(KelmaroszRun, HungarianNamesFromTheCommandLineAndTyped) {
    File("árvíztűrő.dat", "1 2\n0 7\n");
    Start("'tűrőж' 2>err.txt");
    ASSERT_TRUE(tmux_->WaitForRow(2, Prompt)) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(1), Prompt + "tűrő");
    tmux_->SendLiteral("ab");
    tmux_->SendBytes("\x1b\xc3\xa1");   // Alt+á
    Open("GX");
    ASSERT_TRUE(tmux_->WaitForRow(3, Prompt)) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(2), Prompt + "abáGX");
    Open("árvíztűrő");
    ASSERT_TRUE(tmux_->WaitForText("A beolvasás sikerült.")) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(3), Prompt + "árvíztűrő");
    tmux_->SendKeys("Space Space Space Space");
    ASSERT_TRUE(tmux_->WaitForText("eredmény:árvíztűrő")) << tmux_->Screen();
    EXPECT_TRUE(tmux_->WaitForText("A keresett részmátrix: (1,1)..(1,1)"));
    tmux_->SendKeys("Space");
    ExpectExit(0);
}

TEST_F(KelmaroszRun, TheLineEditorsKeysEditTheName) {
    Start();
    // Esc clears, Backspace drops the last letter, Home and typing overwrite.
    // A lone Escape is told from the start of a key's sequence by the time
    // before the next key: that key goes out once the line is cleared.
    tmux_->SendLiteral("szemet");
    ASSERT_TRUE(tmux_->WaitForRow(1, Prompt + "szemet")) << tmux_->Screen();
    tmux_->SendKeys("Escape");
    // The line is gone and the cursor is back where typing started.
    ASSERT_TRUE(tmux_->WaitForRow(1, Prompt)) << tmux_->Screen();
    ASSERT_TRUE(tmux_->WaitForCursor(Columns(Prompt), 1)) << tmux_->Display("#{cursor_x} #{cursor_y}");
    tmux_->SendLiteral("pelda_2x4");
    tmux_->SendKeys("BSpace");
    tmux_->SendLiteral("3");
    tmux_->SendKeys("Home");
    tmux_->SendLiteral("p");
    tmux_->SendKeys("End Enter");
    ASSERT_TRUE(tmux_->WaitForText("A beolvasás sikerült.")) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(1), Prompt + "pelda_2x3");
}

// Standard output redirected to a file gets the pages as plain text; the
// keys still come from the terminal, typed blind here (all at once, once
// the program reads keys: keys typed ahead are kept).
TEST_F(KelmaroszRun, RedirectedStandardOutputGetsThePagesAsText) {
    Start("> out.txt 2>err.txt", false);
    ASSERT_TRUE(tmux_->WaitForKeyMode());
    Open("pelda_2x3");
    tmux_->SendKeys("Space Space Space Space Space");
    ExpectExit(0);
    const std::string out = ReadFile("out.txt");
    EXPECT_NE(out.find("\n" + Prompt + "pelda_2x3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nA keresett r\xc3\xa9szm\xc3\xa1trix: (1,3)..(2,3)\n"), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    EXPECT_EQ(ReadFile("err.txt"), "");
}

}  // namespace
