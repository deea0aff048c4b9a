// Hardware faults (fatal signals) turned into run-time errors.
#pragma once
#include <csetjmp>

void InstallFaultHandler();
void RemoveFaultHandler();

// Set while the caller walk of the report runs: an error raised inside it
// jumps back here instead of starting a new end.
extern sigjmp_buf* WalkGuard;
