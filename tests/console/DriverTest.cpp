// The output driver: placing, wrapping, scrolling and the control bytes.
#include "CrtFixture.h"

namespace {

TEST_F(CrtTest, FullRowWrapsAtOnceAndLineEndLeavesEmptyRow) {
    Window(1, 1, 80, 25);
    Put(std::string(80, 'a'));
    ExpectCursor(0, 1);
    Put("\r\nb");
    EXPECT_EQ(Row(0), std::string(80, 'a'));
    EXPECT_EQ(Row(1), std::string(80, ' '));
    EXPECT_EQ(Row(2, 0, 2), "b ");
    ExpectCursor(1, 2);
}

TEST_F(CrtTest, LastCellOfBottomRowScrollsAtOnce) {
    Window(1, 1, 80, 25);
    Put("top");
    GotoXY(1, 25);
    TextAttr = 0x70;
    Put(std::string(79, 'x'));
    TextAttr = 0x1E;
    Put("y");
    EXPECT_EQ(Row(23), std::string(79, 'x') + "y");
    EXPECT_EQ(Row(24), std::string(80, ' '));
    for (int x = 0; x < 80; x++) EXPECT_EQ(Con().AttrAt(x, 24), 0x1E);
    EXPECT_EQ(Row(0, 0, 3), "   ");   // the first row scrolled away
    ExpectCursor(0, 24);
}

TEST_F(CrtTest, LineEndOnBottomRowScrollsOneRow) {
    Window(1, 1, 80, 25);
    GotoXY(1, 25);
    Put("last\r\n");
    EXPECT_EQ(Row(23, 0, 4), "last");
    ExpectCursor(0, 24);
}

TEST_F(CrtTest, ScrollKeepsCellsOutsideTheWindow) {
    Con().Grid().Reset(Cell{'.', 0x07, true});
    Window(5, 3, 14, 6);   // 10 x 4
    ClrScr();
    Put("1\r\n2\r\n3\r\n4\r\n5");
    EXPECT_EQ(Row(2, 4, 10), "2         ");
    EXPECT_EQ(Row(5, 4, 10), "5         ");
    EXPECT_EQ(Row(2, 0, 4), "....");
    EXPECT_EQ(Row(2, 14, 3), "...");
    EXPECT_EQ(Row(1, 4, 10), std::string(10, '.'));
    EXPECT_EQ(Row(6, 4, 10), std::string(10, '.'));
}

TEST_F(CrtTest, OneRowWindowBlanksItsRowOnScroll) {
    Con().Grid().Reset(Cell{'.', 0x07, true});
    Window(1, 5, 10, 5);
    TextAttr = 0x20;
    Put(std::string(10, 'z'));
    EXPECT_EQ(Row(4, 0, 11), std::string(10, ' ') + ".");
    EXPECT_EQ(Con().AttrAt(0, 4), 0x20);
    EXPECT_EQ(Row(3, 0, 10), std::string(10, '.'));
    EXPECT_EQ(Row(5, 0, 10), std::string(10, '.'));
}

TEST_F(CrtTest, ControlBytes) {
    Window(1, 1, 80, 25);
    GotoXY(1, 3);
    Put(std::string("a\x07" "b"));   // bell shows nothing
    EXPECT_EQ(Row(2, 0, 3), "ab ");
    Put("\b\bc");
    EXPECT_EQ(Row(2, 0, 3), "cb ");
    GotoXY(1, 4);
    Put("\b\bd");   // nothing at the left edge, never to the row above
    EXPECT_EQ(Row(3, 0, 2), "d ");
    EXPECT_EQ(Row(2, 0, 3), "cb ");
    GotoXY(5, 6);
    Put("\ne");
    EXPECT_EQ(Con().CharAt(4, 6), 'e');
    Put("\rf");
    EXPECT_EQ(Con().CharAt(0, 6), 'f');
}

// Low bytes that are no control bytes, and high bytes in a run over many
// rows, land as they are, each in the attribute.
TEST_F(CrtTest, OtherBytesLandAsTheyAre) {
    TextAttr = 0x5A;
    std::string text("\x00\x09\x0C\x1A\x1B", 5);
    for (int i = 0; i < 700; i++) text += static_cast<char>(0xA0 + i % 90);
    Put(text);
    for (size_t i = 0; i < text.size(); i++) {
        ASSERT_EQ(Con().CharAt(i % 80, i / 80), static_cast<uint8_t>(text[i])) << i;
        ASSERT_EQ(Con().AttrAt(i % 80, i / 80), 0x5A) << i;
    }
    ExpectCursor(705 % 80, 705 / 80);
}

TEST_F(CrtTest, WriteRestoresCodePageAndPresents) {
    uint32_t before = Con().GetConsoleOutputCP();
    Put("x");
    EXPECT_EQ(Con().GetConsoleOutputCP(), before);
    EXPECT_EQ(Con().CodePageSets(), 2u);
    EXPECT_GE(Con().Presents(), 1u);
}

// From the console's cursor; on a screen that cannot be asked, from the
// top left.
TEST_F(CrtTest, StartsFromTheConsoleCursor) {
    Con().Grid().Cursor = Coord{10, 7};
    Put("hi");
    EXPECT_EQ(Row(7, 10, 2), "hi");
    ExpectCursor(12, 7);
    Con().SetQueryable(false);
    Con().Grid().Cursor = Coord{30, 10};
    Put("ok");
    EXPECT_EQ(Row(0, 0, 2), "ok");
}

// A terminal that shrank leaves the window larger than the screen. The
// cells on the screen get what lands on them; the calls for cells off it,
// which the platform ignores, are only those of the bytes that fall there
// (a character and an attribute each) and the cursor left after them; the
// write ends. Clearing still clears the visible part.
TEST_F(CrtTest, WindowLargerThanShrunkScreenIsSafe) {
    Window(1, 1, 80, 25);
    Con().Grid().Resize(20, 5);
    Con().Grid().Cursor = Coord{19, 4};
    TextAttr = 0x1E;
    Put("q" + std::string(99, 'r'));
    EXPECT_EQ(Con().CharAt(19, 4), 'q');
    EXPECT_EQ(Con().AttrAt(19, 4), 0x1E);
    EXPECT_LE(Con().OutOfRangeCalls(), 2u * 99 + 1);
    ClrScr();
    EXPECT_EQ(Row(4), std::string(20, ' '));
    EXPECT_EQ(Con().AttrAt(19, 4), 0x1E);
    GotoXY(80, 25);   // off the screen: the cursor stays on it
    EXPECT_TRUE(Con().Grid().Inside(Con().Grid().Cursor.X, Con().Grid().Cursor.Y));
}

}  // namespace
