#include "BackTraceLine.h"

#include "EndState.h"
#include "LineInfo.h"

ShortString StabBackTraceStr(void* addr) {
    // An error raised by the lookup itself then reports plain addresses
    // instead of looking up again.
    BackTraceStrFuncType saved = BackTraceStrFunc;
    BackTraceStrFunc = SysBackTraceStr;

    // A return address lies after the call; the call's own line is the one
    // at the byte before (also when the call ends its routine and the return
    // address is already past it). A faulting instruction is looked up as it is.
    auto a = reinterpret_cast<uintptr_t>(addr);
    bool asIs = ErrorAddrIsFault && addr == ErrorAddr;
    ShortString routine, source;
    int32_t line = 0;
    if (a > 1) GetLineInfo(reinterpret_cast<void*>(asIs ? a : a - 1), routine, source, line);

    ShortString s = Concat("  $", HexAddr(addr));
    if (routine.Len > 0) s = s + "  " + routine;
    if (source.Len > 0) {
        if (routine.Len > 0) s = s + ", ";
        if (line != 0) s = s + " line " + DecimalStr(line);
        s = s + " of " + source;
    }
    BackTraceStrFunc = saved;
    return s;
}
