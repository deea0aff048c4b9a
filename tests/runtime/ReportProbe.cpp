// A small program that ends in the way its first argument names, for the
// process-level tests of the run-time error report and the program's end.
// The lines that the report must name carry "@name" markers; the tests find
// their numbers in this file.
#include <backtrace.h>

#include <cstdio>
#include <cstring>

#include "CallerWalk.h"
#include "LineInfo.h"
#include "ProbeRoutines.h"
#include "EndState.h"
#include "Errors.h"
#include "Modules.h"
#include "ShortString.h"
#include "RuntimeSystem.h"
#include "TextIO.h"

namespace {
volatile int Sink = 0;
int* volatile BadPointer = reinterpret_cast<int*>(16);
// The probe is linked with --wrap=backtrace_pcinfo: from the lookup numbered
// FaultInLookup on, the line lookup faults inside the library's call.
int FaultInLookup = 0;
int Lookups = 0;
}  // namespace

extern "C" int __real_backtrace_pcinfo(backtrace_state*, uintptr_t, backtrace_full_callback, backtrace_error_callback,
                                       void*);
extern "C" __attribute__((no_sanitize("address", "undefined"))) int __wrap_backtrace_pcinfo(backtrace_state* state, uintptr_t pc, backtrace_full_callback found,
                                       backtrace_error_callback failed, void* data) {
    if (FaultInLookup > 0 && ++Lookups >= FaultInLookup) *BadPointer = 1;
    return __real_backtrace_pcinfo(state, pc, found, failed, data);
}

namespace {

// Modules that tell when they are finalised; B faults there.
bool TraceModules = false;
void Say(const char* s) {
    if (!TraceModules) return;
    std::fputs(s, stdout);
    std::fflush(stdout);
}
void FINIA() { Say("A"); }
__attribute__((noinline, no_sanitize("address", "undefined"))) void FINIB() {
    Say("B");
    if (TraceModules) *BadPointer = 2;  // @fini-fault
    Sink = Sink + 1;
}
void FINIC() { Say("C"); }

const ModuleInfo Modules[] = {SystemModule, LineInfoModule, {"A", nullptr, FINIA}, {"B", nullptr, FINIB},
                              {"C", nullptr, FINIC}};

volatile int Zero = 0;

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

// A formatter that faults every time it is asked.
__attribute__((no_sanitize("address", "undefined"))) ShortString FaultingFormatter(void* addr) {
    *BadPointer = 3;  // @formatter-fault
    return SysBackTraceStr(addr);
}

__attribute__((noinline)) void WALKDEEP(int n, TextRec& f) {
    if (n == 0) dump_stack(f, __builtin_frame_address(0), nullptr);
    else WALKDEEP(n - 1, f);  // @walk-deep
    Sink = Sink + 1;
}

// The caller walk into a file that is not a terminal device.
void WalkIntoFile(const char* path) {
    TextRec f;
    InitText(f);
    Assign(f, path);
    Rewrite(f);
    WALKDEEP(300, f);
    Close(f);
}

// Text waiting in each standard file's buffer when the end comes.
void LeaveTextWaiting() {
    TextWriteStr(0, Output, "O");
    TextWriteStr(0, ErrOutput, "E");
    TextWriteStr(0, StdOut, "S");
    TextWriteStr(0, StdErr, "R");
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

// Hooks run last in the end sequence, after the report and the flush.
void HaltingHook() { Halt(5); }
__attribute__((noinline, no_sanitize("address", "undefined"))) void FAULTINGHOOK() {
    Sink = Sink + 1;
    *BadPointer = 4;  // @hook-fault
    Sink = Sink + 1;
}

__attribute__((noinline)) int Run(const char* mode, const char* arg) {
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
    // Faults while the report of a fault is written.
    if (!std::strcmp(mode, "lookupfault")) {
        FaultInLookup = 1;
        DIVIDE();
    }
    if (!std::strcmp(mode, "overflowfault")) {
        FaultInLookup = 1;
        Sink = RECURSE(0);
    }
    if (!std::strcmp(mode, "walkfault")) {
        FaultInLookup = 2;
        DIVIDE();
    }
    if (!std::strcmp(mode, "formatterfault")) {
        BackTraceStrFunc = FaultingFormatter;
        DIVIDE();
    }
    if (!std::strcmp(mode, "modules")) {
        TraceModules = true;
        Halt(3);
    }
    if (!std::strcmp(mode, "walkfile")) WalkIntoFile(arg);
    if (!std::strcmp(mode, "flushhalt")) {
        LeaveTextWaiting();
        Halt(4);
    }
    if (!std::strcmp(mode, "flusherror")) {
        LeaveTextWaiting();
        LEVEL1(32766);
    }
    if (!std::strcmp(mode, "hookhalt")) {
        BeforeExitProc = HaltingHook;
        LEVEL1(32766);
    }
    if (!std::strcmp(mode, "hookfault")) {
        BeforeExitProc = FAULTINGHOOK;
        LEVEL1(32766);
    }
    Sink = Sink + 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    InitModules(Modules, sizeof Modules / sizeof Modules[0]);
    Run(argc > 1 ? argv[1] : "normal", argc > 2 ? argv[2] : "");  // @main-run
    Do_Exit();
}
