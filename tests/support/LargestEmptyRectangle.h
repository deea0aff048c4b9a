// The reference search of the program's result, for the search's tests and
// the data-file fuzz target: of the largest all-empty rectangles, the first
// in the order top row, left column, bottom row, right column.
#pragma once
#include <functional>

struct Rectangle {
    int Top = 0, Left = 0, Bottom = 0, Right = 0;   // 1-based corners; all 0 when no cell is empty
    int Area = 0;
    bool operator==(const Rectangle&) const = default;
};

// The n x m matrix whose cell (i, j), 1-based, is empty when empty(i, j).
inline Rectangle LargestEmptyRectangle(int n, int m, const std::function<bool(int, int)>& empty) {
    Rectangle best;
    for (int i = 1; i <= n; i++)
        for (int j = 1; j <= m; j++)
            for (int k = i; k <= n; k++)
                for (int l = j; l <= m; l++) {
                    bool all = true;
                    for (int a = i; a <= k && all; a++)
                        for (int b = j; b <= l && all; b++) all = empty(a, b);
                    const int area = (k - i + 1) * (l - j + 1);
                    if (all && area > best.Area) best = Rectangle{i, j, k, l, area};
                }
    return best;
}
