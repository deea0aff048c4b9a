// Formatted reading and writing on text files.
#pragma once
#include <cstdint>

#include "textio/TextRec.h"

// Reading.
void TextReadInt(TextRec& f, int32_t& value);
void TextReadStr(TextRec& f, ShortString& s, int max = ShortString::MaxLen);
int32_t ReadPCharLen(TextRec& f, char* dest, int32_t max);
void TextReadEnd(TextRec& f);
void TextReadlnEnd(TextRec& f);

// Val for a 32-bit signed target: returns 0 on success, else the 1-based
// position of the error (value is then 0).
int Val(const char* s, int len, int32_t& value);

// Writing.
void TextWriteStr(int32_t width, TextRec& f, const ShortString& s);
void TextWriteInt(int32_t width, TextRec& f, int32_t value);
void TextWriteChar(int32_t width, TextRec& f, char c);
void TextWriteEnd(TextRec& f);
void TextWritelnEnd(TextRec& f);
void WriteBuffer(TextRec& f, const void* bytes, int32_t count);
void WriteBlanks(TextRec& f, int32_t count);
