// Numbers as text for the report and the text files.
#include "ShortString.h"

ShortString HexAddr(const void* addr) {
    static const char digits[] = "0123456789ABCDEF";
    uintptr_t v = reinterpret_cast<uintptr_t>(addr);
    char buf[16];
    for (int i = 15; i >= 0; i--) {
        buf[i] = digits[v & 15];
        v >>= 4;
    }
    return ShortString(buf, sizeof buf);
}

ShortString DecimalStr(int32_t value) {
    char buf[12];
    int i = sizeof buf;
    uint32_t mag = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        buf[--i] = static_cast<char>('0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    if (value < 0) buf[--i] = '-';
    return ShortString(buf + i, sizeof buf - i);
}
