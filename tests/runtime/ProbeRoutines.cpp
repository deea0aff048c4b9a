#include "ProbeRoutines.h"

#include "Errors.h"

volatile int ProbeRoutinesSink = 0;

__attribute__((noinline)) void OTHERFILE(int depth) {
    int32_t v = 40000 + depth;
    ProbeRoutinesSink = RangeCheck16(v);  // @other-fail
    ProbeRoutinesSink = ProbeRoutinesSink + 1;
}
