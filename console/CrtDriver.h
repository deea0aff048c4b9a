// The output driver of console-bound text files: where it writes, and the
// byte placement the window operations and the line editor share.
#pragma once
#include <cstdint>

#include "TextIO.h"

// Writing position (1-based screen coordinates) during one write or read.
extern uint32_t CursorX, CursorY;

// Writes the file's buffer into the window.
void CrtWrite(TextRec& F);

// Places one byte at the writing position; 7, 8, 10 and 13 act as controls.
void WriteChar(uint8_t Ch);
// Places a run of plain bytes (at most 255).
void WriteStr(const uint8_t* S, uint32_t Len);
// Scrolls the window's rows below window row L up by one.
void RemoveLine(uint32_t L);
