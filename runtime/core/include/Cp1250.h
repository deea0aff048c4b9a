// Windows-1250, the program's character set, and the host's encoding.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The locale's character encoding (LC_CTYPE) as iconv names it. The plain
// C/POSIX locale reports ASCII; UTF-8 is taken then, as terminals use it.
const char* HostCodeset();
// The Unicode code point of a Windows-1250 byte (0 for the five unassigned ones).
uint32_t Cp1250ToUnicode(uint8_t b);
// The Windows-1250 byte of a code point; false when there is none.
bool UnicodeToCp1250(uint32_t cp, uint8_t& b);
// Windows-1250 bytes in another encoding (an iconv name). A character the
// encoding cannot express is left out and `lossless` becomes false.
std::string Cp1250ToEncoding(const std::string& codeset, const char* s, size_t n, bool& lossless);
// Reads one character of the encoding from p[0..n): returns the bytes it
// takes, 0 when it is still incomplete. cp is InvalidCodePoint for bytes
// that are no character of the encoding (one byte is then taken).
constexpr uint32_t InvalidCodePoint = 0xFFFFFFFF;
size_t DecodeCharacter(const std::string& codeset, const uint8_t* p, size_t n, uint32_t& cp);
