// The line-information module: the report's back-trace lines name routine,
// line and source file while it runs.
#include "BackTraceLine.h"
#include "EndState.h"
#include "LineInfo.h"
#include "OwnCode.h"
#include "RuntimeSystem.h"

namespace {

void InitLineInfo() {
    FindOwnCode();   // now, not on a fault path later
    CloseLineTable();
    BackTraceStrFunc = StabBackTraceStr;
}

void DoneLineInfo() { CloseLineTable(); }

}  // namespace

const ModuleInfo LineInfoModule = {"LineInfo", InitLineInfo, DoneLineInfo};
