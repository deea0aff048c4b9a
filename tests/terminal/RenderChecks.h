// Checks shared by the renderer and screen tests: rendering onto the model
// terminal and comparing what it shows with the cells of a grid.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "Charset.h"
#include "Glyphs.h"
#include "Renderer.h"
#include "ScreenGrid.h"
#include "ScreenView.h"
#include "StyledCapture.h"
#include "TermCaps.h"
#include "TtyTestHooks.h"
#include "VtModel.h"

inline const Charset& Utf8() {
    static Charset cs("UTF-8");
    return cs;
}

inline bool Load(const char* term, TermCaps& caps) { return TermCapsForName(term, caps); }

#define LOAD_OR_SKIP(term, caps) \
    TermCaps caps;               \
    if (!Load(term, caps)) {     \
        GTEST_SKIP() << "no terminfo entry for " << term; \
    }

// Runs a render on the model terminal and checks it understood every byte.
// The grid's changes are then cleared, as the screen does after a render.
inline std::string Apply(Renderer& r, ScreenGrid& g, VtModel& vt, ViewRect view = ViewRect{0, 0, 0, 0}) {
    std::string out = view.Width == 0 ? r.Render(g) : r.Render(g, view);
    g.ClearChanges();
    vt.Run(out);
    EXPECT_TRUE(vt.errors.empty()) << vt.errors.front();
    return out;
}

// Every known cell of the grid's part in the view shows on the model
// terminal with its colours, and the cursor and attributes are left as a
// render promises. Cells never written show what the terminal had before
// (the model's "Z") or a blank in its own colours; only the blank once the
// terminal has been cleared. An empty view: the whole grid.
inline void ExpectShows(VtModel& vt, const ScreenGrid& g, const TermCaps& caps, const std::string& what,
                        ViewRect view = ViewRect{0, 0, 0, 0}, bool cleared = false) {
    if (view.Width == 0) view = ViewRect{0, 0, g.Width(), g.Height()};
    static const GlyphTable glyphs(Utf8());
    for (int y = 0; y < view.Height; y++)
        for (int x = 0; x < view.Width; x++) {
            if (caps.am && !caps.xenl && x == view.Width - 1 && y == view.Height - 1) continue;
            const Cell& c = g.At(view.X + x, view.Y + y);
            VtCell& v = vt.At(x, y);
            if (!c.known) {
                ASSERT_TRUE((v.text == "Z" && !cleared) || (v.text == " " && v.bg == -1 && !v.blink))
                    << what << " shows " << v.text << " bg " << v.bg << " at " << x << "," << y;
                continue;
            }
            ASSERT_EQ(v.text, glyphs[c.ch]) << what << " at " << x << "," << y;
            int bg = -1, fg = -1;
            bool bold = false, blink = false;
            if (c.attr != Renderer::DefaultAttr) {
                bool rich = caps.colors >= 16;
                fg = PcToAnsi(c.attr & 7) + ((c.attr & 8) && rich ? 8 : 0);
                bold = (c.attr & 8) && !rich;
                blink = (c.attr & 0x80) && !rich && !caps.blink.empty();
                bg = PcToAnsi((c.attr >> 4) & 7) + ((c.attr & 0x80) && rich ? 8 : 0);
            }
            ASSERT_EQ(v.bg, bg) << what << " at " << x << "," << y;
            ASSERT_EQ(v.blink, blink) << what << " at " << x << "," << y;
            if (v.text != " ") {
                ASSERT_EQ(v.fg, fg) << what << " at " << x << "," << y;
                ASSERT_EQ(v.bold, bold) << what << " at " << x << "," << y;
            }
        }
    EXPECT_EQ(vt.x, g.Cursor.X - view.X) << what;
    EXPECT_EQ(vt.y, g.Cursor.Y - view.Y) << what;
}

// Giving the terminal back leaves its own default attributes, whatever the
// last cell drawn was.
inline void ExpectDefaultsAfterReset(VtModel& vt, Renderer& r, const std::string& what) {
    vt.Run(r.ResetAttributes());
    EXPECT_EQ(vt.Fg(), -1) << what;
    EXPECT_EQ(vt.Bg(), -1) << what;
    EXPECT_FALSE(vt.Bold()) << what;
    EXPECT_FALSE(vt.Blink()) << what;
}

inline void Text(ScreenGrid& g, int x, int y, const std::string& s, uint8_t attr) {
    for (size_t i = 0; i < s.size(); i++) {
        Coord p{static_cast<int16_t>(x + i), static_cast<int16_t>(y)};
        g.StoreChar(static_cast<uint8_t>(s[i]), p);
        g.StoreAttr(attr, p);
    }
}
