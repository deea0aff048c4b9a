// Ending the run: Halt, run-time errors, the common error path and the
// checks the program calls.
#pragma once
#include <cstdint>

[[noreturn]] void Halt(int32_t code);
[[noreturn]] void RunError(uint16_t code);
// The common path of every detected error: records code, address and frame,
// then ends the run (or, inside the report's caller walk, ends only the walk).
[[noreturn]] void HandleErrorAddrFrame(int32_t code, void* addr, void* frame);
// Steps one frame out first: the routine that called the check gets the blame.
[[noreturn]] void HandleErrorAddrFrameInd(int32_t code, void* addr, void* frame);
[[noreturn]] void RangeError();   // RangeCheckError blamed on the caller
void IOCheck();                   // turns a pending InOutRes into a run-time error

// The checks are inlined so that the call to RangeError sits in the checked
// routine itself, which is then the one the report names.
__attribute__((always_inline)) inline int16_t RangeCheck16(int32_t v) {
    if (v < -32768 || v > 32767) RangeError();
    return static_cast<int16_t>(v);
}
__attribute__((always_inline)) inline int32_t CheckRange(int32_t v, int32_t lo, int32_t hi) {
    if (v < lo || v > hi) RangeError();
    return v;
}

// A routine the report's back trace must name: it keeps a frame of its own
// (never inlined) and its own code (never cloned).
#define ROUTINE __attribute__((noinline, noclone))
