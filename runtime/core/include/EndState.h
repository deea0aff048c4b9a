// What the end sequence reports and exits with: the run-time error codes,
// the exit code, the error being reported, the pending I/O result, and how
// the report's back-trace lines are written.
#pragma once
#include <cstdint>

#include "ShortString.h"

// Run-time error codes (the exit code of a run that ends in one). I/O result
// codes are the text files' own (TextIO.h).
constexpr uint16_t DivisionByZeroError = 200;
constexpr uint16_t RangeCheckError = 201;
constexpr uint16_t StackOverflowError = 202;
constexpr uint16_t FloatOverflowError = 205;
constexpr uint16_t FloatUnderflowError = 206;
constexpr uint16_t InvalidFloatOperationError = 207;
constexpr uint16_t IntOverflowError = 215;
constexpr uint16_t AccessViolationError = 216;
constexpr uint16_t SystemExceptionError = 217;
constexpr uint16_t PrivilegedInstructionError = 218;
constexpr uint16_t ForeignExceptionError = 255;

extern int32_t ExitCode;        // handed to the system when the process ends
extern uint16_t ErrorCode;      // run-time error being reported
extern void* ErrorAddr;         // blamed code address of the error being reported
extern bool ErrorReportDue;     // the error path ran and its report is not written yet (also for a null address)
extern void* ErrorBase;         // frame of the routine holding ErrorAddr
extern bool ErrorAddrIsFault;   // ErrorAddr is a faulting instruction, not a return address
extern uint16_t InOutRes;       // pending I/O result, 0 = none

extern uint16_t max_frame_dump;   // caller lines written to a terminal device
extern bool WriteErrorsToStdErr;

// Formats one back-trace line for a code address (at most 255 characters).
using BackTraceStrFuncType = ShortString (*)(void* addr);
extern BackTraceStrFuncType BackTraceStrFunc;
// "  $" and the address as 16 capital hexadecimal digits.
ShortString SysBackTraceStr(void* addr);
