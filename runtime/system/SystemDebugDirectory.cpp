// Where installed packages keep debug files. A test probe builds this file
// with a directory of its own; the program keeps the system's.
#include "DebugFile.h"

#ifndef KELMAROSZ_SYSTEM_DEBUG_DIR
#define KELMAROSZ_SYSTEM_DEBUG_DIR "/usr/lib/debug"
#endif

extern const char SystemDebugDirectory[] = KELMAROSZ_SYSTEM_DEBUG_DIR;
