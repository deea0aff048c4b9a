// The tables, the page routine and the result page as they land in the cells.
#include "ProgramFixture.h"
#include "AltRutinok.h"

namespace {

using Rows = std::vector<std::string>;

class TableTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        LoadMatrix({{0, 5, 0}, {7, 0, 0}});
        FreshPage();
    }
    void ExpectRows(int from, const Rows& rows) {
        for (size_t i = 0; i < rows.size(); i++)
            EXPECT_EQ(Row(from + static_cast<int>(i)), rows[i]) << "row " << from + i;
    }
};

struct LayoutCase {
    const char* Name;
    bool Binary;
    TRESZMATRIX Region;
    Rows Expected;   // from the first row on; trailing spaces dropped
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.Name; }

class LayoutTest : public TableTest, public ::testing::WithParamInterface<LayoutCase> {};

const LayoutCase Layouts[] = {
    {"numbers", false, {1, 1, 2, 3}, {"", "       1   2   3", "   1   0   5   0", "   2   7   0   0", ""}},
    {"marks", true, {1, 1, 2, 3}, {"", "       1   2   3", "   1       *", "   2   *", ""}},
    {"marks_of_one_column", true, {1, 3, 2, 3}, {"", "       3", "   1", "   2", ""}},
    // No columns: a header of four spaces and the row numbers alone.
    {"no_columns", false, {1, 1, 2, 0}, {"", "", "   1", "   2", ""}},
    {"no_rows", false, {1, 1, 0, 3}, {"", "       1   2   3", "", ""}},
};

TEST_P(LayoutTest, WritesTheTableThenWaitsForOneKey) {
    const LayoutCase& c = GetParam();
    if (c.Binary)
        KIIRMATRIXBINARIS(c.Region, MAT);
    else
        KIIRMATRIX(c.Region, MAT);
    ExpectRows(0, c.Expected);
    EXPECT_EQ(KeyWaits(), 1);
}

INSTANTIATE_TEST_SUITE_P(Tables, LayoutTest, ::testing::ValuesIn(Layouts),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TableTest, MarkRowsKeepTheSpacesOfTheirLastField) {
    KIIRMATRIXBINARIS(MAXRM, MAT);
    EXPECT_EQ(RowRaw(2, 0, 17), "   1       *     ");
    EXPECT_EQ(RowRaw(3, 0, 17), "   2   *         ");
    // The blanks were written, not left from the cleared page: the cursor
    // stood after them when the line ended.
}

TEST_F(TableTest, NumbersAreDarkGreyAndCellsBlackOnLightGrey) {
    KIIRMATRIX(MAXRM, MAT);
    for (int x = 0; x < 16; x++) EXPECT_EQ(Con().AttrAt(x, 1), 0x78) << "header column " << x;
    for (int y = 2; y <= 3; y++) {
        for (int x = 0; x < 4; x++) EXPECT_EQ(Con().AttrAt(x, y), 0x78) << x << "," << y;
        for (int x = 4; x < 16; x++) EXPECT_EQ(Con().AttrAt(x, y), 0x70) << x << "," << y;
    }
    EXPECT_EQ(TextAttr, 0x70);
}

TEST_F(TableTest, AValueOfFiveCharactersPushesTheRowRight) {
    MAT.Cell[1][1] = -1000;
    MAT.Cell[1][2] = -81;
    MAT.Cell[2][3] = -32768;
    KIIRMATRIX(MAXRM, MAT);
    EXPECT_EQ(Row(2), "   1-1000 -81   0");
    EXPECT_EQ(Row(3), "   2   7   0-32768");
}

TEST_F(TableTest, ATableLongerThanTheWindowScrollsAndWaitsOnce) {
    N = 12;
    M = 0;
    KIIRMATRIX(TRESZMATRIX{1, 1, 12, 0}, MAT);
    KIIRMATRIX(TRESZMATRIX{1, 1, 12, 0}, MAT);
    // Two tables of 15 rows each leave the cursor on row 31 of a 25-row
    // window: scrolled by six, the second table's last row stands on row 23.
    EXPECT_EQ(Row(22), "  12");
    EXPECT_EQ(Row(23), "");
    EXPECT_EQ(KeyWaits(), 2);
}

