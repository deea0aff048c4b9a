// The CRC-32 that a .gnu_debuglink section records for its debug file:
// polynomial 0xEDB88320 (reflected), started and ended inverted. Read eight
// bytes a step through eight tables, so that checking a debug file of a few
// megabytes stays well inside the report's time.
#include <array>

#include "DebugFile.h"

namespace {

using Table = std::array<std::array<uint32_t, 256>, 8>;

constexpr Table MakeTables() {
    Table t{};
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (int s = 1; s < 8; s++)
        for (uint32_t i = 0; i < 256; i++) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Table Tables = MakeTables();

}  // namespace

uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n) {
    crc = ~crc;
    while (n >= 8) {
        uint32_t lo = crc ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
        uint32_t hi = p[4] | p[5] << 8 | p[6] << 16 | static_cast<uint32_t>(p[7]) << 24;
        crc = Tables[7][lo & 0xFF] ^ Tables[6][(lo >> 8) & 0xFF] ^ Tables[5][(lo >> 16) & 0xFF] ^ Tables[4][lo >> 24] ^
              Tables[3][hi & 0xFF] ^ Tables[2][(hi >> 8) & 0xFF] ^ Tables[1][(hi >> 16) & 0xFF] ^ Tables[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n-- > 0) crc = Tables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
