#include "ErrorReport.h"

#include "CallerWalk.h"
#include "EndState.h"
#include "ShortString.h"
#include "TextIO.h"

void WriteErrorReport() {
    TextRec& f = WriteErrorsToStdErr ? StdErr : StdOut;
    // A pending result would block every write below; the report itself
    // never checks its writes, so a closed or full stream cannot loop back here.
    InOutRes = 0;
    TextWriteStr(0, f, "Runtime error ");
    TextWriteInt(0, f, ErrorCode);
    TextWriteStr(0, f, " at $");
    TextWriteStr(0, f, HexAddr(ErrorAddr));
    TextWritelnEnd(f);
    TextWriteStr(0, f, BackTraceStrFunc(ErrorAddr));
    TextWritelnEnd(f);
    dump_stack(f, ErrorBase, ErrorAddr);
    TextWritelnEnd(f);
}
