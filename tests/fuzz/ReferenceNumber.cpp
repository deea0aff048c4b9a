#include "ReferenceNumber.h"

#include <cstring>

namespace {

// Digit weight of a character in any base up to 16, or 99 for none.
unsigned Weight(unsigned char c) {
    static const char Digits[] = "0123456789abcdef";
    unsigned char lower = (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
    if (lower == 0) return 99;
    const char* hit = std::strchr(Digits, lower);
    return hit ? static_cast<unsigned>(hit - Digits) : 99;
}

}  // namespace

RefValResult RefVal(const std::string& text) {
    RefValResult r;
    const size_t n = text.size();
    size_t at = 0;
    while (at < n && (text[at] == ' ' || text[at] == '\t')) ++at;

    bool minus = false;
    if (at < n && (text[at] == '-' || text[at] == '+')) {
        minus = text[at] == '-';
        ++at;
    }

    unsigned base = 10;
    if (at < n) {
        char c = text[at];
        if (c == '$' || c == 'x' || c == 'X') {
            base = 16;
            at += 1;
        } else if (c == '%') {
            base = 2;
            at += 1;
        } else if (c == '&') {
            base = 8;
            at += 1;
        } else if (c == '0' && at + 1 < n && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
            base = 16;
            at += 2;
        }
    }

    // Leading zeros go, but never the last character.
    while (at + 1 < n && text[at] == '0') ++at;
    if (at >= n) return r;   // nothing but a sign and/or a prefix

    const unsigned long long allOnes = 0xFFFFFFFFull;
    const unsigned long long limit = base == 10 ? (minus ? 0x80000000ull : 0x7FFFFFFFull) : allOnes;
    unsigned long long acc = 0;
    for (; at < n; ++at) {
        unsigned w = Weight(static_cast<unsigned char>(text[at]));
        bool tooBig = false;
        if (w < base) {
            if (acc > allOnes / base) tooBig = true;
            else if (acc * base + w > limit) tooBig = true;
        }
        if (w >= base || tooBig) {
            r.ErrorPos = at + 1;
            return r;
        }
        acc = acc * base + w;
    }
    r.Ok = true;
    unsigned long long bits = minus ? ((allOnes + 1 - acc) & allOnes) : acc;
    r.Value = bits >= 0x80000000ull ? static_cast<int32_t>(static_cast<long long>(bits) - 0x100000000ll)
                                     : static_cast<int32_t>(bits);
    return r;
}

bool RefAtEnd(const std::string& contents, size_t pos, bool ctrlZEndsData) {
    return pos >= contents.size() || (ctrlZEndsData && contents[pos] == 26);
}

RefRead RefReadInt(const std::string& contents, size_t& pos, bool ctrlZEndsData) {
    RefRead r;
    auto blank = [&](size_t p) { return static_cast<unsigned char>(contents[p]) <= 32; };
    while (!RefAtEnd(contents, pos, ctrlZEndsData) && blank(pos)) ++pos;
    while (!RefAtEnd(contents, pos, ctrlZEndsData) && !blank(pos) && r.Token.size() < 255)
        r.Token += contents[pos++];
    if (r.Token.empty()) return r;   // blanks up to the end: 0, no error
    RefValResult v = RefVal(r.Token);
    r.Error = !v.Ok;
    r.Value = v.Ok ? v.Value : 0;
    return r;
}
