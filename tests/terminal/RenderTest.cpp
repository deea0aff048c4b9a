#include <gtest/gtest.h>

#include <random>
#include <string>

#include "RenderChecks.h"
#include "TerminalTypes.h"

namespace {

struct ColourCase {
    uint8_t attr;
    int fg, bg;
    bool bold;
};

TEST(Render, ColourMappingRichAndEightColourTerminals) {
    // PC colour numbers have blue in bit 0; ANSI ones red. Bright
    // foregrounds are 8-15 or bold; the blink bit is a bright background.
    const ColourCase rich[] = {{0x01, 4, 0, false},  {0x1E, 11, 4, false}, {0x70, 0, 7, false},
                               {0x78, 8, 7, false},  {0xF0, 0, 15, false}, {0x4F, 15, 1, false},
                               {0x8C, 9, 8, false},  {0x07, -1, -1, false}, {0x17, 7, 4, false}};
    const ColourCase eight[] = {{0x01, 4, 0, false}, {0x1E, 3, 4, true},  {0x70, 0, 7, false},
                                {0x78, 0, 7, true},  {0xF0, 0, 7, false}, {0x4F, 7, 1, true},
                                {0x8C, 1, 0, true},  {0x07, -1, -1, false}};
    // Sixteen colours (xterm-16color) are rich too: xterm-256color's strings
    // with its colour count.
    struct {
        const char* term;
        int colors;   // 0: as the entry says
        const ColourCase* cases;
        size_t n;
    } terms[] = {{"xterm-256color", 0, rich, std::size(rich)},
                 {"xterm-256color", 16, rich, std::size(rich)},
                 {"linux", 0, eight, std::size(eight)}};
    for (auto& t : terms) {
        LOAD_OR_SKIP(t.term, caps);
        if (t.colors) caps.colors = t.colors;
        for (size_t i = 0; i < t.n; i++) {
            const ColourCase& c = t.cases[i];
            ScreenGrid g(4, 2);
            Text(g, 0, 0, "xy", 0x70);    // a colour already set before the case
            Text(g, 2, 0, "x", c.attr);
            Renderer r(caps, Utf8(), 4, 2);
            VtModel vt(4, 2, caps.bce, caps.xenl, false);
            Apply(r, g, vt);
            SCOPED_TRACE(std::string(t.term) + " with " + std::to_string(caps.colors) + " colours");
            EXPECT_EQ(vt.At(2, 0).fg, c.fg) << t.term << " attr " << int(c.attr);
            EXPECT_EQ(vt.At(2, 0).bg, c.bg) << t.term << " attr " << int(c.attr);
            EXPECT_EQ(vt.At(2, 0).bold, c.bold) << t.term << " attr " << int(c.attr);
            EXPECT_FALSE(vt.At(1, 0).bold) << t.term << " attr " << int(c.attr);
            // Eight-colour terminals show the blink bit with their blink attribute.
            bool blink = (c.attr & 0x80) && caps.colors < 16 && !caps.blink.empty();
            EXPECT_EQ(vt.At(2, 0).blink, blink) << t.term << " attr " << int(c.attr);
            EXPECT_FALSE(vt.At(1, 0).blink) << t.term << " attr " << int(c.attr);
        }
    }
}

TEST(Render, SendsOnlyTheChangedCellsWithShortMoves) {
    LOAD_OR_SKIP("xterm-256color", caps);
    ScreenGrid g(80, 25);
    Renderer r(caps, Utf8(), 80, 25);
    VtModel vt(80, 25, true, true, false);
    Text(g, 10, 3, "Hello", 0x70);
    g.Cursor = Coord{15, 3};
    Apply(r, g, vt);
    EXPECT_EQ(r.Render(g), "");   // nothing changed, nothing sent

    g.StoreChar('a', Coord{11, 3});
    // The colours stay set between renders, so writing the three unchanged
    // cells up to the cursor is shorter than moving over them.
    EXPECT_EQ(Apply(r, g, vt), "\x1b[4Dallo");
    ExpectShows(vt, g, caps, "one cell");

    // Unchanged cells between two changes in the current colours are
    // written again when that is shorter than a move.
    Text(g, 0, 5, "abc", 0x07);
    g.Cursor = Coord{3, 5};
    Apply(r, g, vt);
    g.StoreChar('X', Coord{0, 5});
    g.StoreChar('Y', Coord{2, 5});
    EXPECT_EQ(Apply(r, g, vt), "\rXbY");
    ExpectShows(vt, g, caps, "gap");
}

TEST(Render, CellsNeverWrittenKeepWhatTheTerminalShowed) {
    LOAD_OR_SKIP("tmux-256color", caps);
    ScreenGrid g(10, 3);
    Renderer r(caps, Utf8(), 10, 3);
    VtModel vt(10, 3, caps.bce, caps.xenl, true);
    Text(g, 2, 1, "A", 0x1F);
    g.Cursor = Coord{3, 1};
    Apply(r, g, vt);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 10; x++)
            if (x != 2 || y != 1) {
                EXPECT_EQ(vt.At(x, y).text, "Z") << x << "," << y;
            }
    ExpectShows(vt, g, caps, "single cell");
}

