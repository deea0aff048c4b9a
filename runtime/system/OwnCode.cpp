#include "OwnCode.h"

#include <link.h>
#include <unistd.h>

namespace {

bool gFound = false;
uintptr_t gCodeLow = 0;
uintptr_t gCodeHigh = 0;
// The line lookup keeps a pointer to this for the whole process.
char gExePath[4096] = "";

int TakeFirst(dl_phdr_info* info, size_t, void*) {
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && (ph.p_flags & PF_X)) {
            gCodeLow = info->dlpi_addr + ph.p_vaddr;
            gCodeHigh = gCodeLow + ph.p_memsz;
            break;
        }
    }
    return 1;   // the first object is the executable itself
}

}  // namespace

// The executable is linked with --wrap=dl_iterate_phdr: every static caller
// (the line lookup's library and this file) sees the executable alone. The
// line lookup therefore never loads the debug information that the system
// may hold for the C library and the other shared objects: that costs a
// tenth of a second, and their lines never appear in the report anyway.
extern "C" int __real_dl_iterate_phdr(int (*cb)(dl_phdr_info*, size_t, void*), void* data);

namespace {
struct FirstOnly {
    int (*cb)(dl_phdr_info*, size_t, void*);
    void* data;
    int result;
};
int ForwardFirst(dl_phdr_info* info, size_t size, void* d) {
    auto* f = static_cast<FirstOnly*>(d);
    f->result = f->cb(info, size, f->data);
    return 1;
}
}  // namespace

extern "C" int __wrap_dl_iterate_phdr(int (*cb)(dl_phdr_info*, size_t, void*), void* data) {
    FirstOnly f{cb, data, 0};
    __real_dl_iterate_phdr(ForwardFirst, &f);
    return f.result;
}

void FindOwnCode() {
    if (gFound) return;
    __real_dl_iterate_phdr(TakeFirst, nullptr);
    ssize_t n = readlink("/proc/self/exe", gExePath, sizeof gExePath - 1);
    gExePath[n > 0 ? n : 0] = '\0';
    gFound = true;
}

bool IsOwnCode(uintptr_t addr) {
    FindOwnCode();
    return addr >= gCodeLow && addr < gCodeHigh;
}

const char* OwnExecutablePath() {
    FindOwnCode();
    return gExePath;
}
