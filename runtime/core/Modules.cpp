// The module table and the end sequence: the modules' initialisations at
// start, and at the end their finalisations, the report, the flush and the
// exit.
#include "Modules.h"

#include <unistd.h>

#include "EndState.h"
#include "Faults.h"
#include "MainStack.h"

void (*WriteReportProc)() = nullptr;
void (*FlushStdIOProc)() = nullptr;
void (*BeforeExitProc)() = nullptr;
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
    FinaliseModules();
    if ((ErrorAddr || ErrorReportDue) && WriteReportProc && gExitDepth <= MaxReportingRounds) WriteReportProc();
    if (FlushStdIOProc && gExitDepth <= MaxReportingRounds) FlushStdIOProc();
    RemoveFaultHandler();
    if (BeforeExitProc) {
        void (*last)() = BeforeExitProc;
        BeforeExitProc = nullptr;
        last();
    }
    if (ExitInterceptProc) {
        // Test hook only: the harness lives on and runs the program again
        // (the finalisations above left no module counted).
        gExitDepth = 0;
        ErrorReportDue = false;
        ExitInterceptProc(ExitCode);
    }
    _exit(ExitCode & 0xFF);
}
