// The largest empty rectangle: tie-breaks, edge cases and a brute-force check
// (the sample files are the data-file fuzz target's corpus).
#include <random>

#include "LargestEmptyRectangle.h"
#include "ProgramFixture.h"

namespace {

struct SearchCase {
    const char* Name;
    std::vector<std::vector<int>> Rows;   // as read from the file
    TRESZMATRIX Expected;
    int Area;
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.Name; }

const SearchCase Cases[] = {
    // (2,2)..(2,3) is as large but visited later.
    {"two_by_three", {{0, 5, 0}, {7, 0, 0}}, {1, 3, 2, 3}, 2},
    // (2,1)..(3,3) is as large but visited later.
    {"tie_three_by_four", {{1, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 0}}, {1, 2, 3, 3}, 6},
    // (1,1)..(2,1) is as large: the bottom row decides before the right column.
    {"bottom_row_before_right_column", {{0, 0}, {0, 1}}, {1, 1, 1, 2}, 2},
    // Occupied top-left cell: the start value is replaced by the first empty one.
    {"occupied_start", {{3, 0}, {0, 0}}, {1, 2, 2, 2}, 2},
    {"only_top_left_empty", {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}}, {1, 1, 1, 1}, 1},
    {"single_zero", {{0}}, {1, 1, 1, 1}, 1},
    {"only_bottom_right_empty", {{1, 1}, {1, 0}}, {2, 2, 2, 2}, 1},
};

class SearchTest : public ProgramTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, FindsTheFirstLargestEmptyRectangle) {
    const SearchCase& c = GetParam();
    LoadMatrix(c.Rows);
    Convert();
    FELDOLGOZ();
    EXPECT_EQ(MAXRM.BFI, c.Expected.BFI);
    EXPECT_EQ(MAXRM.BFJ, c.Expected.BFJ);
    EXPECT_EQ(MAXRM.JAI, c.Expected.JAI);
    EXPECT_EQ(MAXRM.JAJ, c.Expected.JAJ);
    EXPECT_EQ(MAXMERET, c.Area);
    EXPECT_EQ(MAXERT, 0);
    EXPECT_EQ(KeyWaits(), 1);   // one table: the prefix sums
}

INSTANTIATE_TEST_SUITE_P(Cases, SearchTest, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ProgramTest, SearchAgreesWithBruteForceOnRandomMatrices) {
    std::mt19937 rng(20240611);
    maxKeyWaits_ = 1000;
    for (int round = 0; round < 400; round++) {
        int n = 1 + static_cast<int>(rng() % 9), m = 1 + static_cast<int>(rng() % 9);
        int density = static_cast<int>(rng() % 100);   // percent of occupied cells
        std::vector<std::vector<int>> rows(n, std::vector<int>(m));
        for (auto& row : rows)
            for (int& v : row)
                v = static_cast<int>(rng() % 100) < density ? static_cast<int>(rng() % 65535) - 32767 : 0;
        // Values equal to 0 by chance are fine; the search needs one empty cell.
        rows[rng() % n][rng() % m] = 0;

        const Rectangle want =
            LargestEmptyRectangle(n, m, [&](int i, int j) { return rows[i - 1][j - 1] == 0; });
        LoadMatrix(rows);
        Convert();
        FELDOLGOZ();
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(MAXERT, 0);
        ASSERT_EQ((Rectangle{MAXRM.BFI, MAXRM.BFJ, MAXRM.JAI, MAXRM.JAJ, MAXMERET}), want);
    }
}

// The prefix sums of the example are shown before the search, without the
// zero border.
TEST_F(ProgramTest, ShowsThePrefixSums) {
    LoadMatrix({{0, 5, 0}, {7, 0, 0}});
    Convert();
    FreshPage();
    FELDOLGOZ();
    EXPECT_EQ(Row(0), "R\xE9sz-\xF6sszegek m\xE1trixa:");
    EXPECT_EQ(Row(1), "");
    EXPECT_EQ(Row(2), "       1   2   3");
    EXPECT_EQ(Row(3), "   1   0  -6  -6");
    EXPECT_EQ(Row(4), "   2  -6 -12 -12");
    EXPECT_EQ(Row(5), "");
}

}  // namespace