TEST(Render, ControlBytesNeverReachTheTerminalAndTextIsUtf8) {
    LOAD_OR_SKIP("xterm-256color", caps);
    ScreenGrid g(16, 17);
    for (int c = 0; c < 256; c++) Text(g, c % 16, c / 16, std::string(1, static_cast<char>(c)), 0x07);
    g.Cursor = Coord{0, 16};
    Renderer r(caps, Utf8(), 16, 17);
    VtModel vt(16, 17, true, true, false);
    std::string out = Apply(r, g, vt);
    for (unsigned char b : out) {
        bool allowed = b >= 32 || b == 0x1b || b == '\r' || b == '\n' || b == '\b' || b == 0x0f;
        EXPECT_TRUE(allowed && b != 127) << "byte " << int(b);
    }
    EXPECT_EQ(vt.At(0, 0).text, " ");     // 0: blank
    EXPECT_EQ(vt.At(10, 0).text, "?");    // line feed
    EXPECT_EQ(vt.At(11, 1).text, "?");    // escape
    EXPECT_EQ(vt.At(15, 7).text, "?");    // delete
    EXPECT_EQ(vt.At(1, 14).text, "\xc3\xa1");   // 0xE1: a acute
    EXPECT_EQ(vt.At(5, 15).text, "\xc5\x91");   // 0xF5: o double acute
    EXPECT_EQ(vt.At(10, 8).text, "\xc5\xa0");   // 0x8A: S caron
    EXPECT_EQ(vt.At(0, 8).text, "\xe2\x82\xac");   // 0x80: euro
    ExpectShows(vt, g, caps, "all bytes");
}

TEST(Render, ErasesOnlyWhereTheTerminalPaintsTheBackground) {
    struct {
        const char* term;
        uint8_t attr;
        bool expectErase;
    } cases[] = {{"xterm-256color", 0x70, true}, {"tmux-256color", 0x70, false},
                 {"tmux-256color", 0x07, true},  {"linux", 0x1F, true}};
    for (auto& c : cases) {
        LOAD_OR_SKIP(c.term, caps);
        ScreenGrid g(80, 25);
        for (int y = 0; y < 25; y++) {
            g.FillAttr(c.attr, 80, Coord{0, static_cast<int16_t>(y)});
            g.FillChar(' ', 80, Coord{0, static_cast<int16_t>(y)});
        }
        Renderer r(caps, Utf8(), 80, 25);
        VtModel vt(80, 25, caps.bce, caps.xenl, false);
        std::string out = Apply(r, g, vt);
        EXPECT_EQ(out.find("\x1b[K") != std::string::npos, c.expectErase) << c.term;
        ExpectShows(vt, g, caps, c.term);
        ExpectDefaultsAfterReset(vt, r, c.term);
    }
}

