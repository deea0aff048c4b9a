// The open, transfer and close procedures of text files bound by name.
#include "EndState.h"
#include "PlatformFile.h"

void FileOpenFunc(TextRec& f) {
    OpenChoice how;
    switch (f.Mode) {
        case ModeInput: how = OpenChoice::Read; break;
        case ModeOutput: how = OpenChoice::Write; break;
        case ModeAppend: how = OpenChoice::Append; break;
        default:
            InOutRes = FileNotAssigned;
            return;
    }
    Do_Open(f, f.Name, how);
    f.CloseProc = FileCloseFunc;
    f.FlushProc = nullptr;
    if (f.Mode == ModeInput) {
        f.TransferProc = FileReadFunc;
    } else {
        f.TransferProc = FileWriteFunc;
        // A standard handle goes out at the end of every statement.
        if (InOutRes == 0 && Do_IsDevice(f.Handle)) f.FlushProc = FileWriteFunc;
    }
}

void FileReadFunc(TextRec& f) {
    f.BufferEnd = Do_Read(f.Handle, f.BufferPtr, f.BufferSize);
    f.BufferPos = 0;
}

void FileWriteFunc(TextRec& f) {
    if (f.BufferPos == 0) return;
    // Also reached from the statement end while an earlier failure is
    // pending: that first code is the one kept.
    uint16_t pending = InOutRes;
    int32_t written = Do_Write(f.Handle, f.BufferPtr, f.BufferPos);
    if (written != f.BufferPos) InOutRes = pending != 0 ? pending : DiskWriteError;
    f.BufferPos = 0;   // what did not go out is dropped
}

void FileCloseFunc(TextRec& f) {
    Do_Close(f.Handle);
    f.Handle = UnusedHandle;
}
