#include "ProgramCode.h"

#include <link.h>

namespace {

bool gKnown = false;
uintptr_t gLow = 0;
uintptr_t gHigh = 0;

int TakeExecutable(dl_phdr_info* info, size_t, void*) {
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && (ph.p_flags & PF_X)) {
            gLow = info->dlpi_addr + ph.p_vaddr;
            gHigh = gLow + ph.p_memsz;
            break;
        }
    }
    return 1;   // the first object is the executable itself
}

}  // namespace

void RecordProgramCode() {
    if (gKnown) return;
    dl_iterate_phdr(TakeExecutable, nullptr);
    gKnown = true;
}

bool ProgramCodeKnown() { return gKnown; }

bool IsProgramCode(uintptr_t addr) { return addr >= gLow && addr < gHigh; }