// Fills every row with its own text and brings the model terminal up to date.
void Page(ScreenGrid& g, Renderer& r, VtModel& vt) {
    for (int y = 0; y < g.Height(); y++) {
        std::string s;
        for (int x = 0; x < g.Width(); x++) s += static_cast<char>('A' + (x + y) % 26);
        Text(g, 0, y, s, y % 2 ? 0x70 : 0x1E);
    }
    Apply(r, g, vt);
}

void Scroll(ScreenGrid& g, Renderer& r, SmallRect src, SmallRect clip, Coord dest) {
    g.Scroll(src, clip, dest, ' ', 0x70);
    r.NoteScroll(src, clip, dest);
}

TEST(Render, FullWidthScrollUsesTheScrollRegion) {
    for (const char* term : Terms) {
        LOAD_OR_SKIP(term, caps);
        ScreenGrid g(80, 25);
        Renderer r(caps, Utf8(), 80, 25);
        VtModel vt(80, 25, caps.bce, caps.xenl, true);
        Page(g, r, vt);

        // Window of rows 1-24 scrolls up one line: a region, then back.
        Scroll(g, r, SmallRect{0, 1, 79, 23}, SmallRect{0, 0, 79, 23}, Coord{0, 0});
        int before = vt.scrolls;
        std::string out = Apply(r, g, vt);
        EXPECT_NE(out.find("\x1b[1;24r"), std::string::npos) << term;
        EXPECT_NE(out.find("\x1b[1;25r"), std::string::npos) << term;
        EXPECT_EQ(vt.scrolls, before + 1) << term;
        EXPECT_LT(out.size(), 400u) << term;   // a redraw would be thousands
        ExpectShows(vt, g, caps, std::string(term) + " region");

        // The whole screen: no region needed. Three lines at once.
        for (int i = 0; i < 3; i++) Scroll(g, r, SmallRect{0, 1, 79, 24}, SmallRect{0, 0, 79, 24}, Coord{0, 0});
        out = Apply(r, g, vt);
        EXPECT_EQ(out.find('r'), std::string::npos) << term;
        EXPECT_EQ(vt.scrolls, before + 4) << term;
        ExpectShows(vt, g, caps, std::string(term) + " screen");

        // Downwards too.
        Scroll(g, r, SmallRect{0, 2, 79, 10}, SmallRect{0, 2, 79, 11}, Coord{0, 3});
        out = Apply(r, g, vt);
        EXPECT_NE(out.find("\x1b[3;12r"), std::string::npos) << term;
        ExpectShows(vt, g, caps, std::string(term) + " down");

        // Sixteen lines in one statement, more than half the screen, on a
        // screen of equal rows that are written again: every row the scroll
        // uncovers is blank on the terminal, also those no moved row reaches.
        for (int y = 0; y < 25; y++) Text(g, 0, y, "same", 0x70);
        Apply(r, g, vt);
        for (int i = 0; i < 16; i++) Scroll(g, r, SmallRect{0, 1, 79, 24}, SmallRect{0, 0, 79, 24}, Coord{0, 0});
        for (int y = 9; y < 25; y++) Text(g, 0, y, "same", 0x70);
        Apply(r, g, vt);
        ExpectShows(vt, g, caps, std::string(term) + " sixteen");

        // Half the width: redrawn from the cells, the terminal never scrolls.
        before = vt.scrolls;
        Scroll(g, r, SmallRect{0, 1, 39, 24}, SmallRect{0, 0, 39, 24}, Coord{0, 0});
        out = Apply(r, g, vt);
        EXPECT_EQ(out.find("r"), std::string::npos) << term;
        EXPECT_EQ(vt.scrolls, before) << term;
        ExpectShows(vt, g, caps, std::string(term) + " half");
    }

    // A terminal without a scroll region scrolls only whole: a region's
    // rows are drawn from the cells instead.
    LOAD_OR_SKIP("xterm-256color", caps);
    caps.csr.clear();
    ScreenGrid g(80, 25);
    Renderer r(caps, Utf8(), 80, 25);
    VtModel vt(80, 25, caps.bce, caps.xenl, true);
    Page(g, r, vt);
    Scroll(g, r, SmallRect{0, 1, 79, 23}, SmallRect{0, 0, 79, 23}, Coord{0, 0});
    Apply(r, g, vt);
    EXPECT_EQ(vt.scrolls, 0);
    ExpectShows(vt, g, caps, "no region");
}

