// One back-trace line of the run-time error report with routine, line and
// source file.
#pragma once
#include "ShortString.h"

// "  $", 16 hexadecimal digits, then "  " and the routine, ", ", " line " and
// the number, " of " and the source file, each part only where known; at
// most 255 characters. A return address is looked up one byte back (the
// call's own line); the faulting instruction of a hardware fault as it is.
ShortString StabBackTraceStr(void* addr);
