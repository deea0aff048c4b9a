// The screen on a terminal that cannot place its cursor (TERM=dumb, an
// editor's shell buffer, a log): the program's text as a plain stream in the
// terminal's encoding, in the order the program writes it. No escape
// sequence is ever sent: colours and cursor moves have no bytes here, a
// move to a lower row is a line end, and a cleared window is an empty line.
// Pure: the platform's cell operations in, bytes out.
#pragma once
#include <cstdint>
#include <string>

#include "Charset.h"
#include "Glyphs.h"
#include "PlatformConsole.h"

class StreamRenderer {
public:
    // row: the buffer row the terminal's current line stands for at start;
    // width: the terminal's columns, 0 for a file or a pipe (lines of any
    // length).
    StreamRenderer(const Charset& charset, int row, int width = 0);

    // The terminal changed size.
    void SetWidth(int width) { width_ = width > 0 ? width : 0; }

    void Char(uint8_t ch, Coord pos);
    // A fill already cut at the buffer's row end. Spaces clear; consecutive
    // rows cleared one after another are one clear.
    void Fill(uint8_t ch, uint32_t length, Coord pos);
    void Scroll(const SmallRect& source, const SmallRect& clip, Coord dest);

    // The bytes gathered since the last call.
    std::string Take();
    // The end of the output, the cursor at `cursor`: the line in progress,
    // or the line end already written to the buffer, ends with a line end,
    // so what comes next (a shell's prompt) starts on a line of its own.
    std::string End(Coord cursor);
    // Whether End would still send a line end.
    bool LineOpen(Coord cursor) const { return !line_.empty() || cursor.Y != row_; }

private:
    void NewLines(int count);

    GlyphTable glyphs_;
    std::string out_;
    int row_;                 // the buffer row the terminal's current line shows
    int width_;               // the terminal's columns; 0: unbounded
    std::string line_;        // the current line's characters, one byte per column; the
                              // terminal's cursor stands after them
    int clearedRow_ = -2;     // the last row of a clear in progress; -2: none
};
