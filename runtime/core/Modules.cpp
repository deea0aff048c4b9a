#include "Modules.h"

#include <pthread.h>

#include "Faults.h"
#include "Runtime.h"

void* MainLineFrame = nullptr;
uintptr_t StackLow = 0;
uintptr_t StackTop = 0;

namespace {

const ModuleInfo* gTable = nullptr;
int gInitialised = 0;   // modules whose initialisation has returned

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

void FinaliseModules() {
    while (gInitialised > 0) {
        gInitialised--;
        if (gTable && gTable[gInitialised].Fini) gTable[gInitialised].Fini();
    }
}

void ForgetModules() { gInitialised = 0; }
