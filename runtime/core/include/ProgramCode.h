// Where the program's own code lies: the executable's code segment, as the
// loader mapped it (not the shared libraries', nor the loader's).
#pragma once
#include <cstdint>

// Records the range (InitModules, first; harmless to repeat). Not on a
// fault path: it asks the loader.
void RecordProgramCode();
// Whether the range is known yet.
bool ProgramCodeKnown();
// True when the address lies in the executable's own code.
bool IsProgramCode(uintptr_t addr);
