// The screen buffer seen through a terminal of any size: pages written in a
// small terminal are the pages of an 80 x 25 one, the view keeps the cursor
// in sight, and a resize only changes the view.
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "RenderChecks.h"
#include "TerminalScreen.h"

namespace {

const char* const ViewTerms[] = {"xterm-256color", "screen-256color", "linux"};

TEST(ScreenView, BufferIsAtLeastThePageAndNeverShrinks) {
    EXPECT_EQ(BufferExtent(64, 80, 0), 80);
    EXPECT_EQ(BufferExtent(120, 80, 0), 120);
    EXPECT_EQ(BufferExtent(60, 80, 120), 120);
    // The view moves as little as it must, and stays inside the buffer.
    EXPECT_EQ(FollowCursor({0, 0, 60, 20}, 80, 25, Coord{10, 19}), (ViewRect{0, 0, 60, 20}));
    EXPECT_EQ(FollowCursor({0, 0, 60, 20}, 80, 25, Coord{10, 22}), (ViewRect{0, 3, 60, 20}));
    EXPECT_EQ(FollowCursor({0, 3, 60, 20}, 80, 25, Coord{73, 1}), (ViewRect{14, 1, 60, 20}));
    EXPECT_EQ(FollowCursor({14, 5, 60, 20}, 80, 25, Coord{0, 24}), (ViewRect{0, 5, 60, 20}));
    EXPECT_EQ(FollowCursor({9, 9, 80, 25}, 80, 25, Coord{5, 5}), (ViewRect{0, 0, 80, 25}));
}

// A terminal showing a TerminalScreen: the model terminal is replaced by a
// fresh one (showing anything) whenever the size changes.
struct Terminal {
    Terminal(const TermCaps& c, int w, int h)
        : caps(c), screen(c, Utf8(), w, h, false), vt(std::make_unique<VtModel>(w, h, c.bce, c.xenl, false)) {}

    void Resize(int w, int h) {
        screen.SetTerminalSize(w, h);
        vt = std::make_unique<VtModel>(w, h, caps.bce, caps.xenl, false);
    }
    void Render(const std::string& what) {
        lastBytes = screen.Render();
        vt->Run(lastBytes);
        ASSERT_TRUE(vt->errors.empty()) << what << ": " << vt->errors.front();
        const ViewRect v = screen.View();
        const Coord c = screen.Buffer().Cursor;
        ASSERT_TRUE(c.X >= v.X && c.X < v.X + v.Width && c.Y >= v.Y && c.Y < v.Y + v.Height)
            << what << ": cursor outside the view";
        ExpectShows(*vt, screen.Buffer(), caps, what, v);
    }

    TermCaps caps;
    TerminalScreen screen;
    std::unique_ptr<VtModel> vt;
    std::string lastBytes;
};

// Writes into the buffer as the console does into an 80 x 25 window: cells
// in the attribute, wrapping at the right edge, the window scrolling at its
// bottom; every statement ends with the cursor placed and a render.
struct PageWriter {
    Terminal& t;
    int x = 0, y = 0;
    uint8_t attr = 0x70;

    void Clear() {
        for (int16_t r = 0; r < 25; r++) {
            t.screen.FillAttr(attr, 80, Coord{0, r});
            t.screen.FillChar(' ', 80, Coord{0, r});
        }
        x = y = 0;
    }
    void Down() {
        if (++y < 25) return;
        t.screen.Scroll(SmallRect{0, 1, 79, 24}, SmallRect{0, 0, 79, 24}, Coord{0, 0}, ' ', attr);
        y = 24;
    }
    void Put(const std::string& s) {
        for (char ch : s) {
            Coord p{static_cast<int16_t>(x), static_cast<int16_t>(y)};
            t.screen.StoreChar(static_cast<uint8_t>(ch), p);
            t.screen.StoreAttr(attr, p);
            if (++x == 80) x = 0, Down();
        }
    }
    void End(const std::string& what) {
        t.screen.SetCursor(Coord{static_cast<int16_t>(x), static_cast<int16_t>(y)});
        t.Render(what);
    }
    void Line(const std::string& s, const std::string& what) {
        Put(s);
        x = 0;
        Down();
        End(what);
    }
    // A table of the program's kind: dark grey numbers, cells in black.
    void Table(int rows, int cols, int seed, const std::string& what) {
        Put("   ");
        attr = 0x78;
        for (int j = 1; j <= cols; j++) Put("   " + std::to_string(j));
        attr = 0x70;
        Line("", what);
        for (int i = 1; i <= rows; i++) {
            attr = 0x78;
            Put("   " + std::to_string(i));
            attr = 0x70;
            for (int j = 1; j <= cols; j++) {
                std::string n = std::to_string((i * 31 + j * seed) % 400 - 200);
                Put(std::string(4 - std::min<size_t>(n.size(), 4), ' ') + n);
                End(what);
            }
            Line("", what);
        }
        Line("", what);
    }
};

// The view follows the cursor down by scrolling the terminal along, a few
// bytes instead of a redraw; a resize places it afresh, as near the
// buffer's top-left as the cursor allows.
TEST(ScreenView, FollowingTheCursorScrollsAndAResizePlacesTheViewAfresh) {
    LOAD_OR_SKIP("xterm-256color", caps);
    Terminal t(caps, 64, 20);
    PageWriter w{t};
    w.Clear();
    for (int y = 0; y < 25; y++) w.Put(std::string(60, static_cast<char>('a' + y)));
    t.screen.SetCursor(Coord{0, 0});
    t.Render("page");
    const int scrolls = t.vt->scrolls;
    t.screen.SetCursor(Coord{0, 24});
    t.Render("cursor at the bottom");
    EXPECT_EQ(t.screen.View().Y, 5);
    EXPECT_EQ(t.vt->scrolls, scrolls + 5);
    EXPECT_LT(t.lastBytes.size(), 400u);   // a redraw would be over a thousand

    t.screen.SetCursor(Coord{75, 24});
    t.Render("cursor at the right");
    ASSERT_EQ(t.screen.View().X, 12);
    t.screen.SetCursor(Coord{40, 24});
    t.Render("cursor back inside the view");
    t.Resize(50, 20);
    t.Render("shrunk");
    EXPECT_EQ(t.screen.View().X, 0);
}

// The program's first pages: a centred title, the prompt, and tables that
// run past the bottom, so the window scrolls. `between` runs at each key wait.
void Pages(PageWriter& w, const std::function<void(int)>& between) {
    w.Clear();
    w.x = 24;
    w.Line("Kelmarosz keres\xE9se -- beolvas\xE1s", "title");
    w.Line("F\xE1jln\xE9v (*.dat, opcion\xE1lis: 4x8_1,5x3,8_ures):", "prompt");
    w.Line("A beolvas\xE1s siker\xFClt.", "read");
    w.Line("", "read");
    for (int k = 0; k < 4; k++) {
        w.Table(4, 8, 7 + k, "table " + std::to_string(k));
        between(k);
        w.Line(k % 2 ? "\xDCres-nem \xFCres:" : "Alapkonverzi\xF3 ut\xE1n:", "heading");
        w.Line("", "heading");
    }
}

// The same characters in the same colours (a blank's foreground shows nowhere).
void ExpectSameTerminal(VtModel& a, VtModel& b, int w, int h, const std::string& what) {
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const VtCell &p = a.At(x, y), &q = b.At(x, y);
            const bool blank = p.text == " ";
            ASSERT_TRUE(p.text == q.text && p.bg == q.bg && p.blink == q.blink &&
                        (blank || (p.fg == q.fg && p.bold == q.bold)))
                << what << " at " << x << "," << y << ": \"" << p.text << "\" fg " << p.fg << " bg " << p.bg
                << " / \"" << q.text << "\" fg " << q.fg << " bg " << q.bg;
        }
    EXPECT_EQ(a.x, b.x) << what;
    EXPECT_EQ(a.y, b.y) << what;
}

