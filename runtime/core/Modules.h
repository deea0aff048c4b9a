// The module table and the end sequence.
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

// Installed by the layers above the core (the core knows no text files):
extern void (*WriteReportProc)();   // writes the run-time error report
extern void (*FlushStdIOProc)();    // flushes Output, ErrOutput, StdOut, StdErr
// Called just before the process ends, whatever the end (restores the terminal).
extern void (*BeforeExitProc)();
// Test hook (fuzz harnesses): when set, the end sequence calls it with the exit
// code in place of ending the process. It must not return (it jumps back into
// the harness); the end sequence's own state starts afresh for the next run.
extern void (*ExitInterceptProc)(int32_t code);

// Stack facts recorded by InitModules, used by the caller walk.
extern void* MainLineFrame;   // frame of the routine that called InitModules
extern uintptr_t StackLow;    // lowest address of the main stack
extern uintptr_t StackTop;    // one past its highest address
