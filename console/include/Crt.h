// The text window over the platform console: window, colours, cursor, the
// pause, key input, and the binding of text files to the window.
#pragma once
#include <cstdint>
#include <string_view>

#include "Modules.h"
#include "TextIO.h"

// Colour attribute of every cell written or filled: foreground in bits 0-3,
// background in bits 4-6, blink in bit 7.
extern uint8_t TextAttr;
// The window's corners, inclusive, 1-based screen coordinates.
extern uint32_t WindMinX, WindMinY, WindMaxX, WindMaxY;
// Packed corners for callers: low byte column - 1, high byte row - 1.
extern uint16_t WindMin, WindMax;
extern uint16_t LastMode;
// When true a typed Ctrl-Z ends line input as the end of the file.
extern bool CheckEOF;

void Window(uint8_t X1, uint8_t Y1, uint8_t X2, uint8_t Y2);
void Window32(uint32_t X1, uint32_t Y1, uint32_t X2, uint32_t Y2);
// Window-relative; ignored outside the window.
void GotoXY(uint8_t X, uint8_t Y);
void GotoXY32(uint32_t X, uint32_t Y);
void TextColor(uint8_t Color);
void TextBackground(uint8_t Color);
void HighVideo();
void LowVideo();
void ClrScr();
void Delay(uint16_t MS);

// Binds F to the window; opening it afterwards installs the driver.
void AssignCrt(TextRec& F);

bool KeyPressed();
// Waits for a key; an extended key gives 0 first and its code on the next call.
uint8_t ReadKey();
// Queues character keys (Windows-1250 codes, 13 for Enter) ahead of the
// terminal's: KeyPressed and ReadKey deliver them first, in order, so the line
// editor takes and echoes them as typed ones. A 0 is no key and is skipped.
void TypeAhead(std::string_view keys);

// Start-up binds Output and Input to the window; the end gives the terminal back.
extern const ModuleInfo CrtModule;
