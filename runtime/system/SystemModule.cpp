// The base services module: the standard text files, the I/O result, and
// the end sequence's report and flush.
#include <clocale>

#include "EndState.h"
#include "ErrorReport.h"
#include "Modules.h"
#include "RuntimeSystem.h"
#include "TextIO.h"

namespace {

void InitSystem() {
    // File names go to the disk in the locale's encoding: take the locale's
    // character type (only that part, number formats stay as they are).
    setlocale(LC_CTYPE, "");
    SysInitStdIO();
    InOutRes = 0;
    WriteReportProc = WriteErrorReport;
    FlushStdIOProc = SysFlushStdIO;
}

}  // namespace

const ModuleInfo SystemModule = {"System", InitSystem, nullptr};
