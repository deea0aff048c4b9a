#include "StreamRenderer.h"

StreamRenderer::StreamRenderer(const Charset& charset, int row, int width)
    : glyphs_(charset), row_(row), width_(width > 0 ? width : 0) {}

void StreamRenderer::NewLines(int count) {
    out_.append(static_cast<size_t>(count), '\n');
    line_.clear();
}

void StreamRenderer::Char(uint8_t ch, Coord pos) {
    clearedRow_ = -2;
    if (pos.X < 0 || pos.Y < 0) return;
    if (pos.Y != row_) {
        // A row above cannot be reached: it starts a new line too.
        NewLines(pos.Y > row_ ? pos.Y - row_ : 1);
        row_ = pos.Y;
    }
    const size_t x = static_cast<size_t>(pos.X);
    if (x >= line_.size()) {
        // Columns skipped over (a centred title) show as blanks.
        for (size_t i = line_.size(); i < x; i++) out_ += ' ';
        line_.resize(x, ' ');
        line_ += static_cast<char>(ch);
        out_ += glyphs_[ch];
        return;
    }
    if (static_cast<uint8_t>(line_[x]) == ch) return;   // shows already (an editor moving right)
    // A change inside the line (the line editor's Backspace and overwrite):
    // a carriage return, then the line again over itself from the start of
    // the terminal row the cursor is on. A line longer than the terminal is
    // wide has wrapped onto rows above, which a carriage return cannot reach:
    // a change there is left out rather than the line repeated.
    line_[x] = static_cast<char>(ch);
    const size_t w = static_cast<size_t>(width_);
    const size_t rowStart = w > 0 ? line_.size() / w * w : 0;
    if (x < rowStart) return;
    out_ += '\r';
    for (size_t i = rowStart; i < line_.size(); i++) out_ += glyphs_[static_cast<uint8_t>(line_[i])];
}

void StreamRenderer::Fill(uint8_t ch, uint32_t length, Coord pos) {
    if (length == 0 || pos.X < 0 || pos.Y < 0) return;
    if (ch != ' ') {
        for (uint32_t i = 0; i < length; i++) Char(ch, Coord{static_cast<int16_t>(pos.X + i), pos.Y});
        return;
    }
    if (pos.Y == clearedRow_ + 1) {   // the next row of the same clear
        clearedRow_ = pos.Y;
        return;
    }
    // The line in progress ends, and an empty line stands for the clear.
    NewLines(line_.empty() ? 1 : 2);
    row_ = pos.Y;
    clearedRow_ = pos.Y;
}

void StreamRenderer::Scroll(const SmallRect& source, const SmallRect& clip, Coord dest) {
    clearedRow_ = -2;
    // The terminal's current line moves with the rows: the next row written
    // below it is that many line ends away.
    if (row_ >= clip.Top && row_ <= clip.Bottom) row_ -= source.Top - dest.Y;
}

std::string StreamRenderer::End(Coord cursor) {
    std::string s = Take();
    if (LineOpen(cursor)) NewLines(1);
    return s + Take();
}

std::string StreamRenderer::Take() {
    std::string s;
    s.swap(out_);
    return s;
}
