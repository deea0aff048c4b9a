// The program in a terminal resized as it runs (a tmux pane): a smaller
// terminal shows a view of the 80 x 25 screen buffer, and a resize changes
// only the view, so the pages are the same on any terminal. (How the view
// follows the cursor and what a grown view shows are the screen's tests.)
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Poll.h"
#include "TmuxSession.h"

namespace {

const std::string Prompt = "Fájlnév (*.dat, opcionális: 4x8_1,5x3,8_ures):";
// The last row of the default file's prefix sums, the fourth key wait's page.
const std::string PrefixSums = "   4 -64-128-192-288-320-320-352-352";
const std::string Result = "A részmátrix területe:12";

std::unique_ptr<TmuxSession> Start(int width, int height) {
    auto t = std::make_unique<TmuxSession>("'" + std::string(KELMAROSZ_EXE) + "'", KELMAROSZ_DATA_DIR, width,
                                           height);
    EXPECT_TRUE(t->Started());
    EXPECT_TRUE(t->WaitForText(Prompt)) << t->Screen();
    return t;
}

// What a pane shows, one line per row: each cell's character and colours
// (a blank's foreground shows nowhere), then the cursor.
std::string Shot(TmuxSession& t) {
    std::ostringstream s;
    for (const StyledLine& line : t.Styled()) {
        for (const StyledCell& c : line)
            s << static_cast<uint32_t>(c.Ch) << '/' << (c.Ch == U' ' ? 0 : c.ShownFg()) << '/' << c.Bg << '/'
              << c.Blink << c.Reverse << ' ';
        s << '\n';
    }
    return s.str() + t.Display("cursor #{cursor_x},#{cursor_y}");
}

// Polls until the two panes show the same; else the first row that differs.
::testing::AssertionResult WaitUntilSame(TmuxSession& a, TmuxSession& b) {
    std::string p, q;
    if (PollUntil([&] { return (p = Shot(a)) == (q = Shot(b)); })) return ::testing::AssertionSuccess();
    std::istringstream pRows(p), qRows(q);
    std::string pRow, qRow;
    int y = 0;
    while (std::getline(pRows, pRow) && std::getline(qRows, qRow) && pRow == qRow) y++;
    return ::testing::AssertionFailure() << "row " << y << " differs:\n" << pRow << "\n" << qRow;
}

// Resizes that land while the pages are being drawn, one of them larger
// than the page: at the next key waits the screen is the 80 x 25 run's.
TEST(TerminalSize, ShrinkingAndGrowingWhileTablesAreDrawnChangesNoPage) {
    auto page = Start(80, 25);
    auto moving = Start(80, 25);
    page->SendKeys("Enter Space Space Space");
    ASSERT_TRUE(page->WaitForText(PrefixSums)) << page->Screen();
    moving->SendKeys("Enter");
    moving->Resize(60, 20);
    moving->SendKeys("Space");
    moving->Resize(100, 30);
    moving->SendKeys("Space");
    moving->Resize(64, 20);
    moving->SendKeys("Space");
    ASSERT_TRUE(moving->WaitForText(PrefixSums)) << moving->Screen();
    moving->Resize(80, 25);
    EXPECT_TRUE(WaitUntilSame(*page, *moving)) << moving->Screen();

    // The result page drawn in a small terminal, shown at 80 x 25 again.
    moving->Resize(50, 12);
    page->SendKeys("Space");
    moving->SendKeys("Space");
    ASSERT_TRUE(page->WaitForText(Result)) << page->Screen();
    ASSERT_TRUE(moving->WaitForText(Result)) << moving->Screen();
    moving->Resize(80, 25);
    EXPECT_TRUE(WaitUntilSame(*page, *moving)) << moving->Screen();
    page->SendKeys("Space");
    moving->SendKeys("Space");
    ASSERT_TRUE(moving->WaitForExit());
    EXPECT_EQ(moving->ExitStatus(), 0);
}

}  // namespace
