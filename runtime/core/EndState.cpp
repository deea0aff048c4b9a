#include "runtime/core/EndState.h"

int32_t ExitCode = 0;
uint16_t ErrorCode = 0;
void* ErrorAddr = nullptr;
void* ErrorBase = nullptr;
bool ErrorAddrIsFault = false;
uint16_t InOutRes = 0;

uint16_t max_frame_dump = 8;
bool WriteErrorsToStdErr = true;

BackTraceStrFuncType BackTraceStrFunc = SysBackTraceStr;

ShortString HexAddr(const void* addr) {
    static const char digits[] = "0123456789ABCDEF";
    uintptr_t v = reinterpret_cast<uintptr_t>(addr);
    char buf[16];
    for (int i = 15; i >= 0; i--) {
        buf[i] = digits[v & 15];
        v >>= 4;
    }
    return ShortString(buf, sizeof buf);
}

ShortString SysBackTraceStr(void* addr) { return Concat("  $", HexAddr(addr)); }
