#include "ScreenGrid.h"

#include <algorithm>

ScreenGrid::ScreenGrid(int width, int height, Cell init)
    : width_(std::max(width, 1)), height_(std::max(height, 1)),
      cells_(static_cast<size_t>(width_) * height_, init), changes_(static_cast<size_t>(height_)) {
    TouchAll();
}

void ScreenGrid::Touch(int y, int from, int to) {
    RowChange& c = changes_[static_cast<size_t>(y)];
    if (!c.Any()) {
        changedRows_.push_back(y);
        c = RowChange{from, to};
        return;
    }
    c.From = std::min(c.From, from);
    c.To = std::max(c.To, to);
}

void ScreenGrid::TouchAll() {
    for (int y = 0; y < height_; y++) Touch(y, 0, width_ - 1);
}

void ScreenGrid::ClearChanges() {
    for (int y : changedRows_) changes_[static_cast<size_t>(y)] = RowChange{};
    changedRows_.clear();
}

void ScreenGrid::StoreChar(uint8_t ch, Coord pos) {
    if (!Inside(pos.X, pos.Y)) return;
    Cell& c = At(pos.X, pos.Y);
    c.ch = ch;
    c.known = true;
    Touch(pos.Y, pos.X, pos.X);
}

void ScreenGrid::StoreAttr(uint8_t attr, Coord pos) {
    if (!Inside(pos.X, pos.Y)) return;
    Cell& c = At(pos.X, pos.Y);
    c.attr = attr;
    c.known = true;
    Touch(pos.Y, pos.X, pos.X);
}

void ScreenGrid::FillChar(uint8_t ch, uint32_t length, Coord pos) {
    if (!Inside(pos.X, pos.Y)) return;
    uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(width_ - pos.X));
    for (uint32_t i = 0; i < n; i++) StoreChar(ch, Coord{static_cast<int16_t>(pos.X + i), pos.Y});
}

void ScreenGrid::FillAttr(uint8_t attr, uint32_t length, Coord pos) {
    if (!Inside(pos.X, pos.Y)) return;
    uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(width_ - pos.X));
    for (uint32_t i = 0; i < n; i++) StoreAttr(attr, Coord{static_cast<int16_t>(pos.X + i), pos.Y});
}

void ScreenGrid::Scroll(const SmallRect& source, const SmallRect& clip, Coord dest, uint8_t fillChar,
                        uint8_t fillAttr) {
    // The source and the clip only count where they lie on the grid.
    int sl = std::max<int>(source.Left, 0), st = std::max<int>(source.Top, 0);
    int sr = std::min<int>(source.Right, width_ - 1), sb = std::min<int>(source.Bottom, height_ - 1);
    int cl = std::max<int>(clip.Left, 0), ct = std::max<int>(clip.Top, 0);
    int cr = std::min<int>(clip.Right, width_ - 1), cb = std::min<int>(clip.Bottom, height_ - 1);
    if (sl > sr || st > sb || cl > cr || ct > cb) return;
    auto inClip = [&](int x, int y) { return x >= cl && x <= cr && y >= ct && y <= cb; };
    for (int y = ct; y <= cb; y++) Touch(y, cl, cr);

    // Copy first so overlapping moves read the old cells.
    int w = sr - sl + 1, h = sb - st + 1;
    std::vector<Cell> copy(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) copy[static_cast<size_t>(y) * w + x] = At(sl + x, st + y);

    // Fill the whole source inside clip; the moved copy then covers its part.
    Cell fill{fillChar, fillAttr, true};
    for (int y = st; y <= sb; y++)
        for (int x = sl; x <= sr; x++)
            if (inClip(x, y)) At(x, y) = fill;

    // The destination keeps the source's offset from its unclipped corner.
    int dx = dest.X - source.Left, dy = dest.Y - source.Top;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int tx = sl + x + dx, ty = st + y + dy;
            if (Inside(tx, ty) && inClip(tx, ty)) At(tx, ty) = copy[static_cast<size_t>(y) * w + x];
        }
}

void ScreenGrid::Resize(int width, int height, Cell init) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    std::vector<Cell> cells(static_cast<size_t>(width) * height, init);
    for (int y = 0; y < std::min(height, height_); y++)
        for (int x = 0; x < std::min(width, width_); x++)
            cells[static_cast<size_t>(y) * width + x] = At(x, y);
    cells_.swap(cells);
    width_ = width;
    height_ = height;
    changes_.assign(static_cast<size_t>(height_), RowChange{});
    changedRows_.clear();
    TouchAll();
    Cursor.X = static_cast<int16_t>(std::min<int>(Cursor.X, width_ - 1));
    Cursor.Y = static_cast<int16_t>(std::min<int>(Cursor.Y, height_ - 1));
}

void ScreenGrid::Reset(Cell c) {
    std::fill(cells_.begin(), cells_.end(), c);
    TouchAll();
}
