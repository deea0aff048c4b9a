// Hardware faults (fatal signals) turned into run-time errors.
#pragma once
#include <csetjmp>
#include <cstdint>

// Installed by InitModules on an alternate stack; removed by the end sequence.
void InstallFaultHandler();
void RemoveFaultHandler();

// The run-time error code for a fault signal with its si_code, the address
// it touched and the stack pointer at the fault (which tell a stack overflow
// from any other access violation).
int FaultCode(int sig, int code, uintptr_t faultAddr, uintptr_t sp);

// Set while the caller walk of the report runs: an error raised inside it
// jumps back here instead of starting a new end.
extern sigjmp_buf* WalkGuard;
