// The program the report benchmark runs: a range error three calls deep.
// Just before the failing check it writes the monotonic clock's reading to
// descriptor 3, so the benchmark can time the way from the check to the end
// of the report. "plain" reports addresses only.
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "EndState.h"
#include "Errors.h"
#include "Modules.h"
#include "RuntimeSystem.h"

namespace {

const ModuleInfo Modules[] = {SystemModule, LineInfoModule};
volatile int Sink = 0;

void Stamp() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    int64_t ns = static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    if (write(3, &ns, sizeof ns) != sizeof ns) Sink = 0;
}

__attribute__((noinline)) void THIRD(int32_t v) {
    Stamp();
    Sink = RangeCheck16(v);
    Sink = Sink + 1;
}

__attribute__((noinline)) void SECOND(int32_t v) {
    THIRD(v + 1);
    Sink = Sink + 1;
}

__attribute__((noinline)) void FIRST(int32_t v) {
    SECOND(v + 1);
    Sink = Sink + 1;
}

}  // namespace

int main(int argc, char** argv) {
    InitModules(Modules, sizeof Modules / sizeof Modules[0]);
    if (argc > 1 && std::strcmp(argv[1], "plain") == 0) BackTraceStrFunc = SysBackTraceStr;
    FIRST(40000);
    Do_Exit();
}