TEST(ScreenView, SmallTerminalGrownToThePageShowsWhatThePageShows) {
    for (const char* term : ViewTerms) {
        LOAD_OR_SKIP(term, caps);
        for (int wait = 0; wait < 4; wait++) {
            SCOPED_TRACE(std::string(term) + " key wait " + std::to_string(wait));
            Terminal page(caps, 80, 25), small(caps, 64, 20);
            PageWriter pw{page}, sw{small};
            std::unique_ptr<VtModel> atWait;
            Pages(pw, [&](int k) {
                if (k == wait) atWait = std::make_unique<VtModel>(*page.vt);
            });
            Pages(sw, [&](int k) {
                if (k != wait) return;
                small.Resize(80, 25);
                small.Render("grown");
                ExpectSameTerminal(*atWait, *small.vt, 80, 25, "at the key wait");
            });
            if (HasFatalFailure()) return;
            // The rest of the run at 80 x 25 too: equal to the end.
            ExpectSameTerminal(*page.vt, *small.vt, 80, 25, "grown");
            if (HasFatalFailure()) return;
        }
    }
}

// Random edits of a buffer larger than the terminal, with the terminal
// resized now and then: the terminal always shows the view's part of the
// buffer, with the cursor in it.
TEST(ScreenView, RandomEditsThroughAMovingViewAlwaysConverge) {
    for (const char* term : ViewTerms) {
        LOAD_OR_SKIP(term, caps);
        std::mt19937 rng(5);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        Terminal t(caps, 30, 8);
        const uint8_t attrs[] = {0x07, 0x70, 0x78, 0x1E, 0xF4};
        for (int round = 0; round < 400; round++) {
            const int w = t.screen.Buffer().Width(), h = t.screen.Buffer().Height();
            for (int k = pick(1, 5); k > 0; k--) {
                uint8_t attr = attrs[pick(0, 4)];
                Coord p{static_cast<int16_t>(pick(0, w - 1)), static_cast<int16_t>(pick(0, h - 1))};
                switch (pick(0, 4)) {
                    case 0:
                        t.screen.StoreChar(static_cast<uint8_t>(pick(0x20, 0xFF)), p);
                        t.screen.StoreAttr(attr, p);
                        break;
                    case 1:
                        t.screen.FillAttr(attr, pick(1, 90), p);
                        t.screen.FillChar(' ', pick(1, 90), p);
                        break;
                    case 2: {   // the page's window scrolls up, or a part of it down
                        int top = pick(0, 20), bottom = pick(top + 1, 24);
                        bool up = pick(0, 3) != 0;
                        int16_t right = static_cast<int16_t>(pick(0, 1) ? 79 : w - 1);
                        SmallRect src{0, int16_t(up ? top + 1 : top), right, int16_t(up ? bottom : bottom - 1)};
                        t.screen.Scroll(src, SmallRect{0, int16_t(top), right, int16_t(bottom)},
                                        Coord{0, int16_t(up ? top : top + 1)}, ' ', attr);
                        break;
                    }
                    default:
                        t.screen.SetCursor(p);
                        break;
                }
            }
            if (round % 37 == 0) t.Resize(pick(20, 90), pick(5, 28));
            t.Render(std::string(term) + " round " + std::to_string(round));
            if (HasFatalFailure()) {
                const ViewRect v = t.screen.View();
                ADD_FAILURE() << "view " << v.X << "," << v.Y << " " << v.Width << "x" << v.Height << " bytes "
                              << testing::PrintToString(t.lastBytes);
                return;
            }
        }
    }
}

}  // namespace
