// The module table and the end sequence, with the hooks that the layers
// above install into it. The core knows no text files: the report and the
// flushing of the standard files come from above.
#pragma once
#include <cstdint>

struct ModuleInfo {
    const char* Name;
    void (*Init)();   // may be null
    void (*Fini)();   // may be null
};

// The main line's first act. Installs the fault handler, records the main
// line's frame (whose caller frame counts as null) and the stack bounds, then
// runs the initialisations in table order. A module counts as initialised only
// after its Init has returned.
void InitModules(const ModuleInfo* table, int count);

// The end sequence: finalise last first, report, flush the standard files, exit.
[[noreturn]] void Do_Exit();

// Installed by the layers above the core:
extern void (*WriteReportProc)();   // writes the run-time error report
extern void (*FlushStdIOProc)();    // flushes Output, ErrOutput, StdOut, StdErr
// Called just before the process ends, whatever the end (restores the terminal).
extern void (*BeforeExitProc)();
// Gives the terminal back at once with bytes prepared in advance: no
// allocation, safe in a signal handler. The end after an error runs it
// first (the heap may be damaged), and so does the end by a signal.
extern void (*GiveBackNowProc)();
