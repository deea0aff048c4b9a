// The module table's state, shared by start-up and the end sequence, and the
// stack facts recorded at start for the fault handler and the caller walk.
#pragma once
#include <cstdint>

extern void* MainLineFrame;   // frame of the routine that called InitModules
extern uintptr_t StackLow;    // lowest address of the main stack
extern uintptr_t StackTop;    // one past its highest address

// Finalises the modules whose initialisation completed, the last one first;
// the count drops before each finalisation runs, so none runs twice.
void FinaliseModules();
// Forgets the table (the exit hook of the tests runs the program again).
void ForgetModules();
