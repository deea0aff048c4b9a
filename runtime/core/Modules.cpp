#include "runtime/core/Modules.h"

#include <pthread.h>
#include <unistd.h>

#include "runtime/core/EndState.h"
#include "runtime/core/Faults.h"

void (*WriteReportProc)() = nullptr;
void (*FlushStdIOProc)() = nullptr;
void (*BeforeExitProc)() = nullptr;
void (*ExitInterceptProc)(int32_t code) = nullptr;

void* MainLineFrame = nullptr;
uintptr_t StackLow = 0;
uintptr_t StackTop = 0;

namespace {

const ModuleInfo* gTable = nullptr;
int gInitialised = 0;   // modules whose initialisation has returned
int gExitDepth = 0;     // how often the end sequence has been entered

void RecordStackBounds() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
        StackLow = reinterpret_cast<uintptr_t>(addr);
        StackTop = StackLow + size;
    }
    pthread_attr_destroy(&attr);
}

}  // namespace

__attribute__((noinline)) void InitModules(const ModuleInfo* table, int count) {
    MainLineFrame = static_cast<void**>(__builtin_frame_address(0))[0];   // the main line's frame
    RecordStackBounds();
    InstallFaultHandler();
    gTable = table;
    gInitialised = 0;
    for (int i = 0; i < count; i++) {
        if (table[i].Init) table[i].Init();
        gInitialised = i + 1;
    }
}

void Do_Exit() {
    // An error raised while ending starts the end again; a run that keeps
    // failing there must still end, so the report is dropped after a few rounds.
    gExitDepth++;
    while (gInitialised > 0) {
        gInitialised--;
        if (gTable && gTable[gInitialised].Fini) gTable[gInitialised].Fini();
    }
    if (ErrorAddr && WriteReportProc && gExitDepth <= 4) WriteReportProc();
    if (FlushStdIOProc && gExitDepth <= 4) FlushStdIOProc();
    RemoveFaultHandler();
    if (BeforeExitProc) {
        void (*last)() = BeforeExitProc;
        BeforeExitProc = nullptr;
        last();
    }
    if (ExitInterceptProc) {
        // Test hook only: the harness lives on and runs the program again.
        gExitDepth = 0;
        gInitialised = 0;
        ExitInterceptProc(ExitCode);
    }
    _exit(ExitCode & 0xFF);
}
