// The frame of the routine that faulted, for the report's caller walk.
//
// A leaf routine may keep no frame of its own (and a routine stopped in its
// prologue has none yet): the frame pointer then still holds its caller's
// frame, whose line the report would lose. Such a routine gets its frame
// completed where its prologue would have put it, below the return address;
// it never resumes, so the word overwritten there is lost to no one.
//
// Code that is not the program's (the C library: malloc, raise, abort) keeps
// no frame pointer at all, and the frame pointer at the fault is anything.
// The unwind tables lead out of such routines: each gets a frame completed
// the same way, linked to its caller's, up to the first routine of the
// program's own, whose frame pointer the tables give back. From there the
// walk goes on along the frame pointers, as for every routine of the program.
#include <unwind.h>

#include "Faults.h"
#include "MainStack.h"
#include "ProgramCode.h"

namespace {

// Routines of other code between the fault and the program's own; more are
// not followed.
constexpr int MaxForeignFrames = 32;

// The faulting routine and, while they are not the program's own, its
// callers, as the unwind tables tell: the code address, the canonical frame
// address (the stack pointer before the call) and the frame pointer.
struct Unwound {
    uintptr_t Pc;
    bool NoCode = false;   // pc lies where no code is
    bool Passed = false;   // the faulting routine's entry has been seen
    int Seen = 0;
    int Count = 0;         // frames recorded, the faulting one first
    uintptr_t Ip[MaxForeignFrames + 1] = {};
    uintptr_t Cfa[MaxForeignFrames + 1] = {};   // 0 while unknown
    uintptr_t Fp[MaxForeignFrames + 1] = {};
};

// Own code keeps frame pointers. Before the start recorded where the
// program's code lies, every routine counts as its own.
bool Own(uintptr_t ip) { return !ProgramCodeKnown() || IsProgramCode(ip); }

constexpr int FramePointerRegister = 6;   // rbp in the DWARF numbering

// The unwinder reports with each frame the stack pointer at its call, which
// is the canonical frame address of the routine it called: a routine's own
// one therefore comes with the frame after it.
_Unwind_Reason_Code AtFrame(_Unwind_Context* ctx, void* data) {
    auto* u = static_cast<Unwound*>(data);
    int beforeInsn = 0;
    uintptr_t ip = _Unwind_GetIPInfo(ctx, &beforeInsn);
    if (!u->Passed) {
        // The handler's own frames and the signal return lie in between; a
        // chain that runs longer than that is no use here.
        if (ip != u->Pc) return ++u->Seen > 16 ? _URC_END_OF_STACK : _URC_NO_REASON;
        u->Passed = true;
    } else {
        u->Cfa[u->Count - 1] = _Unwind_GetCFA(ctx);
        if (Own(u->Ip[u->Count - 1])) return _URC_END_OF_STACK;
    }
    u->Ip[u->Count] = ip;
    u->Fp[u->Count] = _Unwind_GetGR(ctx, FramePointerRegister);
    u->Count++;
    // An own caller ends it: its frame pointer is all the walk needs.
    if (u->Count > 1 && Own(ip)) return _URC_END_OF_STACK;
    return u->Count > MaxForeignFrames ? _URC_END_OF_STACK : _URC_NO_REASON;
}

void Unwind(void* data) { _Unwind_Backtrace(AtFrame, data); }

// Frames to complete: Slot[i][0] := Link[i]; Slot[i][1] already holds the
// return address into the routine's caller.
struct Completion {
    int Count = 0;
    uintptr_t Slot[MaxForeignFrames + 1];
    uintptr_t Link[MaxForeignFrames + 1];
};

// The slots may lie in a sanitizer's red zone of the routines.
__attribute__((no_sanitize("address"))) void Complete(void* data) {
    auto* c = static_cast<Completion*>(data);
    for (int i = 0; i < c->Count; i++) reinterpret_cast<uintptr_t*>(c->Slot[i])[0] = c->Link[i];
}

bool OnTheStack(uintptr_t frame) {
    return frame >= StackLow && frame + 2 * sizeof(void*) <= StackTop && frame % sizeof(void*) == 0;
}

// The routine at pc, and its foreign callers, from the unwind tables.
Unwound UnwindFrom(uintptr_t pc, uintptr_t sp) {
    Unwound u;
    u.Pc = pc;
    if (!IsMappedCode(pc)) {
        // A jump or call to where no code is (a corrupted or null routine
        // pointer): the thread has not left the routine that called, and its
        // return address is on top of the stack. Anything else there is no
        // return address, and nothing is known.
        u.NoCode = true;
        uintptr_t top = 0;
        if (!ReadWithoutFaulting(sp, &top, sizeof top) || !IsMappedCode(top)) return u;
        u.Count = 1;
        u.Ip[0] = pc;
        u.Cfa[0] = sp + sizeof(void*);
        return u;
    }
    // The unwinder reads the code it unwinds through, and the stack: a
    // corrupted return address or frame makes it fault, which ends only the
    // search here.
    if (!RunGuarded(Unwind, &u)) u.Count = 0;
    return u;
}

}  // namespace

uintptr_t FaultingRoutineFrame(uintptr_t pc, uintptr_t sp, uintptr_t fp) {
    Unwound u = UnwindFrom(pc, sp);
    if (u.Count == 0 || u.Cfa[0] == 0) return fp;
    Completion c;
    if (u.NoCode || Own(pc)) {
        uintptr_t own = u.Cfa[0] - 2 * sizeof(void*);
        if (own == fp) return fp;
        c.Slot[0] = own;
        c.Link[0] = fp;
        c.Count = 1;
    } else {
        // Foreign routines up to the first own one, each linked to the next.
        for (int i = 0; i < u.Count && u.Cfa[i] != 0 && !Own(u.Ip[i]); i++) {
            c.Slot[i] = u.Cfa[i] - 2 * sizeof(void*);
            c.Link[i] = 0;   // the walk ends here unless a caller is known
            if (i > 0) c.Link[i - 1] = c.Slot[i];
            c.Count = i + 1;
        }
        int next = c.Count;
        if (next < u.Count && Own(u.Ip[next]) && u.Fp[next] > c.Slot[next - 1] && OnTheStack(u.Fp[next]))
            c.Link[next - 1] = u.Fp[next];
    }
    for (int i = 0; i < c.Count; i++)
        if (!OnTheStack(c.Slot[i]) || u.Cfa[i] > StackTop || (i > 0 && c.Slot[i] <= c.Slot[i - 1])) return fp;
    return RunGuarded(Complete, &c) ? c.Slot[0] : fp;
}
