// The run-time's services above the text files, as the main program's module
// table takes them:
//
//   - SystemModule, the base services: the five standard text files on the
//     standard descriptors, the cleared I/O result, and the run-time error
//     report and the flushing of the standard files in the end sequence;
//   - LineInfoModule, the line information: the report's back-trace lines
//     name routine, line and source file from the program's debug information.
//
// The main line puts them first, in this order, before the console.
#pragma once
#include "Modules.h"

extern const ModuleInfo SystemModule;
// Start installs StabBackTraceStr as the back-trace formatter and marks the
// line table as not open; the end marks it closed again.
extern const ModuleInfo LineInfoModule;
