// The platform operations under the text files (POSIX descriptors), and the
// procedures of files bound by name that call them.
#pragma once
#include <cstdint>

#include "TextIO.h"

enum class OpenChoice { Read, Write, Append };
void Do_Open(TextRec& f, const char* name, OpenChoice how);
int32_t Do_Read(THandle h, void* buf, int32_t count);
int32_t Do_Write(THandle h, const void* buf, int32_t count);
void Do_Close(THandle h);
// Host error number to I/O result code; 0 leaves a pending code alone.
void Errno2InOutRes(int hostErrno);

void FileOpenFunc(TextRec& f);
void FileReadFunc(TextRec& f);
void FileWriteFunc(TextRec& f);
void FileCloseFunc(TextRec& f);

// A standard file on descriptor h, in ModeInput or ModeOutput.
void OpenStdIO(TextRec& f, int32_t mode, THandle h);
