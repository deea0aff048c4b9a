// The screen under the window, in 1-based screen coordinates.
#pragma once
#include <cstdint>

#include "PlatformConsole.h"

uint32_t GetScreenWidth();
uint32_t GetScreenHeight();
void GetScreenCursor(uint32_t& X, uint32_t& Y);
void SetScreenCursor(uint32_t X, uint32_t Y);
// The platform cell of a 1-based position, never negative: a screen that
// shrank may leave positions beyond it, which the platform then ignores.
Coord ScreenCell(uint32_t X, uint32_t Y);
