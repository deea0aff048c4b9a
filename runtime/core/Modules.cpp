// The module table and the end sequence: the modules' initialisations at
// start, and at the end their finalisations, the report, the flush and the
// exit.
#include "Modules.h"

#include <unistd.h>

#include "EndState.h"
#include "Faults.h"
#include "MainStack.h"
#include "ProgramCode.h"

void (*WriteReportProc)() = nullptr;
void (*FlushStdIOProc)() = nullptr;
void (*BeforeExitProc)() = nullptr;
void (*GiveBackNowProc)() = nullptr;
// A test hook (RuntimeTestHooks.h).
void (*ExitInterceptProc)(int32_t code) = nullptr;

namespace {

const ModuleInfo* gTable = nullptr;
int gInitialised = 0;   // modules whose initialisation has returned
int gExitDepth = 0;     // how often the end sequence has been entered

// An error raised while ending starts the end again; a run that keeps
// failing there must still end, so the report is dropped after a few rounds.
constexpr int MaxReportingRounds = 4;

// The modules whose initialisation completed, the last one first; the count
// drops before each finalisation runs, so none runs twice and none is left
// counted when the end is started again from inside one. Out of line, so
// that the report of an error inside a finalisation names it.
__attribute__((noinline, noclone)) void FinaliseModules() {
    while (gInitialised > 0) {
        gInitialised--;
        if (gTable && gTable[gInitialised].Fini) gTable[gInitialised].Fini();
    }
}

}  // namespace

__attribute__((noinline)) void InitModules(const ModuleInfo* table, int count) {
    RecordMainStack(static_cast<void**>(__builtin_frame_address(0))[0]);   // the main line's frame
    RecordProgramCode();
    InstallFaultHandler();
    gTable = table;
    gInitialised = 0;
    for (int i = 0; i < count; i++) {
        if (table[i].Init) table[i].Init();
        gInitialised = i + 1;
    }
}

void Do_Exit() {
    gExitDepth++;
    // After an error the heap may be damaged (a fault, glibc's abort): the
    // terminal is given back now, with bytes prepared in advance, so that the
    // finalisations and the report find nothing left to do that allocates.
    if (ErrorReportDue && GiveBackNowProc) GiveBackNowProc();
    FinaliseModules();
    if (ErrorReportDue && WriteReportProc && gExitDepth <= MaxReportingRounds) {
        // Once per error: a Halt in the exit hook ends the run again, but
        // reports nothing more. An error raised while reporting is a new one.
        ErrorReportDue = false;
        WriteReportProc();
    }
    if (FlushStdIOProc && gExitDepth <= MaxReportingRounds) FlushStdIOProc();
    if (BeforeExitProc) {
        void (*last)() = BeforeExitProc;
        BeforeExitProc = nullptr;
        last();
    }
    // Only now: a fault in the exit hook is still an error with its report.
    RemoveFaultHandler();
    if (ExitInterceptProc) {
        // Test hook only: the harness lives on and runs the program again
        // (the finalisations above left no module counted).
        gExitDepth = 0;
        ErrorReportDue = false;
        ExitInterceptProc(ExitCode);
    }
    _exit(ExitCode & 0xFF);
}
