// The frame of the routine that faulted, for the report's caller walk.
//
// A leaf routine may keep no frame of its own (and a routine stopped in its
// prologue has none yet): the frame pointer then still holds its caller's
// frame, whose line the report would lose. Such a routine gets its frame
// completed where its prologue would have put it, below the return address;
// it never resumes, so the word overwritten there is lost to no one.
#include <unwind.h>

#include "Faults.h"
#include "MainStack.h"

namespace {

// Finds the canonical frame address (the stack pointer before the call) of
// the routine that faulted, through the unwind tables, which also cover
// routines that keep no frame pointer.
struct FaultingFrame {
    uintptr_t Pc;
    bool Passed = false;   // the faulting routine's entry has been seen
    uintptr_t Cfa = 0;
    int Seen = 0;
};

// The unwinder reports with each frame the stack pointer at its call, which
// is the canonical frame address of the routine it called: the faulting
// routine's own one therefore comes with the frame after it.
_Unwind_Reason_Code AtFrame(_Unwind_Context* ctx, void* data) {
    auto* f = static_cast<FaultingFrame*>(data);
    if (f->Passed) {
        f->Cfa = _Unwind_GetCFA(ctx);
        return _URC_END_OF_STACK;
    }
    int beforeInsn = 0;
    if (_Unwind_GetIPInfo(ctx, &beforeInsn) == f->Pc) f->Passed = true;
    // The handler's own frames and the signal return lie in between; a
    // chain that runs longer than that is no use here.
    return ++f->Seen > 16 ? _URC_END_OF_STACK : _URC_NO_REASON;
}

void Unwind(void* data) { _Unwind_Backtrace(AtFrame, data); }

struct Completion {
    uintptr_t Own;
    uintptr_t Fp;
};

// The slot may lie in a sanitizer's red zone of the faulting routine.
__attribute__((no_sanitize("address"))) void Complete(void* data) {
    auto* c = static_cast<Completion*>(data);
    reinterpret_cast<uintptr_t*>(c->Own)[0] = c->Fp;
}

// The canonical frame address of the routine at pc, or 0.
uintptr_t CanonicalFrameAddress(uintptr_t pc, uintptr_t sp) {
    if (!IsMappedCode(pc)) {
        // A jump or call to where no code is (a corrupted or null routine
        // pointer): the thread has not left the routine that called, and its
        // return address is on top of the stack. Anything else there is no
        // return address, and nothing is known.
        uintptr_t top = 0;
        if (!ReadWithoutFaulting(sp, &top, sizeof top) || !IsMappedCode(top)) return 0;
        return sp + sizeof(void*);
    }
    // The unwinder reads the code it unwinds through, and the stack: a
    // corrupted return address or frame makes it fault, which ends only the
    // search here.
    FaultingFrame f;
    f.Pc = pc;
    if (!RunGuarded(Unwind, &f)) return 0;
    return f.Cfa;
}

}  // namespace

uintptr_t FaultingRoutineFrame(uintptr_t pc, uintptr_t sp, uintptr_t fp) {
    uintptr_t cfa = CanonicalFrameAddress(pc, sp);
    if (cfa == 0) return fp;
    uintptr_t own = cfa - 2 * sizeof(void*);
    if (own == fp) return fp;
    if (own < StackLow || cfa > StackTop || own % sizeof(void*) != 0) return fp;
    Completion c{own, fp};
    return RunGuarded(Complete, &c) ? own : fp;
}
