// The core's test hook; the program never sets it.
#pragma once
#include <cstdint>

// When set, the end sequence calls it with the exit code in place of ending
// the process (fuzz harnesses, probes that run again). It must not return (it
// jumps back into the harness); the end sequence's own state starts afresh
// for the next run.
extern void (*ExitInterceptProc)(int32_t code);
