// Code page tags given to text file records. Texts are moved byte for byte,
// so the tags only say what the bytes are: the program's texts are Windows-1250.
#pragma once
#include <cstdint>

constexpr uint16_t AnsiCodePage = 1250;      // the program's single-byte code page
constexpr uint16_t OemCodePage = 852;        // the same letters in the older console code page
constexpr uint16_t ConsoleCodePage = 1250;   // the terminal layer converts to and from the locale
