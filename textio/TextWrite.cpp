// Formatted writing to a text file: texts, integers and characters
// right-aligned in fields, and line ends.
#include <cstring>

#include "EndState.h"
#include "TextIO.h"
#include "WriteMode.h"

namespace {

// Hands a full buffer to the transfer procedure. False when writing must stop:
// the transfer failed (everything after it would be skipped anyway) or left
// no room, which would otherwise loop for ever.
bool MakeRoom(TextRec& f) {
    if (f.TransferProc != nullptr) f.TransferProc(f);
    return InOutRes == 0 && f.BufferPos < f.BufferSize;
}

// Fills the buffer exactly before each transfer; fill(dst, n) supplies bytes.
template <class Fill>
void PutBytes(TextRec& f, int32_t count, Fill fill) {
    if (count <= 0) return;
    if (f.BufferPos < 0) f.BufferPos = 0;
    while (count > f.BufferSize - f.BufferPos) {
        int32_t room = f.BufferSize - f.BufferPos;
        if (room > 0) {
            fill(f.BufferPtr + f.BufferPos, room);
            count -= room;
        }
        f.BufferPos = f.BufferSize;
        if (!MakeRoom(f)) return;
    }
    fill(f.BufferPtr + f.BufferPos, count);
    f.BufferPos += count;
}

}  // namespace

void WriteBuffer(TextRec& f, const void* bytes, int32_t count) {
    const uint8_t* src = static_cast<const uint8_t*>(bytes);
    PutBytes(f, count, [&src](uint8_t* dst, int32_t n) {
        std::memcpy(dst, src, static_cast<size_t>(n));
        src += n;
    });
}

void WriteBlanks(TextRec& f, int32_t count) {
    PutBytes(f, count, [](uint8_t* dst, int32_t n) { std::memset(dst, ' ', static_cast<size_t>(n)); });
}

void TextWriteStr(int32_t width, TextRec& f, const ShortString& s) {
    if (InOutRes != 0 || !OpenForWriting(f)) return;
    if (static_cast<int32_t>(s.Len) < width) {
        WriteBlanks(f, width - s.Len);
        if (InOutRes != 0) return;
    }
    WriteBuffer(f, s.Ch, s.Len);
}

void TextWriteInt(int32_t width, TextRec& f, int32_t value) {
    if (InOutRes != 0) return;
    TextWriteStr(width, f, DecimalStr(value));
}

void TextWriteChar(int32_t width, TextRec& f, char c) {
    if (InOutRes != 0 || !OpenForWriting(f)) return;
    if (width > 1) {
        WriteBlanks(f, width - 1);
        if (InOutRes != 0) return;
    }
    if (f.BufferPos >= f.BufferSize && !MakeRoom(f)) return;
    f.BufferPtr[f.BufferPos++] = static_cast<uint8_t>(c);
}

void TextWriteEnd(TextRec& f) {
    if (f.FlushProc != nullptr) f.FlushProc(f);
}

void TextWritelnEnd(TextRec& f) {
    if (InOutRes != 0 || !OpenForWriting(f)) return;
    WriteBuffer(f, f.LineBreak, f.LineBreakLen);
    TextWriteEnd(f);
}
