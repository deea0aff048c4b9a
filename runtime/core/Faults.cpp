// Hardware faults (fatal signals) turned into run-time errors.
//
// The handler runs on an alternate stack of its own, so that a stack overflow
// can still be reported, and continues straight into the common error path
// from there: HandleErrorAddrFrame never returns, and the report's caller walk
// uses the recorded bounds of the main stack, not the stack it runs on. The
// fault signals stay blocked while the handler's path runs; a second fault
// there is therefore left to the system, which ends the process in its own way.
#include "Faults.h"

#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unwind.h>

#include <cstdint>

#include "Modules.h"
#include "Runtime.h"

sigjmp_buf* WalkGuard = nullptr;

namespace {

constexpr int FaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int FaultSignalCount = sizeof FaultSignals / sizeof FaultSignals[0];

// Room for the whole end sequence, line lookup included (sanitizer builds
// take much more stack per call), plus a guard page below it.
constexpr size_t AltStackSize = 1024 * 1024;
constexpr size_t GuardSize = 4096;

// A fault this far below the stack's lower end still counts as running out
// of stack: a routine with a large local array touches memory well below it.
constexpr uintptr_t StackGuardReach = 1024 * 1024;

constexpr int MaxOutstandingFaults = 16;

struct sigaction gPrevious[FaultSignalCount];
bool gInstalled = false;
void* gAltStack = nullptr;
int gOutstanding = 0;

bool NearStackBottom(uintptr_t a) {
    if (StackLow == 0) return false;
    return a < StackLow + GuardSize && a + StackGuardReach >= StackLow;
}

}  // namespace

int FaultCode(int sig, int code, uintptr_t faultAddr, uintptr_t sp) {
    switch (sig) {
        case SIGSEGV:
            if (NearStackBottom(faultAddr) || NearStackBottom(sp)) return StackOverflowError;
            return AccessViolationError;
        case SIGBUS:
            return AccessViolationError;
        case SIGFPE:
            switch (code) {
                case FPE_INTDIV:
                case FPE_FLTDIV:
                    return DivisionByZeroError;
                case FPE_FLTSUB:
                    return RangeCheckError;
                case FPE_FLTOVF:
                    return FloatOverflowError;
                case FPE_FLTUND:
                    return FloatUnderflowError;
                case FPE_INTOVF:
                    return IntOverflowError;
                default:   // FPE_FLTRES, FPE_FLTINV and anything new
                    return InvalidFloatOperationError;
            }
        case SIGILL:
            if (code == ILL_PRVOPC || code == ILL_PRVREG) return PrivilegedInstructionError;
            return AccessViolationError;
        default:
            return SystemExceptionError;
    }
}

namespace {

void RestoreDefault(int sig) {
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

// Finds the canonical frame address (the stack pointer before the call) of the
// routine that faulted, through the unwind tables, which also cover routines
// that keep no frame pointer.
struct FaultingFrame {
    uintptr_t pc;
    bool passed = false;   // the faulting routine's entry has been seen
    uintptr_t cfa = 0;
    int seen = 0;
};

// The unwinder reports with each frame the stack pointer at its call, which is
// the canonical frame address of the routine it called: the faulting
// routine's own one therefore comes with the frame after it.
_Unwind_Reason_Code AtFrame(_Unwind_Context* ctx, void* data) {
    auto* f = static_cast<FaultingFrame*>(data);
    if (f->passed) {
        f->cfa = _Unwind_GetCFA(ctx);
        return _URC_END_OF_STACK;
    }
    int beforeInsn = 0;
    if (_Unwind_GetIPInfo(ctx, &beforeInsn) == f->pc) f->passed = true;
    // The handler's own frames and the signal return lie in between; a
    // chain that runs longer than that is no use here.
    return ++f->seen > 16 ? _URC_END_OF_STACK : _URC_NO_REASON;
}

// The frame of the faulting routine. A leaf routine keeps no frame of its own
// (and a routine stopped in its prologue has none yet): the frame pointer then
// still holds its caller's frame, whose line the report would lose. Such a
// routine gets its frame completed where its prologue would have put it,
// below the return address; it never resumes, so the word overwritten there
// is lost to no one.
uintptr_t FaultingRoutineFrame(uintptr_t pc, uintptr_t fp) {
    FaultingFrame f;
    f.pc = pc;
    _Unwind_Backtrace(AtFrame, &f);
    if (f.cfa == 0) return fp;
    uintptr_t own = f.cfa - 2 * sizeof(void*);
    if (own == fp) return fp;
    if (own < StackLow || f.cfa > StackTop || own % sizeof(void*) != 0) return fp;
    reinterpret_cast<uintptr_t*>(own)[0] = fp;
    return own;
}

void OnFault(int sig, siginfo_t* info, void* context) {
    // Too many faults in a row: hand this one to the system. Returning
    // re-executes the faulting instruction, which now ends the process.
    if (++gOutstanding > MaxOutstandingFaults) {
        RestoreDefault(sig);
        return;
    }
    auto* uc = static_cast<ucontext_t*>(context);
    auto pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
    auto fp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RBP]);
    auto sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
    int code = FaultCode(sig, info->si_code, reinterpret_cast<uintptr_t>(info->si_addr), sp);
    fp = FaultingRoutineFrame(pc, fp);

    // A fault raised by the report's own caller walk ends only the walk.
    if (!WalkGuard) ErrorAddrIsFault = true;
    HandleErrorAddrFrame(code, reinterpret_cast<void*>(pc), reinterpret_cast<void*>(fp));
}

}  // namespace

void InstallFaultHandler() {
    if (gInstalled) return;
    if (!gAltStack) {
        void* p = mmap(nullptr, AltStackSize + GuardSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) return;   // without a stack of its own no fault is translated
        mprotect(p, GuardSize, PROT_NONE);
        gAltStack = p;
    }
    stack_t ss = {};
    ss.ss_sp = static_cast<char*>(gAltStack) + GuardSize;
    ss.ss_size = AltStackSize;
    ss.ss_flags = 0;
    if (sigaltstack(&ss, nullptr) != 0) return;

    struct sigaction sa = {};
    sa.sa_sigaction = OnFault;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int s : FaultSignals) sigaddset(&sa.sa_mask, s);
    for (int i = 0; i < FaultSignalCount; i++) sigaction(FaultSignals[i], &sa, &gPrevious[i]);
    gOutstanding = 0;
    gInstalled = true;
}

void RemoveFaultHandler() {
    if (!gInstalled) return;
    for (int i = 0; i < FaultSignalCount; i++) sigaction(FaultSignals[i], &gPrevious[i], nullptr);
    gInstalled = false;
    // The alternate stack stays: the end sequence may be running on it.
}
