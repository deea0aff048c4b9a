// Hardware faults (fatal signals) turned into run-time errors.
//
// A signal that no instruction raised (kill -SEGV from outside) ends the
// process by its own action, the terminal given back first; abort() in the
// program is run-time error 217 like any other "system exception".
//
// The handler only finds out what happened: the error's code, the faulting
// instruction and the frame of the routine that ran. It then lets the
// faulting thread go on in JumpToHandleErrorFrame, which takes the common
// error path outside the handler, with the signal mask the thread had before
// the fault: a fault while the report is written is then handled like any
// other (it ends the caller walk, or starts the end again).
//
// The thread goes on just below the stack pointer it faulted with. After a
// stack overflow, or a fault too close to the stack's end, there is no room
// there: it goes on on the alternate stack, where the handler itself runs.
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>

#include "EndState.h"
#include "Errors.h"
#include "Faults.h"
#include "MainStack.h"
#include "Modules.h"

namespace {

constexpr int FaultSignalCount = sizeof FaultSignals / sizeof FaultSignals[0];
constexpr long AlignmentCheckFlag = 0x40000;   // EFLAGS.AC

// Room for the whole end sequence with the line lookup (sanitizer builds take
// much more stack per call), with a guard page below it. Only the pages used
// are ever backed by memory.
constexpr size_t AltStackSize = 4 * 1024 * 1024;
constexpr size_t GuardSize = 4096;
// What the end sequence may take on the stack it goes on with.
constexpr uintptr_t ContinuationRoom = 512 * 1024;
// Left alone below the faulting stack pointer: the faulting routine's red
// zone and the completed frame of FaultingRoutineFrame.
constexpr uintptr_t LeftBelowSp = 256;
// Left alone below the handler's frame on the alternate stack: its locals and
// the frames of what it still calls after the error path's start is written.
constexpr uintptr_t LeftBelowHandler = 64 * 1024;

struct sigaction gPrevious[FaultSignalCount];
bool gInstalled = false;
uintptr_t gAltLow = 0;   // the alternate stack, without its guard page
uintptr_t gAltTop = 0;
int gTranslated = 0;     // faults turned into run-time errors in this process

[[noreturn]] __attribute__((noinline)) void JumpToHandleErrorFrame(int32_t code, void* addr, void* frame) {
    HandleErrorAddrFrame(code, addr, frame);
}

// The system's own action for this signal, after the terminal is given
// back: the signal stays pending while the handler runs and ends the process
// as soon as it returns.
void LeaveToSystem(int sig) {
    if (GiveBackNowProc) GiveBackNowProc();
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
    raise(sig);
}

// The instruction bytes at pc, as many as can be read: a page is there
// as a whole or not at all.
int ReadInstruction(uintptr_t pc, uint8_t* out) {
    constexpr uintptr_t Longest = 15, Page = 4096;
    uintptr_t first = Page - pc % Page;
    if (first > Longest) first = Longest;
    if (!ReadWithoutFaulting(pc, out, first)) return 0;
    if (first < Longest && ReadWithoutFaulting(pc + first, out + first, Longest - first)) return Longest;
    return static_cast<int>(first);
}

FaultSite ReadSite(int sig, const siginfo_t* info, const ucontext_t* uc) {
    const greg_t* g = uc->uc_mcontext.gregs;
    static const int EncodingOrder[16] = {REG_RAX, REG_RCX, REG_RDX, REG_RBX, REG_RSP, REG_RBP, REG_RSI, REG_RDI,
                                          REG_R8,  REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15};
    FaultSite s;
    s.Signal = sig;
    s.SigCode = info->si_code;
    s.Addr = reinterpret_cast<uintptr_t>(info->si_addr);
    s.Pc = static_cast<uintptr_t>(g[REG_RIP]);
    s.Sp = static_cast<uintptr_t>(g[REG_RSP]);
    for (int i = 0; i < 16; i++) s.Regs[i] = static_cast<uint64_t>(g[EncodingOrder[i]]);
    s.ReadMemory = ReadWithoutFaulting;
    s.InsnLen = ReadInstruction(s.Pc, s.Insn);
    s.HaveBefore = s.Pc >= 2 && ReadWithoutFaulting(s.Pc - 2, s.Before, 2);
    return s;
}

// Where the error path's stack starts (as after a call: 8 modulo 16), or 0
// when there is no room for it. handler is the handler's own frame: on the
// alternate stack the error path goes on below it, so that the word it
// starts with can be written before the handler returns.
uintptr_t ContinuationStack(uintptr_t sp, int code, uintptr_t handler) {
    auto below = [](uintptr_t top) { return ((top - LeftBelowSp) & ~uintptr_t{15}) - 8; };
    bool onAlt = sp > gAltLow && sp <= gAltTop;
    if (!onAlt && code != StackOverflowError && sp >= StackLow + ContinuationRoom + LeftBelowSp) return below(sp);
    if (handler - gAltLow < ContinuationRoom + LeftBelowHandler) return 0;
    return below(handler - LeftBelowHandler);
}

// Stores the return address the error path's first frame seems to come from.
__attribute__((no_sanitize("address"))) void PutReturnAddress(uintptr_t sp, uintptr_t addr) {
    *reinterpret_cast<uintptr_t*>(sp) = addr;
}

// The thread goes on in JumpToHandleErrorFrame(code, addr, frame) on the
// stack at sp, with the fault signals open and a clean floating-point state.
// Its frame links to the faulting routine's, as if that had called it from
// the faulting instruction: a walk from the error path's own frames (after a
// further error) goes on through the faulting routine into its callers.
void ContinueIn(ucontext_t* uc, uintptr_t sp, int code, uintptr_t addr, uintptr_t frame) {
    greg_t* g = uc->uc_mcontext.gregs;
    PutReturnAddress(sp, addr);
    g[REG_RIP] = reinterpret_cast<greg_t>(&JumpToHandleErrorFrame);
    g[REG_RDI] = code;
    g[REG_RSI] = static_cast<greg_t>(addr);
    g[REG_RDX] = static_cast<greg_t>(frame);
    g[REG_RSP] = static_cast<greg_t>(sp);
    g[REG_RBP] = static_cast<greg_t>(frame);
    constexpr greg_t TrapFlag = 0x100, DirectionFlag = 0x400;
    g[REG_EFL] &= ~(TrapFlag | DirectionFlag | static_cast<greg_t>(AlignmentCheckFlag));
    if (uc->uc_mcontext.fpregs) {
        uc->uc_mcontext.fpregs->cwd = 0x37F;   // the defaults: every exception masked
        uc->uc_mcontext.fpregs->swd = 0;
        uc->uc_mcontext.fpregs->ftw = 0;       // an empty register stack
        uc->uc_mcontext.fpregs->mxcsr = 0x1F80;
    }
    for (int s : FaultSignals) sigdelset(&uc->uc_sigmask, s);
}

// The running code may have set the alignment-check flag, which the
// handler's own reads (and the error path after it) must not trip over.
__attribute__((noinline)) void ClearAlignmentCheck() {
    asm volatile("pushfq; andq %0, (%%rsp); popfq" : : "i"(~AlignmentCheckFlag) : "cc", "memory");
}

// A fault is raised by an instruction; the same signal sent by kill() or
// raise() is no fault, and takes its own action. SIGABRT is never an
// instruction's: it is a run-time error when the program sent it to itself
// (abort(), glibc's heap checks), and a signal like any other from outside.
bool RaisedByTheProgram(int sig, const siginfo_t* info) {
    if (sig == SIGABRT) return info->si_code <= 0 && info->si_pid == getpid();
    return info->si_code > 0;
}

void OnFault(int sig, siginfo_t* info, void* context) {
    ClearAlignmentCheck();
    if (!RaisedByTheProgram(sig, info)) return LeaveToSystem(sig);
    // A guarded read of this handler's own faulted: back to it.
    LeaveGuard();

    auto* uc = static_cast<ucontext_t*>(context);
    FaultSite s = ReadSite(sig, info, uc);
    bool onAlt = s.Sp > gAltLow && s.Sp <= gAltTop;
    bool onMain = StackTop == 0 || (s.Sp < StackTop && s.Sp + StackGuardReach >= StackLow);
    if (gTranslated >= MaxTranslatedFaults || (!onAlt && !onMain)) return LeaveToSystem(sig);
    int code = FaultCode(s);
    uintptr_t sp = ContinuationStack(s.Sp, code, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)));
    if (sp == 0) return LeaveToSystem(sig);
    gTranslated++;

    auto fp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RBP]);
    uintptr_t frame = FaultingRoutineFrame(s.Pc, s.Sp, fp);
    // A fault raised by the report's own caller walk ends only the walk.
    if (!WalkGuard) ErrorAddrIsFault = true;
    ContinueIn(uc, sp, code, BlamedAddress(s), frame);
}

}  // namespace

void InstallFaultHandler() {
    if (gInstalled) return;
    if (!gAltLow) {
        void* p = mmap(nullptr, AltStackSize + GuardSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) return;   // without a stack of its own no fault is translated
        mprotect(p, GuardSize, PROT_NONE);
        gAltLow = reinterpret_cast<uintptr_t>(p) + GuardSize;
        gAltTop = gAltLow + AltStackSize;
    }
    stack_t ss = {};
    ss.ss_sp = reinterpret_cast<void*>(gAltLow);
    ss.ss_size = AltStackSize;
    ss.ss_flags = 0;
    if (sigaltstack(&ss, nullptr) != 0) return;

    struct sigaction sa = {};
    sa.sa_sigaction = OnFault;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int s : FaultSignals) sigaddset(&sa.sa_mask, s);
    for (int i = 0; i < FaultSignalCount; i++) sigaction(FaultSignals[i], &sa, &gPrevious[i]);
    gInstalled = true;
}

void RemoveFaultHandler() {
    if (!gInstalled) return;
    for (int i = 0; i < FaultSignalCount; i++) sigaction(FaultSignals[i], &gPrevious[i], nullptr);
    gInstalled = false;
    // The alternate stack stays: the end sequence may be running on it.
}
