// Text files bound to the window: the output driver writes them, the line
// editor reads them.
#include "Crt.h"
#include "CrtDriver.h"
#include "CrtLineEditor.h"

namespace {

void CrtReturn(TextRec&) {}

void CrtClose(TextRec& F) { F.Mode = ModeClosed; }

void CrtOpen(TextRec& F) {
    if (F.Mode == ModeOutput) {
        F.TransferProc = CrtWrite;
        F.FlushProc = CrtWrite;
    } else {
        F.Mode = ModeInput;
        F.TransferProc = CrtRead;
        F.FlushProc = CrtReturn;
    }
    F.CloseProc = CrtClose;
}

}  // namespace

void AssignCrt(TextRec& F) {
    Assign(F, ShortString(""));
    F.OpenProc = CrtOpen;
}
