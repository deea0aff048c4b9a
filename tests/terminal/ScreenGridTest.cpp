#include <gtest/gtest.h>

#include <string>

#include "ScreenGrid.h"

namespace {

// The grid's rows as text, one letter per cell, '.' for unknown cells.
std::string Row(const ScreenGrid& g, int y) {
    std::string s;
    for (int x = 0; x < g.Width(); x++) s += g.At(x, y).known ? static_cast<char>(g.At(x, y).ch) : '.';
    return s;
}

ScreenGrid Lettered(int w, int h) {
    ScreenGrid g(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) g.StoreChar(static_cast<uint8_t>('a' + y * w + x), Coord{int16_t(x), int16_t(y)});
    return g;
}

TEST(ScreenGrid, FillIsCutAtRowEndAndIgnoresOutside) {
    ScreenGrid g(5, 2);
    g.FillChar('x', 100, Coord{3, 0});
    g.FillAttr(0x70, 100, Coord{3, 0});
    EXPECT_EQ(Row(g, 0), "...xx");
    EXPECT_EQ(Row(g, 1), ".....");   // never spills into the next row
    EXPECT_EQ(g.At(4, 0).attr, 0x70);
    g.FillChar('y', 3, Coord{5, 0});
    g.FillChar('y', 3, Coord{-1, 1});
    g.StoreChar('z', Coord{0, 2});
    g.StoreAttr(0x11, Coord{0, -1});
    EXPECT_EQ(Row(g, 0), "...xx");
    EXPECT_EQ(Row(g, 1), ".....");
    g.FillChar('q', 0, Coord{0, 1});
    EXPECT_EQ(Row(g, 1), ".....");
}

struct ScrollCase {
    const char* name;
    SmallRect source, clip;
    Coord dest;
    const char* rows[4];
};

// A 4x4 grid "abcd/efgh/ijkl/mnop" scrolled various ways; '*' is the fill.
const ScrollCase Scrolls[] = {
    {"window up one", {0, 1, 3, 3}, {0, 0, 3, 3}, {0, 0}, {"efgh", "ijkl", "mnop", "****"}},
    {"window down one", {0, 0, 3, 2}, {0, 0, 3, 3}, {0, 1}, {"****", "abcd", "efgh", "ijkl"}},
    {"clip keeps top row", {0, 1, 3, 3}, {0, 1, 3, 3}, {0, 0}, {"abcd", "ijkl", "mnop", "****"}},
    {"narrow window", {1, 1, 2, 3}, {1, 0, 2, 3}, {1, 0}, {"afgd", "ejkh", "inol", "m**p"}},
    {"move right, overlap", {0, 0, 1, 0}, {0, 0, 3, 3}, {1, 0}, {"*abd", "efgh", "ijkl", "mnop"}},
    {"clip cuts destination", {0, 0, 1, 1}, {2, 2, 3, 3}, {2, 2}, {"abcd", "efgh", "ijab", "mnef"}},
    {"destination off grid", {0, 0, 3, 0}, {0, 0, 3, 3}, {2, 3}, {"****", "efgh", "ijkl", "mnab"}},
    {"source beyond grid", {0, 2, 3, 9}, {0, 0, 3, 3}, {0, 0}, {"ijkl", "mnop", "****", "****"}},
    {"empty clip", {0, 1, 3, 3}, {3, 3, 2, 2}, {0, 0}, {"abcd", "efgh", "ijkl", "mnop"}},
};

TEST(ScreenGrid, ScrollMovesClipsAndFills) {
    for (const ScrollCase& c : Scrolls) {
        ScreenGrid g = Lettered(4, 4);
        g.Scroll(c.source, c.clip, c.dest, '*', 0x1F);
        for (int y = 0; y < 4; y++) EXPECT_EQ(Row(g, y), c.rows[y]) << c.name << " row " << y;
    }
}

TEST(ScreenGrid, ScrollCarriesAttributesAndFillAttribute) {
    ScreenGrid g = Lettered(3, 2);
    g.StoreAttr(0x4E, Coord{1, 1});
    g.Scroll(SmallRect{0, 1, 2, 1}, SmallRect{0, 0, 2, 1}, Coord{0, 0}, ' ', 0x70);
    EXPECT_EQ(g.At(1, 0).attr, 0x4E);
    EXPECT_EQ(g.At(1, 1).attr, 0x70);
    EXPECT_TRUE(g.At(1, 1).known);
}

TEST(ScreenGrid, ResizeKeepsTopLeftAndClampsCursor) {
    ScreenGrid g = Lettered(3, 3);
    g.Cursor = Coord{2, 2};
    g.Resize(2, 4);
    EXPECT_EQ(Row(g, 0), "ab");
    EXPECT_EQ(Row(g, 2), "gh");
    EXPECT_EQ(Row(g, 3), "..");
    EXPECT_EQ(g.Cursor.X, 1);
    EXPECT_EQ(g.Cursor.Y, 2);
}

}  // namespace