TEST_F(TableTest, PageTitleIsCentredAfterThePause) {
    TextAttr = 0x1F;
    UJLAP(CIM + " -- beolvas\xE1s", 1);
    // 31 characters in a field of 55: 24 spaces first.
    EXPECT_EQ(Row(0), std::string(24, ' ') + "Kelmarosz keres\xE9se -- beolvas\xE1s");
    EXPECT_EQ(Con().SleptMs(), 100u);
    EXPECT_EQ(Con().AttrAt(0, 0), 0x70);
    EXPECT_EQ(Con().AttrAt(79, 24), 0x70);
    EXPECT_EQ(Con().Grid().Cursor.X, 0);
    EXPECT_EQ(Con().Grid().Cursor.Y, 1);
    EXPECT_EQ(KeyWaits(), 0);
}

// The wait, a pause or a key, comes before the clearing: the previous page
// is still on the screen while the program waits.
TEST_F(TableTest, ThePreviousPageStaysDuringTheWait) {
    for (int16_t wait : {1, 0}) {
        FreshPage();
        TextWriteStr(0, Output, "previous page");
        TextWritelnEnd(Output);
        std::string during;
        Con().SetOnSleep([&](uint32_t) { during = Row(0); });
        Con().SetOnEmptyWait([&] {
            during = Row(0);
            Con().PushKey(KeyDown(' ', 57));
        });
        UJLAP("x", wait);
        EXPECT_EQ(during, "previous page") << "wait " << wait;
        EXPECT_EQ(Row(0), std::string(39, ' ') + "x") << "wait " << wait;   // a field of 0 div 2 + 40
        EXPECT_EQ(Row(1), "") << "wait " << wait;
    }
    EXPECT_EQ(Con().SleptMs(), 100u);
}

// The pause is 16 bits of milliseconds: 655 tenths of a second at most.
TEST_F(TableTest, LongestPauseIs65500Milliseconds) {
    UJLAP("x", 655);
    EXPECT_EQ(Con().SleptMs(), 65500u);
    EXPECT_EXIT(UJLAP("x", 656), ::testing::ExitedWithCode(201), "");
}

// The longest name that can be typed, 254 characters, makes a title of 285:
// it is cut to 255 and written from the first column, wrapping at the
// window's edge without leading spaces.
TEST_F(TableTest, ATitleOver255CharactersIsCut) {
    std::string name;
    for (int i = 0; i < 254; i++) name += static_cast<char>('a' + i % 26);
    KIIR(ShortString(name));
    const std::string title = ("Kelmarosz keres\xE9se -- eredm\xE9ny:" + name).substr(0, 255);
    for (int y = 0; y < 3; y++) EXPECT_EQ(Row(y), title.substr(80 * y, 80)) << "row " << y;
    EXPECT_EQ(Row(3), title.substr(240));
    EXPECT_EQ(Row(4), "A keresett r\xE9szm\xE1trix: (1,1)..(2,3)");
}

TEST_F(TableTest, ResultPage) {
    Convert();
    MAXRM = TRESZMATRIX{1, 3, 2, 3};
    KIIR("pelda");
    std::string title = "Kelmarosz keres\xE9se -- eredm\xE9ny:pelda";   // 36 characters
    ExpectRows(0, {std::string(22, ' ') + title, "A keresett r\xE9szm\xE1trix: (1,3)..(2,3)",
                   "A r\xE9szm\xE1trix ter\xFClete:2", "", "       3", "   1", "   2", ""});
    EXPECT_EQ(Con().SleptMs(), 200u);
    EXPECT_EQ(KeyWaits(), 1);
}

}  // namespace
