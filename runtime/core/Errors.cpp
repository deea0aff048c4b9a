// Ending the run: Halt, run-time errors and the checks the program calls.
#include "Errors.h"

#include <csetjmp>

#include "EndState.h"
#include "MainStack.h"
#include "Modules.h"

void Halt(int32_t code) {
    ExitCode = code;
    Do_Exit();
}

__attribute__((noinline)) void RunError(uint16_t code) {
    if (!WalkGuard) ErrorAddrIsFault = false;
    HandleErrorAddrFrame(code, __builtin_return_address(0),
                         static_cast<void**>(__builtin_frame_address(0))[0]);   // the caller's frame
}

void HandleErrorAddrFrame(int32_t code, void* addr, void* frame) {
    // An error inside the report's caller walk only ends the walk; the report
    // and the exit code stay those of the first error.
    if (WalkGuard) siglongjmp(*WalkGuard, 1);
    ErrorCode = static_cast<uint16_t>(code);
    ErrorAddr = addr;
    // A call through a null routine pointer faults at address 0: that is
    // still an error to report, not a silent end.
    ErrorReportDue = true;
    ErrorBase = frame;
    Halt(ErrorCode);
}

void HandleErrorAddrFrameInd(int32_t code, void* addr, void* frame) {
    (void)addr;
    // A frame holds the caller's frame at [0] and the return address at [1].
    void** f = static_cast<void**>(frame);
    void* callerAddr = f ? f[1] : nullptr;
    void* callerFrame = f ? f[0] : nullptr;
    if (!WalkGuard) ErrorAddrIsFault = false;
    HandleErrorAddrFrame(code, callerAddr, callerFrame);
}

__attribute__((noinline)) void RangeError() {
    HandleErrorAddrFrameInd(RangeCheckError, reinterpret_cast<void*>(&RangeError), __builtin_frame_address(0));
}

__attribute__((noinline)) void IOCheck() {
    if (InOutRes == 0) return;
    uint16_t code = InOutRes;
    InOutRes = 0;
    HandleErrorAddrFrameInd(code, reinterpret_cast<void*>(&IOCheck), __builtin_frame_address(0));
}
