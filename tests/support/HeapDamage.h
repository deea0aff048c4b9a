// Damages the C library's heap so that the next allocation of any small size
// faults inside malloc: for the tests of ends that must not allocate.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// glibc keeps its per-thread cache of small blocks in the heap's first block:
// 64 counts of 16 bits, then the 64 list heads. Each list is made to hold one
// block where no one may read. False for another layout (a sanitizer's).
inline bool DamageHeap() {
    uintptr_t heap = 0;
    char line[512];
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    while (maps && heap == 0 && std::fgets(line, sizeof line, maps))
        if (std::strstr(line, "[heap]")) heap = std::strtoull(line, nullptr, 16);
    if (maps) std::fclose(maps);
    auto* counts = reinterpret_cast<volatile uint16_t*>(heap + 16);
    auto* heads = reinterpret_cast<volatile uintptr_t*>(heap + 16 + 64 * sizeof(uint16_t));
    void* volatile probe = std::malloc(24);
    std::free(probe);
    if (heap == 0 || heads[0] != reinterpret_cast<uintptr_t>(probe)) return false;
    for (int i = 0; i < 64; i++) {
        counts[i] = 1;
        heads[i] = 0x4141414141414140u;
    }
    return true;
}
