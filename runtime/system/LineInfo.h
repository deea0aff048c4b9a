// The line-information module: names the routine, source file and line of a
// code address for the run-time error report's back trace.
#pragma once
#include <cstdint>

#include "runtime/core/Modules.h"
#include "runtime/core/ShortString.h"

// Start installs StabBackTraceStr as the back-trace formatter and marks the
// line table as not open; the end marks it closed again.
extern const ModuleInfo LineInfoModule;

// Looks the address up as it is (a caller passes return address - 1 itself).
// Gives the outermost routine that holds the address (the one the code was
// inlined into), its source file and line; line 0 at a routine's first
// instruction; nothing at all for an address outside the program's own code.
// False when the program has no line table to read.
bool GetLineInfo(void* addr, ShortString& routine, ShortString& source, int32_t& line);

// One back-trace line: "  $", 16 hexadecimal digits, then "  " and the
// routine, ", ", " line " and the number, " of " and the source file, each
// part only where known; at most 255 characters.
ShortString StabBackTraceStr(void* addr);

// Whether the line table is open (for tests of the module's life cycle).
bool LineTableOpen();
