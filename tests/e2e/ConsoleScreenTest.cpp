// What the console layer puts on a real terminal: the page colours as the
// terminal shows them, and Windows-1250 letters. (Wrapping and scrolling are the
// console's and the renderer's tests, and the whole runs'.) Each case runs
// the console demo in a tmux pane under one terminal type.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ConsolePane.h"
#include "TerminalTypes.h"

namespace {

// The colours a cell shows, in ANSI numbering, with a bright background
// accepted as the blink attribute on terminals of eight colours.
struct Shown {
    int Fg, Bg;
    bool BlinkAsBrightBg = false;
};

Shown ShownBy(const StyledCell& c) {
    Shown s{c.ShownFg(), c.Bg};
    if (c.Reverse) std::swap(s.Fg, s.Bg);
    s.BlinkAsBrightBg = c.Blink;
    return s;
}

// Checks that every cell of a text on a row shows in the PC attribute `attr`;
// one failure per row names the first cell that differs.
void ExpectAttr(const StyledLine& line, size_t from, size_t count, int attr, const std::string& what) {
    ASSERT_GE(line.size(), from + count) << what;
    const int fg = PcToAnsi(attr & 15), bg = PcToAnsi((attr >> 4) & 7);
    const bool blink = attr & 0x80;
    for (size_t x = from; x < from + count; x++) {
        Shown s = ShownBy(line[x]);
        // Blink shows as the bright form of the background, or as the blink
        // attribute where the terminal has only eight colours.
        bool bgOk = blink ? s.Bg == bg + 8 || (s.Bg == bg && s.BlinkAsBrightBg) : s.Bg == bg;
        if (s.Fg != fg || !bgOk) {
            ADD_FAILURE() << what << ": column " << x + 1 << " shows fg " << s.Fg << " bg " << s.Bg
                          << (s.BlinkAsBrightBg ? " blink" : "") << ", wanted fg " << fg << " bg "
                          << bg << (blink ? " bright or blinking" : "");
            return;
        }
    }
}

class ConsoleScreen : public ::testing::TestWithParam<const char*> {};

// The letters in the plain C locale too, which the terminal's UTF-8 serves
// (a UTF-8 locale's are the whole runs').
TEST_P(ConsoleScreen, PageColoursAndLettersShowAsThePcMeansThem) {
    ConsolePane pane({GetParam(), "colours", "C"});
    ASSERT_TRUE(pane.WaitForText("done"));
    EXPECT_EQ(pane.Row(4), "F\xC3\xA1jln\xC3\xA9v siker\xC3\xBClt \xC3\x9Cres");
    std::vector<StyledLine> lines = pane.Styled();
    ASSERT_GE(lines.size(), 25u);
    ExpectAttr(lines[0], 0, 19, 0x70, "plain line");
    ExpectAttr(lines[1], 0, 10, 0x78, "high video");
    ExpectAttr(lines[2], 0, 14, 0x1E, "yellow on blue");
    ExpectAttr(lines[3], 0, 14, 0xFF, "blinking");
    ExpectAttr(lines[4], 0, 21, 0x77, "after low video");
    // The rest of the cleared window is in the page colours even where the
    // terminal paints erased cells in its default background.
    ExpectAttr(lines[0], 19, 61, 0x70, "rest of row 1");
    for (int y = 6; y < 25; y++) ExpectAttr(lines[y], 0, 80, 0x70, "empty row " + std::to_string(y + 1));
    // Columns right of the 80-column window are not the program's.
    for (int y : {0, 10, 24})
        for (size_t x = 80; x < lines[y].size(); x++)
            EXPECT_EQ(lines[y][x].Bg, -1) << "row " << y + 1 << " column " << x + 1;
    pane.SendKeys("Space");
    EXPECT_EQ(pane.WaitForEnd(), 0);
    EXPECT_TRUE(pane.ModesSame());
}

INSTANTIATE_TEST_SUITE_P(Terms, ConsoleScreen, ::testing::ValuesIn(Terms),
                         [](const auto& info) { return TermTestName(info.param); });

}  // namespace