// An 80-column page on a 120-column terminal: its window scrolls with the
// terminal's own scrolling, since nothing of the program's stands beside it.
TEST(Render, PageNarrowerThanTheTerminal) {
    for (const char* term : {"xterm-256color", "linux"}) {
        LOAD_OR_SKIP(term, caps);
        ScreenGrid g(120, 30);
        Renderer r(caps, Utf8(), 120, 30);
        VtModel vt(120, 30, caps.bce, caps.xenl, false);
        for (int16_t y = 0; y < 25; y++) {
            g.FillAttr(0x70, 80, Coord{0, y});
            g.FillChar(' ', 80, Coord{0, y});
        }
        Text(g, 0, 24, "bottom", 0x70);
        std::string out = Apply(r, g, vt);
        ExpectShows(vt, g, caps, std::string(term) + " page");

        const int before = vt.scrolls;
        Scroll(g, r, SmallRect{0, 1, 79, 24}, SmallRect{0, 0, 79, 24}, Coord{0, 0});
        Text(g, 0, 24, "next", 0x70);
        out = Apply(r, g, vt);
        EXPECT_EQ(vt.scrolls, before + 1) << term;
        EXPECT_LT(out.size(), 200u) << term;   // a redraw would be thousands
        ExpectShows(vt, g, caps, std::string(term) + " scrolled");

        // With the program's cells beside the window, it is redrawn instead.
        Text(g, 100, 3, "beside", 0x1E);
        Apply(r, g, vt);
        Scroll(g, r, SmallRect{0, 1, 79, 24}, SmallRect{0, 0, 79, 24}, Coord{0, 0});
        Apply(r, g, vt);
        EXPECT_EQ(vt.scrolls, before + 1) << term;
        ExpectShows(vt, g, caps, std::string(term) + " beside");
    }
}

TEST(Render, BottomRightCellIsSkippedWhereItWouldScroll) {
    LOAD_OR_SKIP("xterm-256color", caps);
    for (bool xenl : {true, false}) {
        caps.xenl = xenl;
        ScreenGrid g(10, 4);
        Renderer r(caps, Utf8(), 10, 4);
        VtModel vt(10, 4, caps.bce, xenl, false);
        for (int y = 0; y < 4; y++) Text(g, 0, y, "0123456789", 0x1E);
        Apply(r, g, vt);
        EXPECT_EQ(vt.scrolls, 0) << xenl;
        EXPECT_EQ(vt.At(9, 3).text, xenl ? "9" : "Z");
        ExpectShows(vt, g, caps, xenl ? "xenl" : "no xenl");
    }
}

