// Hardware faults (fatal signals) turned into run-time errors, and so is an
// abort() of the program's own; the same signals sent from outside end the
// process by their own action, the terminal given back first.
#pragma once
#include <csignal>
#include <cstddef>
#include <cstdint>

// Installed by InitModules with an alternate stack of its own; removed by the
// end sequence. At most MaxTranslatedFaults faults are translated in one
// process; a further one is left to the system, which ends the process.
void InstallFaultHandler();
void RemoveFaultHandler();
constexpr int MaxTranslatedFaults = 16;

// A fault this far below the main stack's lower end still happened on it:
// a routine with a large local array touches memory well below the end.
constexpr uintptr_t StackGuardReach = 1024 * 1024;

// What the handler knows about one fault.
struct FaultSite {
    int Signal = 0;
    int SigCode = 0;        // si_code
    uintptr_t Addr = 0;     // si_addr: the address touched, where the signal has one
    uintptr_t Pc = 0;       // where the thread stopped
    uintptr_t Sp = 0;
    // The general registers in the instruction encoding's order: rax, rcx,
    // rdx, rbx, rsp, rbp, rsi, rdi, r8 .. r15.
    uint64_t Regs[16] = {};
    uint8_t Insn[15] = {};  // the bytes at Pc that could be read
    int InsnLen = 0;
    uint8_t Before[2] = {}; // the two bytes before Pc, where readable
    bool HaveBefore = false;
    // Reads memory that may not be mapped: false instead of a fault.
    bool (*ReadMemory)(uintptr_t addr, void* out, size_t n) = nullptr;
};

// The run-time error code of a fault.
int FaultCode(const FaultSite& s);

// The instruction to blame: the one that faulted, also for the signals that
// stop the thread after it (a breakpoint, a trapped system call).
uintptr_t BlamedAddress(const FaultSite& s);

// Instruction facts, from the bytes at the faulting address.
// An instruction that only the kernel may run (hlt, cli, in, out, ...).
bool IsPrivilegedInstruction(const uint8_t* insn, int len);
// The divisor of a div or idiv; false when the bytes are no such
// instruction or its operand cannot be read.
bool DivisorOf(const FaultSite& s, uint64_t& divisor);

// ---------------------------------------------------------------------------
// Inside the handler only.

// Runs fn(arg) with the fault signals open: a fault inside it returns false
// here instead of reaching the system. The handler calls LeaveGuard first.
bool RunGuarded(void (*fn)(void*), void* arg);
// Jumps back into the guarded call that faulted; returns if there is none.
void LeaveGuard();
// Copies n bytes at addr, false if any of them cannot be read.
bool ReadWithoutFaulting(uintptr_t addr, void* out, size_t n);
// Whether addr lies in a mapped executable segment (the system's memory map).
bool IsMappedCode(uintptr_t addr);

// The frame of the routine that faulted at pc (sp and fp at the fault),
// completed where its prologue would have put it if it has none yet.
uintptr_t FaultingRoutineFrame(uintptr_t pc, uintptr_t sp, uintptr_t fp);

// The signals the handler takes: the faults, and SIGABRT for abort().
constexpr int FaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT};
