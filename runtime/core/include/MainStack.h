// The main stack as the start recorded it, for the fault handler and the
// report's walk along its frames.
#pragma once
#include <csetjmp>
#include <cstdint>

extern void* MainLineFrame;   // frame of the routine that called InitModules
extern uintptr_t StackLow;    // lowest address of the main stack
extern uintptr_t StackTop;    // one past its highest address

// Set while the caller walk of the report runs: an error raised inside it
// jumps back here instead of starting a new end.
extern sigjmp_buf* WalkGuard;

// Records the main line's frame and the stack's bounds (InitModules, first).
void RecordMainStack(void* mainLineFrame);
