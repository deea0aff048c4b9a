// The program's text type: a length byte and up to 255 Windows-1250
// characters. Copying keeps the first 255 characters; joining keeps the left
// text and as much of the right one as still fits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ShortString {
    static constexpr int MaxLen = 255;

    uint8_t Len = 0;
    char Ch[MaxLen] = {};

    ShortString() = default;
    ShortString(const char* s);   // NOLINT: implicit from literals on purpose
    ShortString(const char* s, size_t n);
    explicit ShortString(std::string_view s) : ShortString(s.data(), s.size()) {}

    std::string_view View() const { return std::string_view(Ch, Len); }
    std::string Str() const { return std::string(Ch, Len); }
    char operator[](int i) const { return Ch[i]; }
    int Length() const { return Len; }
};

// Joining: the result never exceeds MaxLen characters.
ShortString Concat(const ShortString& left, const ShortString& right);
inline ShortString operator+(const ShortString& a, const ShortString& b) { return Concat(a, b); }
bool operator==(const ShortString& a, const ShortString& b);

// The number in decimal: '-' for negatives, no leading zeros, INT32_MIN in full.
ShortString DecimalStr(int32_t value);
// The address as 16 capital hexadecimal digits.
ShortString HexAddr(const void* addr);
