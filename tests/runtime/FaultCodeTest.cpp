// Which run-time error code each fault signal becomes.
#include <gtest/gtest.h>

#include <csignal>

#include "Faults.h"
#include "Modules.h"

namespace {

TEST(FaultCode, SignalsMapByMeaning) {
    uintptr_t savedLow = StackLow, savedTop = StackTop;
    StackLow = 0x7f0000000000;
    StackTop = StackLow + 8 * 1024 * 1024;
    const uintptr_t midStack = StackLow + 4 * 1024 * 1024;
    struct Case {
        int sig;
        int code;
        uintptr_t addr;
        uintptr_t sp;
        int expected;
    } cases[] = {
        {SIGSEGV, SEGV_MAPERR, 16, midStack, 216},
        {SIGSEGV, SEGV_ACCERR, 0x1000, midStack, 216},
        // Just below the stack's end, or with the stack pointer there: stack overflow.
        {SIGSEGV, SEGV_MAPERR, StackLow - 8, StackLow - 8, 202},
        {SIGSEGV, SEGV_MAPERR, StackLow - 70000, StackLow + 100, 202},
        {SIGSEGV, SEGV_MAPERR, 16, StackLow + 64, 202},
        {SIGSEGV, SEGV_MAPERR, StackLow - 4 * 1024 * 1024, midStack, 216},
        {SIGBUS, BUS_ADRERR, 16, midStack, 216},
        {SIGFPE, FPE_INTDIV, 0, midStack, 200},
        {SIGFPE, FPE_FLTDIV, 0, midStack, 200},
        {SIGFPE, FPE_FLTSUB, 0, midStack, 201},
        {SIGFPE, FPE_FLTOVF, 0, midStack, 205},
        {SIGFPE, FPE_FLTUND, 0, midStack, 206},
        {SIGFPE, FPE_FLTRES, 0, midStack, 207},
        {SIGFPE, FPE_FLTINV, 0, midStack, 207},
        {SIGFPE, FPE_INTOVF, 0, midStack, 215},
        {SIGILL, ILL_ILLOPC, 0, midStack, 216},
        {SIGILL, ILL_PRVOPC, 0, midStack, 218},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FaultCode(c.sig, c.code, c.addr, c.sp), c.expected) << "signal " << c.sig << " code " << c.code;
    StackLow = savedLow;
    StackTop = savedTop;
}

}  // namespace
