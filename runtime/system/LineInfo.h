// The line table: names the routine, source file and line of a code address
// for the run-time error report's back trace.
#pragma once
#include <cstdint>

#include "ShortString.h"

// Looks the address up as it is (a caller passes return address - 1 itself).
// Gives the outermost routine that holds the address (the one the code was
// inlined into), its source file and line; line 0 at a routine's first
// instruction; nothing at all for an address outside the program's own code.
// False when the program has no line table to read.
bool GetLineInfo(void* addr, ShortString& routine, ShortString& source, int32_t& line);

// Marks the table closed; the next lookup opens it again (its state, once
// read, stays).
void CloseLineTable();
