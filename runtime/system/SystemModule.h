// The base services module: the standard text files, the I/O result, and the
// end sequence's report and flush.
#pragma once
#include "runtime/core/Modules.h"

// Opens Input, Output, ErrOutput, StdOut and StdErr on the standard
// descriptors, clears InOutRes and installs the report writer and the flush
// of the standard files into the end sequence. It has no end step.
extern const ModuleInfo SystemModule;
