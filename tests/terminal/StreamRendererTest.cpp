// A terminal that cannot place its cursor gets the program's text as a
// plain stream: characters and line ends in the order they are written,
// an empty line for a cleared window, and never an escape sequence.
#include <string>

#include "RenderChecks.h"
#include "StreamRenderer.h"
#include "TerminalScreen.h"

namespace {

Coord At(int x, int y) { return Coord{static_cast<int16_t>(x), static_cast<int16_t>(y)}; }

void Write(StreamRenderer& s, int x, int y, const std::string& text) {
    for (size_t i = 0; i < text.size(); i++) s.Char(static_cast<uint8_t>(text[i]), At(x + static_cast<int>(i), y));
}

void ClearWindow(StreamRenderer& s, int top, int bottom) {
    for (int y = top; y <= bottom; y++) s.Fill(' ', 80, At(0, y));
}

TEST(StreamRenderer, PagesAsLinesWithAnEmptyLineForEachClear) {
    StreamRenderer s(Utf8(), 0);
    ClearWindow(s, 0, 24);
    Write(s, 24, 0, "Title");   // centred by a cursor move: blanks before it
    Write(s, 0, 1, "Prompt:");
    Write(s, 7, 1, "name");     // typed on the same row
    Write(s, 0, 3, "table");    // a row left empty in between
    EXPECT_EQ(s.Take(), "\n" + std::string(24, ' ') + "Title\nPrompt:name\n\ntable");
    EXPECT_EQ(s.Take(), "");
    // The next page: the line in progress ends, then the empty line.
    ClearWindow(s, 0, 24);
    Write(s, 0, 0, "next");
    EXPECT_EQ(s.Take(), "\n\nnext");
    // A row above that is no clear cannot be reached: a new line.
    Write(s, 0, 2, "a");
    Write(s, 0, 1, "x");
    Write(s, 2, 1, "y");
    EXPECT_EQ(s.Take(), "\n\na\nx y");
    // The end is one line end, also after one the cursor made alone, so
    // that what follows (a shell's prompt) starts on its own line.
    EXPECT_EQ(s.End(At(0, 2)), "\n");
}

TEST(StreamRenderer, ScrollingAtTheBottomIsOneLineEndPerRow) {
    StreamRenderer s(Utf8(), 0);
    const SmallRect source{0, 1, 79, 24}, clip{0, 0, 79, 24};
    Write(s, 0, 24, "a");
    s.Scroll(source, clip, At(0, 0));
    Write(s, 0, 24, "b");
    s.Scroll(source, clip, At(0, 0));
    s.Scroll(source, clip, At(0, 0));   // a line end on an empty bottom row
    Write(s, 0, 24, "c");
    EXPECT_EQ(s.Take(), std::string(24, '\n') + "a\nb\n\nc");
}

TEST(StreamRenderer, EditsInsideTheLineRewriteIt) {
    StreamRenderer s(Utf8(), 0);
    Write(s, 0, 0, "hello");
    EXPECT_EQ(s.Take(), "hello");
    s.Char(' ', At(4, 0));   // Backspace at the end of the typed line
    EXPECT_EQ(s.Take(), "\rhell ");
    s.Char('p', At(4, 0));
    EXPECT_EQ(s.Take(), "\rhellp");
    Write(s, 0, 0, "hellp");   // the editor moving right over what shows
    EXPECT_EQ(s.Take(), "");

    // On a terminal narrower than the line, which wrapped it: a carriage
    // return reaches only the start of the row the cursor is on, so only
    // that row is written again; a change on a row above is left out, never
    // the whole line repeated.
    StreamRenderer narrow(Utf8(), 0, 10);
    Write(narrow, 0, 0, "Prompt (long): ab");
    EXPECT_EQ(narrow.Take(), "Prompt (long): ab");
    narrow.Char(' ', At(16, 0));
    EXPECT_EQ(narrow.Take(), "\rng): a ");
    narrow.Char('X', At(2, 0));
    EXPECT_EQ(narrow.Take(), "");
}

TEST(StreamRenderer, CharactersInTheTerminalsEncodingAndControlBytesShown) {
    StreamRenderer s(Utf8(), 0);
    Write(s, 0, 0, "\xE1rv\xEDzt\xFBr\xF5 \x1b\x07\x0d");
    EXPECT_EQ(s.Take(), "\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91 ???");
    StreamRenderer latin2(Charset("ISO-8859-2"), 0);
    Write(latin2, 0, 0, "\xE1\xFB");
    EXPECT_EQ(latin2.Take(), "\xE1\xFB");
}

// Through the screen of a terminal without cup: colours, cursor moves and a
// repaint after a resize send nothing, and the buffer still keeps the page.
TEST(StreamRenderer, ScreenOfADumbTerminalSendsNoEscape) {
    TermCaps dumb;
    if (!TermCapsForName("dumb", dumb)) GTEST_SKIP() << "no terminfo entry for dumb";
    ASSERT_TRUE(dumb.cup.empty());
    TerminalScreen screen(dumb, Utf8(), 60, 20, true);
    EXPECT_EQ(screen.Buffer().Width(), 80);
    EXPECT_EQ(screen.Buffer().Height(), 25);
    for (int16_t y = 0; y < 25; y++) {
        screen.FillAttr(0x70, 80, At(0, y));
        screen.FillChar(' ', 80, At(0, y));
    }
    screen.SetCursor(At(30, 0));
    for (char c : std::string("Cim")) {
        screen.StoreChar(static_cast<uint8_t>(c), screen.Buffer().Cursor);
        screen.StoreAttr(0x78, screen.Buffer().Cursor);
        screen.SetCursor(At(screen.Buffer().Cursor.X + 1, 0));
    }
    screen.SetTerminalSize(40, 10);
    std::string out = screen.Render();
    screen.Repaint();
    out += screen.RenderAndReset();
    EXPECT_EQ(out, "\n" + std::string(30, ' ') + "Cim\n");
    EXPECT_EQ(screen.Buffer().At(31, 0).ch, 'i');
    EXPECT_EQ(screen.Buffer().At(31, 0).attr, 0x78);
}

}  // namespace
