// Where the program's own code lies, and the file it was loaded from.
#pragma once
#include <cstdint>

// Records the executable's path and the address range of its executable
// segment (the core's ProgramCode). Called by the line-information module's
// start; harmless to repeat.
void FindOwnCode();

// True when the address lies in the executable's own code (not in a shared
// library, the loader or the system's start-up stubs of other objects).
bool IsOwnCode(uintptr_t addr);

// The executable's path (resolved through /proc/self/exe), or "" if unknown.
const char* OwnExecutablePath();
