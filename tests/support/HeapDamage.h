// Damages the C library's heap so that the next allocation of any small
// size faults inside malloc: for the tests of ends that must not allocate.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// glibc keeps its per-thread cache of small blocks in the heap's first
// block: 64 counts of 16 bits, then the 64 list heads. Every list is made to
// hold one block at an address no one may read. False when the heap is not
// laid out so (another C library, a sanitizer's allocator).
inline bool DamageHeap() {
    uintptr_t heap = 0;
    if (std::FILE* maps = std::fopen("/proc/self/maps", "r")) {
        char line[512];
        while (heap == 0 && std::fgets(line, sizeof line, maps))
            if (std::strstr(line, "[heap]")) heap = std::strtoull(line, nullptr, 16);
        std::fclose(maps);
    }
    if (heap == 0) return false;
    auto* counts = reinterpret_cast<volatile uint16_t*>(heap + 16);
    auto* heads = reinterpret_cast<volatile uintptr_t*>(heap + 16 + 64 * sizeof(uint16_t));
    void* volatile probe = std::malloc(24);
    std::free(probe);
    if (heads[0] != reinterpret_cast<uintptr_t>(probe)) return false;
    for (int i = 0; i < 64; i++) {
        counts[i] = 1;
        heads[i] = 0x4141414141414140u;
    }
    return true;
}
