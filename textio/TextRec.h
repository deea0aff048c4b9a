// The record behind every text file, its modes and the standard files.
#pragma once
#include <cstdint>

#include "runtime/core/ShortString.h"

using THandle = int32_t;          // a POSIX file descriptor
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
    TextProc FlushProc;    // may be null
    TextProc CloseProc;
    uint8_t UserData[32];
    char Name[TextNameSize];   // zero-terminated, host encoding
    int32_t NameLen;           // bytes in Name (a NUL byte inside makes the name invalid)
    uint8_t LineBreakLen;
    char LineBreak[3];
    uint8_t Buffer[TextBufferSize];
    uint16_t CodePage;
};

// Layer state.
extern uint8_t FileMode;
extern bool CtrlZMarksEOF;
extern int DefaultTextLineBreakStyle;   // 0 LF, 1 CR LF, 2 CR
extern THandle StdInputHandle, StdOutputHandle, StdErrorHandle;

extern TextRec Input, Output, ErrOutput, StdOut, StdErr;

// Binding, opening and results.
void InitText(TextRec& f);
void Assign(TextRec& f, const ShortString& name);
void Reset(TextRec& f);
void Rewrite(TextRec& f);
void Close(TextRec& f);
void Flush(TextRec& f);
uint16_t IOResult();
void OpenText(TextRec& f, int32_t mode);

// Procedures of files bound by name.
void FileOpenFunc(TextRec& f);
void FileReadFunc(TextRec& f);
void FileWriteFunc(TextRec& f);
void FileCloseFunc(TextRec& f);

// Platform operations (POSIX underneath).
enum class OpenChoice { Read, Write, Append };
void Do_Open(TextRec& f, const char* name, OpenChoice how);
int32_t Do_Read(THandle h, void* buf, int32_t count);
int32_t Do_Write(THandle h, const void* buf, int32_t count);
void Do_Close(THandle h);
bool Do_IsDevice(THandle h);
void Errno2InOutRes(int hostErrno);

// Standard files.
void OpenStdIO(TextRec& f, int32_t mode, THandle h);
void SysInitStdIO();
void SysFlushStdIO();
