// Key events as the platform console reports them, for tests that queue
// keys on a MemoryConsole.
#pragma once
#include <cstdint>

#include "PlatformConsole.h"

inline KeyEventRecord KeyDown(uint8_t ch, uint16_t scan, uint32_t state = 0, uint16_t vk = 0) {
    KeyEventRecord k;
    k.KeyDown = true;
    k.VirtualKeyCode = vk;
    k.VirtualScanCode = scan;
    k.AsciiChar = ch;
    k.ControlKeyState = state;
    return k;
}

inline KeyEventRecord KeyUp(KeyEventRecord k) {
    k.KeyDown = false;
    return k;
}
