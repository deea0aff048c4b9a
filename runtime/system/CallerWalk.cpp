// The caller walk of the run-time error report: one back-trace line per
// frame of the main stack, outward from the failing routine.
#include <csetjmp>
#include <cstdint>

#include "CallerWalk.h"

#include "EndState.h"
#include "MainStack.h"
#include "TextIO.h"

namespace {

constexpr int MaxFramesToFile = 256;

// A frame may be read only if it lies wholly on the main stack, properly
// aligned; anything else (a garbage frame pointer left by code without frame
// pointers, or the end of the chain) ends the walk.
bool ReadableFrame(uintptr_t frame) {
    return frame % alignof(void*) == 0 && frame >= StackLow && frame + 2 * sizeof(void*) <= StackTop;
}

// Steps one frame outward: the return address and the caller's frame held in
// frame. The main line's caller frame counts as null, so the walk ends with
// the line for the return address into the start-up code.
void StepOut(uintptr_t frame, void*& addr, uintptr_t& caller) {
    if (!ReadableFrame(frame)) {
        addr = nullptr;
        caller = 0;
        return;
    }
    void** f = reinterpret_cast<void**>(frame);
    addr = f[1];
    caller = frame == reinterpret_cast<uintptr_t>(MainLineFrame) ? 0 : reinterpret_cast<uintptr_t>(f[0]);
}

__attribute__((noinline)) void Walk(TextRec& f, uintptr_t frame) {
    // On the alternate stack (the end after a stack overflow) every frame of
    // the main stack lies above the walker.
    auto own = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    uintptr_t previous = (own >= StackLow && own < StackTop) ? own : StackLow;
    bool device = Do_IsDevice(f.Handle);
    int count = 0;
    while (frame > previous && frame < StackTop) {
        previous = frame;
        void* addr;
        StepOut(frame, addr, frame);
        if (!addr) break;
        TextWriteStr(0, f, BackTraceStrFunc(addr));
        TextWritelnEnd(f);
        if (frame == 0) break;
        count++;
        if ((device && count > max_frame_dump) || count > MaxFramesToFile) break;
    }
}

}  // namespace

void dump_stack(TextRec& f, void* frame, void* addr) {
    (void)addr;
    BackTraceStrFuncType formatter = BackTraceStrFunc;
    sigjmp_buf guard;
    if (sigsetjmp(guard, 1) == 0) {
        WalkGuard = &guard;
        Walk(f, reinterpret_cast<uintptr_t>(frame));
    }
    // Here also after an error raised inside the walk: it only ends the walk.
    WalkGuard = nullptr;
    // A lookup cut short by the jump had switched to the plain formatter.
    BackTraceStrFunc = formatter;
}
