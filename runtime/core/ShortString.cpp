#include "ShortString.h"

#include <cstring>

ShortString::ShortString(const char* s) : ShortString(s, s ? std::strlen(s) : 0) {}

ShortString::ShortString(const char* s, size_t n) {
    if (n > static_cast<size_t>(MaxLen)) n = MaxLen;
    if (n) std::memcpy(Ch, s, n);
    Len = static_cast<uint8_t>(n);
}

ShortString Concat(const ShortString& left, const ShortString& right) {
    ShortString r = left;
    int room = ShortString::MaxLen - r.Len;
    int take = right.Len < room ? right.Len : room;
    if (take > 0) std::memcpy(r.Ch + r.Len, right.Ch, take);
    r.Len = static_cast<uint8_t>(r.Len + take);
    return r;
}

bool operator==(const ShortString& a, const ShortString& b) { return a.View() == b.View(); }
