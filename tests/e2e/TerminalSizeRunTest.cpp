// The program in terminals of other sizes than its page (tmux panes): a
// smaller terminal shows a view of the 80 x 25 screen buffer that follows
// the cursor, and a resize changes only the view, so the pages are the same
// on any terminal.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Poll.h"
#include "TmuxSession.h"

namespace {

const std::string Prompt = "Fájlnév (*.dat, opcionális: 4x8_1,5x3,8_ures):";
// The last row of each table of the default file, which ends each key wait
// of its page: the matrix, its picture, the converted matrix, the prefix sums.
const std::string LastRows[] = {
    "   4   0   8   0   9   1   0   2   0",
    "   4       *       *   *       *",
    "   4   0 -32   0 -32 -32   0 -32   0",
    "   4 -64-128-192-288-320-320-352-352",
};
const std::string Result = "A részmátrix területe:12";

std::unique_ptr<TmuxSession> Start(int width, int height) {
    auto t = std::make_unique<TmuxSession>("'" + std::string(KELMAROSZ_EXE) + "'", KELMAROSZ_DATA_DIR, width,
                                           height);
    EXPECT_TRUE(t->Started());
    EXPECT_TRUE(t->WaitForText(Prompt)) << t->Screen();
    return t;
}

// What a pane shows: every cell with its colours, and the cursor.
struct Shot {
    std::vector<StyledLine> Lines;
    std::string Cursor;
};

Shot Take(TmuxSession& t) { return {t.Styled(), t.Display("#{cursor_x},#{cursor_y}")}; }

// The same characters in the same colours (a blank's foreground shows
// nowhere) and the cursor in the same place; why not, in `why`.
bool Same(const Shot& a, const Shot& b, std::string& why) {
    std::ostringstream s;
    if (a.Cursor != b.Cursor) s << "cursor " << a.Cursor << " / " << b.Cursor << "\n";
    if (a.Lines.size() != b.Lines.size()) s << "rows " << a.Lines.size() << " / " << b.Lines.size() << "\n";
    for (size_t y = 0; y < std::min(a.Lines.size(), b.Lines.size()); y++) {
        const StyledLine &p = a.Lines[y], &q = b.Lines[y];
        for (size_t x = 0; x < std::max(p.size(), q.size()); x++) {
            const StyledCell blank;
            const StyledCell& c = x < p.size() ? p[x] : blank;
            const StyledCell& d = x < q.size() ? q[x] : blank;
            if (c.Ch == d.Ch && c.Bg == d.Bg && c.Blink == d.Blink && c.Reverse == d.Reverse &&
                (c.Ch == U' ' || c.ShownFg() == d.ShownFg()))
                continue;
            s << "row " << y << " column " << x << ": '" << static_cast<uint32_t>(c.Ch) << "' fg " << c.ShownFg()
              << " bg " << c.Bg << " / '" << static_cast<uint32_t>(d.Ch) << "' fg " << d.ShownFg() << " bg "
              << d.Bg << "\n";
            break;
        }
    }
    why = s.str();
    return why.empty();
}

// Polls until the two panes show the same; why not, in `why`.
bool WaitUntilSame(TmuxSession& a, TmuxSession& b, std::string& why) {
    return PollUntil([&] { return Same(Take(a), Take(b), why); });
}

// Enter for the default file, then Space until key wait `wait` (1-based).
void ToKeyWait(TmuxSession& t, int wait) {
    t.SendKeys("Enter");
    for (int k = 1; k < wait; k++) t.SendKeys("Space");
    ASSERT_TRUE(t.WaitForText(LastRows[wait - 1])) << "key wait " << wait << "\n" << t.Screen();
}

TEST(TerminalSize, SmallTerminalGrownAtAKeyWaitShowsTheRunAtThePageSize) {
    // The second page's wait, and the fourth's, after the window scrolled.
    for (int wait : {2, 4}) {
        SCOPED_TRACE("key wait " + std::to_string(wait));
        auto page = Start(80, 25);
        auto small = Start(64, 20);
        ASSERT_NO_FATAL_FAILURE(ToKeyWait(*page, wait));
        ASSERT_NO_FATAL_FAILURE(ToKeyWait(*small, wait));
        // The view follows the cursor down the scrolled page: it stands on
        // the view's last row.
        if (wait == 4) {
            EXPECT_TRUE(PollUntil([&] { return small->Display("#{cursor_y}") == "19"; }));
        }
        small->Resize(80, 25);
        std::string why;
        EXPECT_TRUE(WaitUntilSame(*page, *small, why)) << why << small->Screen();
        // On to the result page and the end, both alike.
        for (int k = wait; k <= 4; k++) page->SendKeys("Space"), small->SendKeys("Space");
        ASSERT_TRUE(page->WaitForText(Result)) << page->Screen();
        EXPECT_TRUE(WaitUntilSame(*page, *small, why)) << why << small->Screen();
        page->SendKeys("Space");
        small->SendKeys("Space");
        ASSERT_TRUE(page->WaitForExit());
        ASSERT_TRUE(small->WaitForExit());
        EXPECT_EQ(page->ExitStatus(), 0);
        EXPECT_EQ(small->ExitStatus(), 0);
    }
}

// Resizes that land while the pages are being drawn, one of them larger
// than the page: at the next key waits the screen is the 80 x 25 run's.
TEST(TerminalSize, ShrinkingAndGrowingWhileTablesAreDrawnChangesNoPage) {
    auto page = Start(80, 25);
    auto moving = Start(80, 25);
    ASSERT_NO_FATAL_FAILURE(ToKeyWait(*page, 4));
    moving->SendKeys("Enter");
    moving->Resize(60, 20);
    moving->SendKeys("Space");
    moving->Resize(100, 30);
    moving->SendKeys("Space");
    moving->Resize(64, 20);
    moving->SendKeys("Space");
    ASSERT_TRUE(moving->WaitForText(LastRows[3])) << moving->Screen();
    moving->Resize(80, 25);
    std::string why;
    EXPECT_TRUE(WaitUntilSame(*page, *moving, why)) << why << moving->Screen();

    // The result page drawn in a small terminal, shown at 80 x 25 again.
    moving->Resize(50, 12);
    page->SendKeys("Space");
    moving->SendKeys("Space");
    ASSERT_TRUE(page->WaitForText(Result)) << page->Screen();
    ASSERT_TRUE(moving->WaitForText(Result)) << moving->Screen();
    moving->Resize(80, 25);
    EXPECT_TRUE(WaitUntilSame(*page, *moving, why)) << why << moving->Screen();
    page->SendKeys("Space");
    moving->SendKeys("Space");
    ASSERT_TRUE(moving->WaitForExit());
    EXPECT_EQ(moving->ExitStatus(), 0);
}

// The cursor never leaves the view: a name typed past the right edge of a
// 60-column terminal moves the view right, the next prompt brings it back.
TEST(TerminalSize, TheViewFollowsTheCursorAtThePrompt) {
    auto t = Start(60, 20);
    t->SendLiteral("abcdefghijklmnopqrstuvwxyz");
    // The prompt has 46 columns: the cursor stands at column 73 of the page,
    // on the view's last column, right after the z.
    ASSERT_TRUE(t->WaitForRow(1, "t, opcionális: 4x8_1,5x3,8_ures):abcdefghijklmnopqrstuvwxyz")) << t->Screen();
    EXPECT_EQ(t->Display("#{cursor_x},#{cursor_y}"), "59,1");
    t->SendKeys("Enter");   // no such file: the prompt again, on the next row
    ASSERT_TRUE(t->WaitForRow(2, Prompt)) << t->Screen();
    EXPECT_EQ(t->Row(1), Prompt + "abcdefghijklmn");
    EXPECT_EQ(t->Display("#{cursor_x},#{cursor_y}"), "46,2");
}

}  // namespace
