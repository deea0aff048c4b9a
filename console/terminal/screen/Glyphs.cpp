#include "Glyphs.h"

GlyphTable::GlyphTable(const Charset& charset) {
    for (int c = 0; c < 256; c++) {
        std::string g;
        if (c == 0) {
            g = " ";   // an empty cell: the console shows a blank there
        } else if (c < 32 || c == 127) {
            // Control bytes would act on the terminal instead of showing; a
            // visible stand-in keeps the cell count and the cursor in step.
            g = "?";
        } else if (c == 0xAD) {
            g = "-";   // soft hyphen: terminals disagree on its width
        } else {
            g = charset.Out(static_cast<uint8_t>(c));
            // Guard against an encoding that maps a character to a control
            // byte (C1 bytes too, in a single-byte encoding).
            for (unsigned char b : g)
                if (b < 32 || b == 127 || (!charset.IsUtf8() && b >= 0x80 && b < 0xA0)) g = "?";
            if (g.empty()) g = "?";
        }
        glyphs_[c] = g;
    }
}
