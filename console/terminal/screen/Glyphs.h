// How each of the program's Windows-1250 bytes is shown on the terminal: the
// character in the terminal's encoding, never a byte the terminal would act
// on instead of showing.
#pragma once
#include <cstdint>
#include <string>

#include "Charset.h"

class GlyphTable {
public:
    explicit GlyphTable(const Charset& charset);

    const std::string& operator[](uint8_t ch) const { return glyphs_[ch]; }

private:
    std::string glyphs_[256];
};
