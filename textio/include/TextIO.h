// Text files: the record behind every text file, binding and opening it, the
// pending I/O result and its codes, the five standard files, and formatted
// reading (integers, short texts, line ends) and writing (texts, integers and
// characters in fields, line ends).
//
// Every operation does nothing while an I/O result is pending (except Assign,
// the statement ends and IOResult); the first failure is the one kept.
#pragma once
#include <cstdint>

#include "ShortString.h"

// ---------------------------------------------------------------------------
// The record.

using THandle = int32_t;   // a POSIX file descriptor
constexpr THandle UnusedHandle = -1;

constexpr int32_t ModeClosed = 0xD7B0;
constexpr int32_t ModeInput = 0xD7B1;
constexpr int32_t ModeOutput = 0xD7B2;
constexpr int32_t ModeInOut = 0xD7B3;
constexpr int32_t ModeAppend = 0xD7B4;

constexpr int TextBufferSize = 256;
constexpr int TextNameSize = 1024;   // the bound name in the host's encoding

struct TextRec;
using TextProc = void (*)(TextRec&);

struct TextRec {
    THandle Handle;
    int32_t Mode;
    int32_t BufferSize;
    int32_t Reserved;
    int32_t BufferPos;
    int32_t BufferEnd;
    uint8_t* BufferPtr;
    TextProc OpenProc;
    TextProc TransferProc;
    TextProc FlushProc;   // may be null
    TextProc CloseProc;
    uint8_t UserData[32];
    char Name[TextNameSize];   // zero-terminated, host encoding
    int32_t NameLen;           // bytes in Name (a NUL byte inside makes the name invalid)
    uint8_t LineBreakLen;
    char LineBreak[3];
    uint8_t Buffer[TextBufferSize];
    uint16_t CodePage;
};

// ---------------------------------------------------------------------------
// I/O result codes: the values of InOutRes, each the run-time error code that
// IOCheck turns it into.

constexpr uint16_t FileNotFound = 2;
constexpr uint16_t PathNotFound = 3;
constexpr uint16_t TooManyOpenFiles = 4;
constexpr uint16_t FileAccessDenied = 5;
constexpr uint16_t InvalidFileHandle = 6;
constexpr uint16_t NotEnoughMemory = 8;
constexpr uint16_t InvalidParameter = 87;
constexpr uint16_t DiskWriteError = 101;         // a short write, a full disk
constexpr uint16_t FileNotAssigned = 102;
constexpr uint16_t FileNotOpen = 103;
constexpr uint16_t FileNotOpenForInput = 104;
constexpr uint16_t FileNotOpenForOutput = 105;
constexpr uint16_t InvalidNumericFormat = 106;
constexpr uint16_t BrokenPipe = 109;
constexpr uint16_t InvalidFileName = 123;
constexpr uint16_t WriteProtected = 150;
constexpr uint16_t DeviceNotReady = 152;
constexpr uint16_t SeekError = 156;
constexpr uint16_t GeneralFailure = 162;

// ---------------------------------------------------------------------------
// Layer state and the standard files.

extern uint8_t FileMode;
extern bool CtrlZMarksEOF;
extern int DefaultTextLineBreakStyle;   // 0 LF, 1 CR LF, 2 CR
extern THandle StdInputHandle, StdOutputHandle, StdErrorHandle;

extern TextRec Input, Output, ErrOutput, StdOut, StdErr;

// Opens the five standard files on the standard descriptors (a descriptor
// the process started without is tied to /dev/null first).
void SysInitStdIO();
// Writes out Output, ErrOutput, StdOut and StdErr, in this order, each on its
// own; the first failure stays pending.
void SysFlushStdIO();
// A standard handle: a terminal device to the text files, whatever it is.
bool Do_IsDevice(THandle h);

// ---------------------------------------------------------------------------
// Binding, opening and results.

void InitText(TextRec& f);
void Assign(TextRec& f, const ShortString& name);
void Reset(TextRec& f);
void Rewrite(TextRec& f);
void Close(TextRec& f);
void Flush(TextRec& f);
uint16_t IOResult();
void OpenText(TextRec& f, int32_t mode);

// ---------------------------------------------------------------------------
// Reading.

void TextReadInt(TextRec& f, int32_t& value);
void TextReadStr(TextRec& f, ShortString& s, int max = ShortString::MaxLen);
int32_t ReadPCharLen(TextRec& f, char* dest, int32_t max);
void TextReadEnd(TextRec& f);
void TextReadlnEnd(TextRec& f);

// Val for a 32-bit signed target: returns 0 on success, else the 1-based
// position of the error (value is then 0).
int Val(const char* s, int len, int32_t& value);

// ---------------------------------------------------------------------------
// Writing.

void TextWriteStr(int32_t width, TextRec& f, const ShortString& s);
void TextWriteInt(int32_t width, TextRec& f, int32_t value);
void TextWriteChar(int32_t width, TextRec& f, char c);
void TextWriteEnd(TextRec& f);
void TextWritelnEnd(TextRec& f);
void WriteBuffer(TextRec& f, const void* bytes, int32_t count);
void WriteBlanks(TextRec& f, int32_t count);
