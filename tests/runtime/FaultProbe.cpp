// A small program that raises the hardware fault its first argument names,
// with the real instruction that raises it (x86-64), for the process-level
// tests of fault translation. The lines the report must name carry "@name"
// markers; the tests find their numbers in this file.
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "LineInfo.h"
#include "Modules.h"
#include "ShortString.h"
#include "RuntimeSystem.h"
#include "RuntimeTestHooks.h"

namespace {

const ModuleInfo Modules[] = {SystemModule, LineInfoModule};

volatile int Sink = 0;
volatile int32_t Min32 = INT32_MIN;
volatile int32_t MinusOne32 = -1;
volatile int32_t Zero32 = 0;
volatile int64_t Min64 = INT64_MIN;
volatile int64_t MinusOne64 = -1;

using Routine = void (*)();
Routine volatile BadRoutine = reinterpret_cast<Routine>(0x10);
Routine volatile NullRoutine = nullptr;

// Every routine does more work after the faulting line, so that none ends in
// a jump that would leave its caller's frame out of the chain.

__attribute__((noinline)) void CALLTHROUGH(Routine r) {
    Sink = Sink + 1;
    r();  // @call-through
    Sink = Sink + 1;
}

__attribute__((noinline)) void TRAP() {
    Sink = Sink + 1;
    asm volatile("int3");  // @trap
    Sink = Sink + 1;
}

__attribute__((noinline)) void UNDEFINED() {
    Sink = Sink + 1;
    asm volatile("ud2");  // @ud2
    Sink = Sink + 1;
}

__attribute__((noinline)) void PRIVILEGED(int which) {
    Sink = Sink + 1;
    if (which == 0) asm volatile("hlt");  // @hlt
    if (which == 1) asm volatile("cli");  // @cli
    if (which == 2) asm volatile("inb %%dx, %%al" ::: "rax", "rdx");  // @in
    Sink = Sink + 1;
}

// A non-canonical address: the same general protection fault as a
// privileged instruction, but an ordinary store.
__attribute__((noinline)) void NONCANONICAL() {
    Sink = Sink + 1;
    asm volatile("movl $1, (%0)" : : "r"(0x8000000000000000ull) : "memory");  // @noncanonical
    Sink = Sink + 1;
}

__attribute__((noinline)) void DIVIDE(int form) {
    Sink = Sink + 1;
    int32_t a = Min32, b = MinusOne32, zero = Zero32;
    int64_t a64 = Min64;
    int64_t table[3] = {5, MinusOne64, 7};
    int64_t index = Sink > 0 ? 1 : 0;
    if (form == 0) asm volatile("cltd; idivl %1" : "+a"(a) : "r"(b) : "rdx");  // @idiv-reg
    if (form == 1) asm volatile("cqto; idivq %1" : "+a"(a64) : "m"(MinusOne64) : "rdx");  // @idiv-mem
    if (form == 2) asm volatile("cqto; idivq (%1,%2,8)" : "+a"(a64) : "r"(table), "r"(index) : "rdx", "memory");  // @idiv-sib
    if (form == 3) asm volatile("cltd; idivl %1" : "+a"(a) : "r"(zero) : "rdx");  // @idiv-zero
    if (form == 4) asm volatile("movw $0x0100, %%ax; divb %%ah" ::: "rax");  // @div-ah
    Sink = Sink + a + static_cast<int>(a64);
}

// Every system call but getppid goes through; getppid raises SIGSYS.
bool TrapGetppid() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_getppid, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

__attribute__((noinline)) void SYSCALL() {
    Sink = Sink + 1;
    long r;
    asm volatile("syscall" : "=a"(r) : "a"(SYS_getppid) : "rcx", "r11", "memory");  // @syscall
    Sink = Sink + static_cast<int>(r);
}

// The faulting store below starts its line; the label is the assembler's
// own (not in the symbol table), so the line lookup sees only FIRSTINSN.
__attribute__((noinline, noclone, no_sanitize("address", "undefined"))) void FIRSTINSN(int* p) {
    Sink = Sink + 1;
    asm volatile(".Lfirst_insn_fault: movl $5, (%0)" : : "r"(p) : "memory");  // @first-insn
    Sink = Sink + 1;
}

// Prints the store's address and the line of the byte before it: the test
// checks that the store is indeed the first instruction of its line.
__attribute__((noinline)) void PrintLineBeforeStore() {
    void* at;
    asm("lea .Lfirst_insn_fault(%%rip), %0" : "=r"(at));
    ShortString routine, source;
    int32_t line = 0;
    GetLineInfo(static_cast<char*>(at) - 1, routine, source, line);
    std::printf("%s|%d\n", HexAddr(at).Str().c_str(), line);
    std::fflush(stdout);
}

int* volatile BadPointer = reinterpret_cast<int*>(16);

// With the alignment-check flag on, a misaligned read faults (SIGBUS). The
// flag stays on for whatever runs next: the handler must not trip over it.
__attribute__((noinline)) void MISALIGNED() {
    Sink = Sink + 1;
    alignas(8) static char bytes[16];
    int v;
    asm volatile("pushfq; orl $0x40000, (%%rsp); popfq; movl 1(%1), %0" : "=r"(v) : "r"(bytes) : "cc");  // @misaligned
    Sink = Sink + v;
}

// One frame larger than the whole stack: the prologue's stack probes meet
// the guard page first, far above where the frame's lowest byte would be.
__attribute__((noinline)) void BIGFRAME() {  // @big-frame
    volatile char block[16 * 1024 * 1024];
    block[0] = 1;
    Sink = Sink + block[0] + block[sizeof block - 1];
}

// The sixteenth translated fault is the last: the test hook that stands for
// the process's end brings each run back here for another fault.
sigjmp_buf Again;
void AnotherRound(int32_t code) {
    std::printf("%d\n", code);
    std::fflush(stdout);
    siglongjmp(Again, 1);
}

__attribute__((noinline)) void FaultForever() {
    sigsetjmp(Again, 1);
    ExitInterceptProc = AnotherRound;
    InitModules(Modules, sizeof Modules / sizeof Modules[0]);
    CALLTHROUGH(BadRoutine);
}

__attribute__((noinline)) int Run(const char* mode) {
    if (!std::strcmp(mode, "badcall")) CALLTHROUGH(BadRoutine);  // @badcall-call
    if (!std::strcmp(mode, "nullcall")) CALLTHROUGH(NullRoutine);  // @nullcall-call
    if (!std::strcmp(mode, "int3")) TRAP();  // @trap-call
    if (!std::strcmp(mode, "ud2")) UNDEFINED();  // @ud2-call
    if (!std::strcmp(mode, "hlt")) PRIVILEGED(0);  // @hlt-call
    if (!std::strcmp(mode, "cli")) PRIVILEGED(1);  // @cli-call
    if (!std::strcmp(mode, "in")) PRIVILEGED(2);  // @in-call
    if (!std::strcmp(mode, "noncanonical")) NONCANONICAL();  // @noncanonical-call
    if (!std::strcmp(mode, "idivreg")) DIVIDE(0);  // @idiv-reg-call
    if (!std::strcmp(mode, "idivmem")) DIVIDE(1);  // @idiv-mem-call
    if (!std::strcmp(mode, "idivsib")) DIVIDE(2);  // @idiv-sib-call
    if (!std::strcmp(mode, "idivzero")) DIVIDE(3);  // @idiv-zero-call
    if (!std::strcmp(mode, "divah")) DIVIDE(4);  // @div-ah-call
    if (!std::strcmp(mode, "syscall") && TrapGetppid()) SYSCALL();  // @syscall-call
    if (!std::strcmp(mode, "firstinsn")) PrintLineBeforeStore();
    if (!std::strcmp(mode, "firstinsn")) FIRSTINSN(BadPointer);  // @first-insn-call
    if (!std::strcmp(mode, "faultloop")) FaultForever();
    if (!std::strcmp(mode, "misaligned")) MISALIGNED();  // @misaligned-call
    if (!std::strcmp(mode, "bigframe")) BIGFRAME();  // @big-frame-call
    Sink = Sink + 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The stack's size as most systems set it, whatever the test's shell has.
    rlimit stack{8 * 1024 * 1024, 8 * 1024 * 1024};
    setrlimit(RLIMIT_STACK, &stack);
    InitModules(Modules, sizeof Modules / sizeof Modules[0]);
    Run(argc > 1 ? argv[1] : "");  // @main-run
    Do_Exit();
}
