// Colours, window bounds, cursor placement and clearing.
#include "CrtFixture.h"

namespace {

struct ColourCase {
    uint8_t before;
    void (*op)();
    uint8_t after;
};

void PageColours() {
    TextBackground(15);
    TextColor(0);
}
void PageHigh() {
    PageColours();
    HighVideo();
}
void PageHighLow() {
    PageHigh();
    LowVideo();
}
void Color143() { TextColor(143); }
void Background9() { TextBackground(9); }

TEST_F(CrtTest, ColourArithmetic) {
    const ColourCase cases[] = {
        {0x1F, PageColours, 0x70}, {0xCE, PageColours, 0x70}, {0x1F, PageHigh, 0x78},
        {0xCE, PageHighLow, 0x70}, {0xF8, LowVideo, 0x70},    {0x80, HighVideo, 0x88},
        {0x70, Color143, 0xFF},    {0x0F, Background9, 0x1F},
    };
    for (const ColourCase& c : cases) {
        TextAttr = c.before;
        c.op();
        EXPECT_EQ(TextAttr, c.after) << "from 0x" << std::hex << int(c.before);
    }
}

TEST_F(CrtTest, WindowOnLargeBufferTakesTopLeft) {
    Install(120, 300);
    Con().Grid().Cursor = Coord{50, 200};
    Window(1, 1, 80, 25);
    EXPECT_EQ(WindMinX, 1u);
    EXPECT_EQ(WindMinY, 1u);
    EXPECT_EQ(WindMaxX, 80u);
    EXPECT_EQ(WindMaxY, 25u);
    EXPECT_EQ(WindMin, 0);
    EXPECT_EQ(WindMax, 24 * 256 + 79);
    ExpectCursor(0, 0);
}

TEST_F(CrtTest, InvalidWindowsChangeNothing) {
    struct Case {
        int w, h;
        uint8_t x1, y1, x2, y2;
    } cases[] = {
        {79, 25, 1, 1, 80, 25},    // too narrow
        {80, 24, 1, 1, 80, 25},    // too low
        {80, 25, 10, 5, 9, 20},    // corners crossed
        {80, 25, 5, 20, 10, 19},
        {80, 25, 0, 1, 10, 10},    // a corner at 0 would reach off the screen
        {80, 25, 1, 0, 10, 10},
        {80, 25, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Install(c.w, c.h);
        Window32(3, 4, 20, 10);
        Con().Grid().Cursor = Coord{7, 8};
        Window(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(WindMinX, 3u);
        EXPECT_EQ(WindMinY, 4u);
        EXPECT_EQ(WindMaxX, 20u);
        EXPECT_EQ(WindMaxY, 10u);
        EXPECT_EQ(WindMin, 3 * 256 + 2);
        EXPECT_EQ(WindMax, 9 * 256 + 19);
        ExpectCursor(7, 8);
    }
}

TEST_F(CrtTest, WindowWhenScreenCannotBeQueriedUses80x25) {
    Con().SetQueryable(false);
    Window(1, 1, 80, 25);
    EXPECT_EQ(WindMaxX, 80u);
    Window(1, 1, 81, 25);
    EXPECT_EQ(WindMaxX, 80u);
}

TEST_F(CrtTest, GotoXYStaysInsideWindow) {
    Window(11, 6, 30, 15);   // 20 x 10
    Con().Grid().Cursor = Coord{40, 20};
    const uint8_t bad[][2] = {{21, 1}, {0, 1}, {1, 0}, {1, 11}, {255, 255}};
    for (const auto& b : bad) {
        GotoXY(b[0], b[1]);
        ExpectCursor(40, 20);
    }
    GotoXY(20, 10);
    ExpectCursor(29, 14);
    GotoXY(1, 1);
    ExpectCursor(10, 5);
    // The full window: up to its last cell, nothing beyond.
    Window(1, 1, 80, 25);
    GotoXY(80, 25);
    GotoXY(81, 1);
    GotoXY(1, 26);
    ExpectCursor(79, 24);
}

TEST_F(CrtTest, ClrScrFillsOnlyTheWindow) {
    Con().Grid().Reset(Cell{'#', 0x07, true});
    Window(3, 2, 10, 5);
    TextAttr = 0x4E;
    ClrScr();
    for (int y = 0; y < 25; y++)
        for (int x = 0; x < 80; x++) {
            bool inside = x >= 2 && x <= 9 && y >= 1 && y <= 4;
            EXPECT_EQ(Con().CharAt(x, y), inside ? ' ' : '#') << x << "," << y;
            EXPECT_EQ(Con().AttrAt(x, y), inside ? 0x4E : 0x07) << x << "," << y;
        }
    ExpectCursor(2, 1);
}

TEST_F(CrtTest, DelaySleepsOnce) {
    Delay(200);
    Delay(65535);
    EXPECT_EQ(Con().SleepCalls(), 2u);
    EXPECT_EQ(Con().SleptMs(), 200u + 65535u);
}

}  // namespace
