// The process-wide end state: what the end sequence reports and exits with.
#pragma once
#include <cstdint>

#include "ShortString.h"

extern int32_t ExitCode;     // handed to the system when the process ends
extern uint16_t ErrorCode;   // run-time error being reported
extern void* ErrorAddr;      // blamed code address; non-null means a report is due
extern void* ErrorBase;      // frame of the routine holding ErrorAddr
extern bool ErrorAddrIsFault;  // ErrorAddr is a faulting instruction, not a return address
extern uint16_t InOutRes;    // pending I/O result, 0 = none

extern uint16_t max_frame_dump;      // caller lines written to a terminal device
extern bool WriteErrorsToStdErr;

// Formats one back-trace line for a code address (at most 255 characters).
using BackTraceStrFuncType = ShortString (*)(void* addr);
extern BackTraceStrFuncType BackTraceStrFunc;

// "  $" and the address as 16 capital hexadecimal digits.
ShortString SysBackTraceStr(void* addr);
// The address alone as 16 capital hexadecimal digits.
ShortString HexAddr(const void* addr);
// The number in decimal: '-' for negatives, no leading zeros, INT32_MIN in full.
ShortString DecimalStr(int32_t value);
