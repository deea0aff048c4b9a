#include "runtime/system/SystemModule.h"

#include <clocale>

#include "runtime/core/EndState.h"
#include "runtime/system/ErrorReport.h"
#include "textio/TextRec.h"

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
