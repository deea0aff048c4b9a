// The end state: what the end sequence reports and exits with.
#include "EndState.h"
#include "ShortString.h"

int32_t ExitCode = 0;
uint16_t ErrorCode = 0;
void* ErrorAddr = nullptr;
bool ErrorReportDue = false;
void* ErrorBase = nullptr;
bool ErrorAddrIsFault = false;
uint16_t InOutRes = 0;

uint16_t max_frame_dump = 8;
bool WriteErrorsToStdErr = true;

BackTraceStrFuncType BackTraceStrFunc = SysBackTraceStr;

ShortString SysBackTraceStr(void* addr) { return Concat("  $", HexAddr(addr)); }
