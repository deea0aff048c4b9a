// A screen of character cells as the program sees it: each cell an 8-bit
// Windows-1250 character and an 8-bit attribute, plus whether anything was
// ever put there. The real terminal keeps showing whatever it showed for
// cells nobody wrote, so those stay "unknown" and are never drawn. The grid
// also notes which cells changed since the last render, row by row, so that
// a render costs what changed rather than the size of the grid.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "PlatformConsole.h"

struct Cell {
    uint8_t ch = ' ';
    uint8_t attr = 0x07;
    bool known = false;

    bool operator==(const Cell&) const = default;
};

// The columns of one row that changed; none when From > To.
struct RowChange {
    int From = 1, To = 0;
    bool Any() const { return From <= To; }
};

class ScreenGrid {
public:
    explicit ScreenGrid(int width = 80, int height = 25, Cell init = Cell{});

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Cell& At(int x, int y) { return cells_[static_cast<size_t>(y) * width_ + x]; }
    const Cell& At(int x, int y) const { return cells_[static_cast<size_t>(y) * width_ + x]; }

    Coord Cursor;

    // One cell; positions outside the grid are ignored. The cell becomes known.
    void StoreChar(uint8_t ch, Coord pos);
    void StoreAttr(uint8_t attr, Coord pos);
    // A run of one row from pos, cut at the row's end.
    void FillChar(uint8_t ch, uint32_t length, Coord pos);
    void FillAttr(uint8_t attr, uint32_t length, Coord pos);

    // Moves the source rectangle so its top-left lands on dest. Only cells
    // inside clip (and the grid) change; cells of the source that the moved
    // copy does not cover and that lie inside clip get the fill.
    void Scroll(const SmallRect& source, const SmallRect& clip, Coord dest, uint8_t fillChar,
                uint8_t fillAttr);

    // New size; the top-left content stays, new cells are `init`.
    void Resize(int width, int height, Cell init = Cell{});
    // Every cell becomes `c`.
    void Reset(Cell c);

    // The rows with changes since ClearChanges, each once, in no order.
    const std::vector<int>& ChangedRows() const { return changedRows_; }
    RowChange Changed(int y) const { return changes_[static_cast<size_t>(y)]; }
    void ClearChanges();

private:
    void Touch(int y, int from, int to);
    void TouchAll();

    int width_;
    int height_;
    std::vector<Cell> cells_;
    std::vector<RowChange> changes_;
    std::vector<int> changedRows_;
};
