// The driver behind console-bound text files and the screen primitives it
// works with. Used by the window operations, the line editor and tests.
#pragma once
#include <cstdint>

#include "PlatformConsole.h"
#include "TextIO.h"

// Writing position (1-based screen coordinates) during one write or read.
extern uint32_t CursorX, CursorY;

void CrtOpen(TextRec& F);
void CrtWrite(TextRec& F);
void CrtRead(TextRec& F);   // the line editor
void CrtReturn(TextRec& F);
void CrtClose(TextRec& F);

// Places one byte at the writing position; 7, 8, 10 and 13 act as controls.
void WriteChar(uint8_t Ch);
// Places a run of plain bytes (at most 255).
void WriteStr(const uint8_t* S, uint32_t Len);
// Scrolls the window's rows below window row L up by one.
void RemoveLine(uint32_t L);

uint32_t GetScreenWidth();
uint32_t GetScreenHeight();
void GetScreenCursor(uint32_t& X, uint32_t& Y);
void SetScreenCursor(uint32_t X, uint32_t Y);
// The platform cell of a 1-based position, never negative: a screen that
// shrank may leave positions beyond it, which the platform then ignores.
Coord ScreenCell(uint32_t X, uint32_t Y);
