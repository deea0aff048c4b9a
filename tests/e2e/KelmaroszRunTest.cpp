// The built program in a real terminal (tmux): whole runs, bad input and the
// ways a run ends. Texts on the screen are UTF-8 here, as the terminal shows
// the program's Windows-1250 bytes.
#include <gtest/gtest.h>

#include <algorithm>
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
    // The rows following the one that equals first.
    void ExpectBlock(const std::string& first, const std::vector<std::string>& rows) {
        auto lines = tmux_->Lines();
        auto it = std::find(lines.begin(), lines.end(), first);
        ASSERT_NE(it, lines.end()) << first << "\n" << tmux_->Screen();
        ExpectRows(static_cast<int>(it - lines.begin()) + 1, rows);
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

// Row and column numbers in dark grey (PC colour 8), cells and the title in
// black (0), all on light grey (7).
// A name on the command line is typed at the prompt: the first table comes
// without a key.
TEST_F(KelmaroszRun, ANameOnTheCommandLineOpensThatFile) {
    Start("pelda_2x3 2>err.txt", false);
    ASSERT_TRUE(tmux_->WaitForText("   2   7   0   0")) << tmux_->Screen();
    ExpectRows(0, {InputTitle, Prompt + "pelda_2x3", "A beolvasás sikerült.", "", "       1   2   3",
                   "   1   0   5   0", "   2   7   0   0", ""});
}

// As typed, in the terminal's encoding: a letter without a Windows-1250 form
// is left out; a name that cannot be opened brings the prompt back.
TEST_F(KelmaroszRun, ACommandLineNameThatCannotBeOpenedIsFollowedByTheUsers) {
    Start("'árvíztűrőж' 2>err.txt");
    ASSERT_TRUE(tmux_->WaitForRow(2, Prompt)) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(1), Prompt + "árvíztűrő");
    Open("pelda_2x3");
    ASSERT_TRUE(tmux_->WaitForText("A beolvasás sikerült.")) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(2), Prompt + "pelda_2x3");
}

TEST_F(KelmaroszRun, TableNumbersAndCellsHaveTheirColours) {
    Start();
    Open("pelda_2x3");
    ASSERT_TRUE(tmux_->WaitForText("   2   7   0   0"));
    std::vector<StyledLine> rows = tmux_->Styled();
    ASSERT_GT(rows.size(), 6u);
    auto expect = [&](int y, int x0, int x1, int fg) {
        for (int x = x0; x < x1; x++) {
            ASSERT_LT(static_cast<size_t>(x), rows[y].size()) << "row " << y;
            const StyledCell& c = rows[y][x];
            EXPECT_EQ(c.ShownFg(), fg) << "row " << y << " column " << x;
            EXPECT_EQ(c.Bg, PcToAnsi(7)) << "row " << y << " column " << x;
        }
    };
    const int darkGrey = 8, black = PcToAnsi(0);
    expect(0, 24, 55, black);      // the title
    expect(4, 0, 16, darkGrey);    // column numbers
    for (int y = 5; y <= 6; y++) {
        expect(y, 0, 4, darkGrey);  // row number
        expect(y, 4, 16, black);    // cells
    }
}

TEST_F(KelmaroszRun, EnterOpensTheDefaultFile) {
    Start();
    tmux_->SendKeys("Enter");
    ASSERT_TRUE(tmux_->WaitForText("   1   1   0   2   3   0   0   0   0"));
    EXPECT_EQ(tmux_->Row(1), Prompt);
    Next("Üres-nem üres:");
    Next("Alapkonverzió után:");
    Next("Rész-összegek mátrixa:");
    Next("A keresett részmátrix: (1,5)..(3,8)");
    EXPECT_TRUE(tmux_->WaitForText("A részmátrix területe:12"));
    EXPECT_EQ(tmux_->Row(0), std::string(16, ' ') + "Kelmarosz keresése -- eredmény:4x8_1,5x3,8_ures");
    tmux_->SendKeys("Space");
    ExpectExit(0);
}

TEST_F(KelmaroszRun, AMissingNameRepeatsThePromptOnTheNextLine) {
    Start();
    Open("nincs_ilyen");
    ASSERT_TRUE(tmux_->WaitForRow(2, Prompt));
    EXPECT_EQ(tmux_->Row(1), Prompt + "nincs_ilyen");
    Open("pelda_2x3");
    ASSERT_TRUE(tmux_->WaitForText("A beolvasás sikerült."));
    EXPECT_EQ(tmux_->Row(3), "A beolvasás sikerült.");
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

// Alt with a letter of a Hungarian layout (no PC key types it) is the
// letter: the line editor stores it and takes the next key as a key, not as
// an extended code.
TEST_F(KelmaroszRun, AltWithALetterNoPcKeyTypesIsThatLetter) {
    Start();
    tmux_->SendLiteral("ab");
    tmux_->SendBytes("\x1b\xc3\xa1");   // Alt+á
    Open("GX");   // no such file: the prompt again
    ASSERT_TRUE(tmux_->WaitForRow(2, Prompt)) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(1), Prompt + "abáGX");
}

TEST_F(KelmaroszRun, NoEmptyCellEndsWithExitCodeOne) {
    Start();
    Open("nincs_ures");
    ASSERT_TRUE(tmux_->WaitForText("   3   7   8   9"));
    Next("Üres-nem üres:");
    Next("Nincs üres elem, Nincs megoldás.");
    EXPECT_FALSE(tmux_->Dead());   // it still waits for a key
    tmux_->SendKeys("Space");
    ExpectExit(1);
    EXPECT_EQ(ReadFile("err.txt"), "");
}

// A tenth row and a decimal point end the run with their run-time errors:
// the report on standard error (its lines are the report tests'), the input
// page kept on the screen.
TEST_F(KelmaroszRun, BadFilesEndWithTheirRunTimeErrors) {
    File("tiz.dat", "10 1\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n");
    for (auto [name, code] : {std::pair{"tiz", 201}, {"hibas_tizedes", 106}}) {
        Start();
        Open(name);
        ExpectExit(code);
        const std::string err = ReadFile("err.txt");
        EXPECT_EQ(err.rfind("Runtime error " + std::to_string(code) + " at $", 0), 0u) << err;
        EXPECT_TRUE(tmux_->WaitForText(Prompt + name)) << tmux_->Screen();
    }
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

TEST_F(KelmaroszRun, AHungarianNameTypedInTheTerminalOpensThatFile) {
    File("árvíztűrő.dat", "1 2\n0 7\n");
    Start();
    Open("árvíztűrő");
    ASSERT_TRUE(tmux_->WaitForText("A beolvasás sikerült.")) << tmux_->Screen();
    EXPECT_EQ(tmux_->Row(1), Prompt + "árvíztűrő");
    Next("Üres-nem üres:");
    Next("Alapkonverzió után:");
    Next("Rész-összegek mátrixa:");
    Next("A keresett részmátrix: (1,1)..(1,1)");
    EXPECT_TRUE(tmux_->WaitForText("eredmény:árvíztűrő"));
    tmux_->SendKeys("Space");
    ExpectExit(0);
}

}  // namespace
