#include "OwnCode.h"

#include <link.h>
#include <unistd.h>

#include "ProgramCode.h"

namespace {

bool gFound = false;
// The line lookup keeps a pointer to this for the whole process.
char gExePath[4096] = "";

}  // namespace

// The executable is linked with --wrap=dl_iterate_phdr: every static caller
// (the line lookup's library and the core's code range) sees the executable
// alone. The line lookup therefore never loads the debug information that
// the system may hold for the C library and the other shared objects: that
// costs a tenth of a second, and their lines never appear in the report.
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
    RecordProgramCode();
    ssize_t n = readlink("/proc/self/exe", gExePath, sizeof gExePath - 1);
    gExePath[n > 0 ? n : 0] = '\0';
    gFound = true;
}

bool IsOwnCode(uintptr_t addr) {
    FindOwnCode();
    return IsProgramCode(addr);
}

const char* OwnExecutablePath() {
    FindOwnCode();
    return gExePath;
}
