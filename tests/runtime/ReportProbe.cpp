// A small program that ends in the way its first argument names, for the
// process-level tests of the run-time error report and the program's end.
// The lines that the report must name carry "@name" markers; the tests find
// their numbers in this file.
#include <cstdio>
#include <cstring>

#include "Runtime.h"
#include "LineInfo.h"
#include "RuntimeSystem.h"
#include "ProbeRoutines.h"

namespace {

const ModuleInfo Modules[] = {SystemModule, LineInfoModule};

volatile int Sink = 0;
volatile int Zero = 0;
int* volatile BadPointer = reinterpret_cast<int*>(16);

// Every call below is followed by more work, so that none becomes a jump
// that would leave its caller's frame out of the chain.

__attribute__((noinline)) void FAILING(int32_t v) {
    Sink = RangeCheck16(v);  // @range-fail
    Sink = Sink + 1;
}

__attribute__((noinline)) void LEVEL2(int32_t v) {
    FAILING(v + 1);  // @range-call2
    Sink = Sink + 1;
}

__attribute__((noinline)) void LEVEL1(int32_t v) {
    LEVEL2(v + 1);  // @range-call1
    Sink = Sink + 1;
}

__attribute__((noinline)) void IOFAIL() {
    InOutRes = 106;
    IOCheck();  // @io-fail
    Sink = Sink + 1;
}

__attribute__((noinline, no_sanitize("address", "undefined"))) void ACCESS() {
    Sink = Sink + 1;
    *BadPointer = 5;  // @segv-fail
    Sink = Sink + 1;
}

__attribute__((noinline, no_sanitize("undefined"))) void DIVIDE() {
    Sink = 10 / Zero;  // @div-fail
    Sink = Sink + 1;
}

#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int RECURSE(int n) {
    // A large frame reaches the stack's end quickly.
    volatile char block[64 * 1024];
    block[0] = static_cast<char>(n);
    block[sizeof block - 1] = static_cast<char>(n);
    int r = RECURSE(n + 1) + block[0];
    return r + block[sizeof block - 1];
}

__attribute__((noinline)) void DEEP(int n) {
    if (n == 0) Sink = RangeCheck16(70000);  // @deep-fail
    else DEEP(n - 1);
    Sink = Sink + 1;
}

// A formatter that raises a run-time error from its second line on: the error
// must end only the caller walk.
int FormatterCalls = 0;
ShortString FailingFormatter(void* addr) {
    if (++FormatterCalls >= 2) RunError(217);
    return SysBackTraceStr(addr);
}

__attribute__((noinline)) void LOOKUP() {
    // A routine's first instruction: routine and source, but line 0.
    ShortString routine, source;
    int32_t line = -1;
    bool ok = GetLineInfo(reinterpret_cast<void*>(&LEVEL2), routine, source, line);
    std::printf("%d|%s|%s|%d\n", ok ? 1 : 0, routine.Str().c_str(), source.Str().c_str(), line);
    std::fflush(stdout);   // the end sequence leaves the C library's buffers alone
    Sink = Sink + 1;
}

__attribute__((noinline)) int Run(const char* mode) {
    if (!std::strcmp(mode, "normal")) return 0;
    if (!std::strcmp(mode, "halt")) Halt(7);
    if (!std::strcmp(mode, "range")) LEVEL1(32766);  // @range-main
    if (!std::strcmp(mode, "io")) IOFAIL();  // @io-call
    if (!std::strcmp(mode, "segv")) ACCESS();  // @segv-call
    if (!std::strcmp(mode, "div")) DIVIDE();  // @div-call
    if (!std::strcmp(mode, "recurse")) Sink = RECURSE(0);
    if (!std::strcmp(mode, "deep")) DEEP(12);
    if (!std::strcmp(mode, "other")) OTHERFILE(1);  // @other-call
    if (!std::strcmp(mode, "walkerror")) {
        BackTraceStrFunc = FailingFormatter;
        LEVEL1(32766);
    }
    if (!std::strcmp(mode, "lookup")) LOOKUP();
    if (!std::strcmp(mode, "plain")) {
        BackTraceStrFunc = SysBackTraceStr;
        LEVEL1(32766);
    }
    Sink = Sink + 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    InitModules(Modules, sizeof Modules / sizeof Modules[0]);
    Run(argc > 1 ? argv[1] : "normal");  // @main-run
    Do_Exit();
}
