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
    // row: the buffer row the terminal's current line stands for at start.
    StreamRenderer(const Charset& charset, int row);

    void Char(uint8_t ch, Coord pos);
    // A fill already cut at the buffer's row end. Spaces clear; consecutive
    // rows cleared one after another are one clear.
    void Fill(uint8_t ch, uint32_t length, Coord pos);
    void Scroll(const SmallRect& source, const SmallRect& clip, Coord dest);

    // The bytes gathered since the last call.
    std::string Take();

private:
    void NewLines(int count);

    GlyphTable glyphs_;
    std::string out_;
    int row_;                 // the buffer row the terminal's current line shows
    std::string line_;        // the current line's characters, one byte per column
    int clearedRow_ = -2;     // the last row of a clear in progress; -2: none
};
