// Binding a text file record to a name, opening and closing it, and the
// pending I/O result.
#include <cstring>

#include "CodePages.h"
#include "EndState.h"
#include "HostName.h"
#include "PlatformFile.h"
#include "WriteMode.h"

uint8_t FileMode = 2;
bool CtrlZMarksEOF = true;
int DefaultTextLineBreakStyle = 1;

void InitText(TextRec& f) {
    f = TextRec{};
    f.Handle = UnusedHandle;
    f.Mode = ModeClosed;
    f.BufferSize = TextBufferSize;
    f.BufferPtr = f.Buffer;
    f.OpenProc = FileOpenFunc;
    switch (DefaultTextLineBreakStyle) {
        case 0:
            f.LineBreak[0] = '\n';
            f.LineBreakLen = 1;
            break;
        case 2:
            f.LineBreak[0] = '\r';
            f.LineBreakLen = 1;
            break;
        default:
            f.LineBreak[0] = '\r';
            f.LineBreak[1] = '\n';
            f.LineBreakLen = 2;
            break;
    }
}

void Assign(TextRec& f, const ShortString& name) {
    InitText(f);
    f.NameLen = static_cast<int32_t>(Cp1250ToHostName(name.Ch, name.Len, f.Name, sizeof f.Name));
}

void OpenText(TextRec& f, int32_t mode) {
    if (InOutRes != 0) return;
    switch (f.Mode) {
        case ModeClosed:
            break;
        case ModeInput:
        case ModeOutput:
        case ModeInOut:
            Close(f);
            // A failed close leaves its code pending; opening now would only
            // leak the new handle, since the record is then marked closed.
            if (InOutRes != 0) return;
            break;
        default:
            InOutRes = FileNotAssigned;
            return;
    }
    f.Mode = mode;
    f.BufferPos = 0;
    f.BufferEnd = 0;
    if (f.CodePage == 0) f.CodePage = AnsiCodePage;
    else if (f.CodePage == 1) f.CodePage = OemCodePage;
    if (f.OpenProc != nullptr) f.OpenProc(f);
    else InOutRes = FileNotAssigned;
    if (InOutRes != 0) f.Mode = ModeClosed;
}

void Reset(TextRec& f) { OpenText(f, ModeInput); }

void Rewrite(TextRec& f) { OpenText(f, ModeOutput); }

void Close(TextRec& f) {
    if (InOutRes != 0) return;
    switch (f.Mode) {
        case ModeInput:
        case ModeOutput:
        case ModeAppend:
            // Every step runs even when writing out fails, so the handle is
            // released and the record closed; the first failure stays pending.
            if (f.Mode == ModeOutput && f.TransferProc != nullptr) f.TransferProc(f);
            if (!Do_IsDevice(f.Handle) && f.CloseProc != nullptr) {
                uint16_t first = InOutRes;
                f.CloseProc(f);
                if (first != 0) InOutRes = first;
            }
            f.Mode = ModeClosed;
            f.BufferPos = 0;
            f.BufferEnd = 0;
            break;
        default:
            InOutRes = FileNotOpen;
            break;
    }
}

void Flush(TextRec& f) {
    if (InOutRes != 0 || !OpenForWriting(f)) return;
    if (f.TransferProc != nullptr) f.TransferProc(f);
}

uint16_t IOResult() {
    uint16_t r = InOutRes;
    InOutRes = 0;
    return r;
}