// After a resize a terminal may show anything: text it re-wrapped to the new
// width (VTE, kitty, Konsole, tmux), or what it had. The whole terminal is
// repainted: the program's cells, and blanks everywhere else, also beside
// the program's page; by clearing it, or cell by cell where it cannot clear.
TEST(Render, AResizeRepaintsTheWholeTerminal) {
    LOAD_OR_SKIP("xterm-256color", caps);
    TermCaps noClear = caps;
    noClear.clear.clear();
    noClear.ed.clear();
    for (const TermCaps& c : {caps, noClear}) {
        const std::string what = c.clear.empty() ? "without clear" : "with clear";
        ScreenGrid g(20, 5);
        Renderer r(c, Utf8(), 20, 5);
        VtModel vt(20, 5, true, true, false);
        Text(g, 0, 0, "a page row of text", 0x70);
        Text(g, 3, 2, "kept", 0x1E);
        g.Cursor = Coord{7, 2};
        Apply(r, g, vt);
        // Shrunk, then grown wider than the page: each time re-wrapped.
        VtModel shrunk = vt.Rewrapped(12, 4);
        r.Resize(12, 4);
        Apply(r, g, shrunk, ViewRect{0, 0, 12, 4});
        ExpectShows(shrunk, g, c, what + ", shrunk", ViewRect{0, 0, 12, 4}, true);
        g.Resize(30, 6);
        VtModel grown = shrunk.Rewrapped(30, 6);
        r.Resize(30, 6);
        Apply(r, g, grown, ViewRect{0, 0, 30, 6});
        ExpectShows(grown, g, c, what + ", grown", ViewRect{0, 0, 30, 6}, true);
        // A repaint after a stop does the same at the same size.
        VtModel again = grown.Rewrapped(30, 6);
        again.At(25, 5).text = "x";
        r.Repaint();
        Apply(r, g, again, ViewRect{0, 0, 30, 6});
        ExpectShows(again, g, c, what + ", repainted", ViewRect{0, 0, 30, 6}, true);
    }
}

// Random writes, fills, window clears, scrolls and cursor moves, rendered in
// batches: the terminal must always end up showing the grid's known cells.
TEST(Render, RandomEditsAlwaysConverge) {
    for (const char* term : Terms) {
        LOAD_OR_SKIP(term, caps);
        for (bool onlcr : {false, true}) {
            std::mt19937 rng(onlcr ? 7 : 11);
            auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
            const int w = 23, h = 9;
            ScreenGrid g(w, h);
            Renderer r(caps, Utf8(), w, h);
            VtModel vt(w, h, caps.bce, caps.xenl, onlcr);
            const uint8_t attrs[] = {0x07, 0x70, 0x78, 0x1E, 0xF4, 0x0F, 0x8A};
            for (int round = 0; round < 300; round++) {
                int ops = pick(1, 6);
                for (int k = 0; k < ops; k++) {
                    uint8_t attr = attrs[pick(0, 6)];
                    Coord p{static_cast<int16_t>(pick(0, w - 1)), static_cast<int16_t>(pick(0, h - 1))};
                    switch (pick(0, 4)) {
                        case 0:
                            g.StoreChar(static_cast<uint8_t>(pick(0, 255)), p);
                            g.StoreAttr(attr, p);
                            break;
                        case 1: {
                            uint32_t n = pick(1, 30);
                            g.FillAttr(attr, n, p);
                            g.FillChar(pick(0, 3) ? ' ' : static_cast<uint8_t>(pick(32, 255)), n, p);
                            break;
                        }
                        case 2: {   // scroll a window up or down by one
                            int l = pick(0, 1) ? 0 : pick(0, w - 1), rr = pick(0, 1) ? w - 1 : pick(l, w - 1);
                            int t = pick(0, h - 2), b = pick(t + 1, h - 1);
                            bool up = pick(0, 3) != 0;
                            SmallRect src{int16_t(l), int16_t(up ? t + 1 : t), int16_t(rr), int16_t(up ? b : b - 1)};
                            SmallRect clip{int16_t(l), int16_t(t), int16_t(rr), int16_t(b)};
                            Coord dest{int16_t(l), int16_t(up ? t : t + 1)};
                            g.Scroll(src, clip, dest, ' ', attr);
                            r.NoteScroll(src, clip, dest);
                            break;
                        }
                        case 3:
                            g.Cursor = p;
                            break;
                        default:
                            g.StoreChar(static_cast<uint8_t>(pick(0x20, 0x7e)), p);
                            break;
                    }
                }
                Apply(r, g, vt);
                ExpectShows(vt, g, caps, std::string(term) + " round " + std::to_string(round));
                if (HasFatalFailure()) return;
                if (round % 7 == 0) ExpectDefaultsAfterReset(vt, r, std::string(term) + " reset");
            }
        }
    }
}

}  // namespace
