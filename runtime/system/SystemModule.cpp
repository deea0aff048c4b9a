#include "runtime/system/SystemModule.h"

#include "runtime/core/EndState.h"
#include "runtime/system/ErrorReport.h"
#include "textio/TextRec.h"

namespace {

void InitSystem() {
    SysInitStdIO();
    InOutRes = 0;
    WriteReportProc = WriteErrorReport;
    FlushStdIOProc = SysFlushStdIO;
}

}  // namespace

const ModuleInfo SystemModule = {"System", InitSystem, nullptr};
