// Formatted reading from a text file: integers, short texts and line ends.
#include <cstring>

#include "EndState.h"
#include "TextIO.h"

namespace {

constexpr uint8_t CtrlZ = 26;

void Refill(TextRec& f) {
    if (f.TransferProc != nullptr) f.TransferProc(f);
}

bool IsEndMark(uint8_t b) { return CtrlZMarksEOF && b == CtrlZ; }

// End of data: the buffer is used up, or a Ctrl-Z waits (never consumed).
bool AtEnd(const TextRec& f) { return f.BufferPos >= f.BufferEnd || IsEndMark(f.BufferPtr[f.BufferPos]); }

bool CheckRead(TextRec& f) {
    if (InOutRes != 0) return false;
    switch (f.Mode) {
        case ModeInput:
            if (f.BufferPos >= f.BufferEnd) Refill(f);
            return true;
        case ModeOutput:
        case ModeAppend:
            InOutRes = FileNotOpenForInput;
            return false;
        default:
            InOutRes = FileNotOpen;
            return false;
    }
}

// Takes one byte into text (dropped when text already holds max bytes);
// refills at once when the buffer is used up.
bool NextChar(TextRec& f, char* text, int& len, int max) {
    if (AtEnd(f)) return false;
    if (len < max) text[len++] = static_cast<char>(f.BufferPtr[f.BufferPos]);
    f.BufferPos++;
    if (f.BufferPos >= f.BufferEnd) Refill(f);
    return true;
}

bool IgnoreSpaces(TextRec& f) {
    if (AtEnd(f)) return false;
    int none = 0;
    while (!AtEnd(f) && f.BufferPtr[f.BufferPos] <= 32) NextChar(f, nullptr, none, 0);
    return true;
}

void ReadNumeric(TextRec& f, char* text, int& len, int max) {
    while (NextChar(f, text, len, max)) {
        if (len >= max) break;
        if (f.BufferPos < f.BufferEnd && f.BufferPtr[f.BufferPos] <= 32) break;
    }
}

}  // namespace

void TextReadInt(TextRec& f, int32_t& value) {
    value = 0;
    if (!CheckRead(f)) return;
    char token[ShortString::MaxLen];
    int len = 0;
    if (IgnoreSpaces(f) && !AtEnd(f)) ReadNumeric(f, token, len, ShortString::MaxLen);
    if (len == 0) return;   // only blanks up to the end: 0, and no error
    int32_t v;
    if (Val(token, len, v) != 0) {
        InOutRes = InvalidNumericFormat;
        return;
    }
    value = v;
}

int32_t ReadPCharLen(TextRec& f, char* dest, int32_t max) {
    if (!CheckRead(f)) return 0;
    if (max < 0) max = 0;
    int32_t count = 0;
    for (;;) {
        if (f.BufferPos >= f.BufferEnd) {
            Refill(f);
            if (f.BufferPos >= f.BufferEnd) break;
        }
        int32_t start = f.BufferPos;
        int32_t limit = f.BufferEnd;
        if (limit - start > max - count) limit = start + (max - count);
        int32_t p = start;
        while (p < limit) {
            uint8_t b = f.BufferPtr[p];
            if (b == 13 || b == 10 || IsEndMark(b)) break;
            p++;
        }
        std::memcpy(dest + count, f.BufferPtr + start, static_cast<size_t>(p - start));
        count += p - start;
        f.BufferPos = p;
        if (count >= max || p < limit) break;   // full, or a stop byte met
    }
    return count;
}

void TextReadStr(TextRec& f, ShortString& s, int max) {
    if (max > ShortString::MaxLen) max = ShortString::MaxLen;
    s.Len = static_cast<uint8_t>(ReadPCharLen(f, s.Ch, max));
}

void TextReadEnd(TextRec& f) {
    if (f.FlushProc != nullptr) f.FlushProc(f);
}

void TextReadlnEnd(TextRec& f) {
    if (!CheckRead(f)) return;
    if (f.BufferPos >= f.BufferEnd) {
        TextReadEnd(f);
        return;
    }
    if (IsEndMark(f.BufferPtr[f.BufferPos])) return;
    for (;;) {
        uint8_t b = f.BufferPtr[f.BufferPos++];
        if (b == 10) return;
        if (f.BufferPos >= f.BufferEnd) {
            Refill(f);
            if (f.BufferPos >= f.BufferEnd) {
                TextReadEnd(f);
                return;
            }
        }
        if (IsEndMark(f.BufferPtr[f.BufferPos])) return;
        if (b == 13) {
            if (f.BufferPtr[f.BufferPos] == 10) f.BufferPos++;
            return;
        }
    }
}
