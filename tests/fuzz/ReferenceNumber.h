// An independent model of how integers are read from text: the rules of the
// number conversion and of the token split, written out again without
// looking at the library's code, so the fuzzer can compare the two.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct RefValResult {
    bool Ok = false;
    int32_t Value = 0;
    // 1-based position of the offending character; 0 when the rules fix no
    // position (a text that is only a sign and/or a base prefix).
    size_t ErrorPos = 0;
};

RefValResult RefVal(const std::string& text);

// One integer read from a text file, starting at byte pos of the file's
// contents; pos moves past what the read consumes.
struct RefRead {
    bool Error = false;   // 106
    int32_t Value = 0;
    std::string Token;
};
RefRead RefReadInt(const std::string& contents, size_t& pos, bool ctrlZEndsData);
// True when nothing but end of data remains at pos (a Ctrl-Z counts as end).
bool RefAtEnd(const std::string& contents, size_t pos, bool ctrlZEndsData);
