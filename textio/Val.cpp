// Reading a 32-bit signed integer from text, with sign and base prefixes.
#include <cstdint>

#include "TextIO.h"

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int Val(const char* s, int len, int32_t& value) {
    value = 0;
    if (len < 0) len = 0;
    int i = 0;
    while (i < len && (s[i] == ' ' || s[i] == '\t')) i++;

    bool negative = false;
    if (i < len && s[i] == '-') {
        negative = true;
        i++;
    } else if (i < len && s[i] == '+') {
        i++;
    }

    uint32_t base = 10;
    if (i < len) {
        switch (s[i]) {
            case '$': base = 16; i++; break;
            case '%': base = 2; i++; break;
            case '&': base = 8; i++; break;
            case 'x':
            case 'X': base = 16; i++; break;
            case '0':
                if (i + 1 < len && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
                    base = 16;
                    i += 2;
                }
                break;
            default: break;
        }
    }
    while (i < len - 1 && s[i] == '0') i++;
    if (i >= len) return i + 1;   // only a sign and/or a prefix

    // Accumulated without sign, so no step can overflow the arithmetic.
    const uint32_t stepLimit = 4294967295u / base;
    const uint64_t maxValue = base != 10 ? 4294967295u : (negative ? 2147483648u : 2147483647u);
    uint64_t v = 0;
    for (; i < len; i++) {
        int d = DigitValue(s[i]);
        if (d < 0 || static_cast<uint32_t>(d) >= base) return i + 1;
        if (v > stepLimit) return i + 1;
        uint64_t next = v * base + static_cast<uint32_t>(d);
        if (next > maxValue) return i + 1;
        v = next;
    }
    uint32_t bits = static_cast<uint32_t>(v);
    if (negative) bits = 0u - bits;
    value = static_cast<int32_t>(bits);   // two's complement: $FFFFFFFF is -1
    return 0;
}
