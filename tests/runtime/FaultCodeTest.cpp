// Which run-time error code a fault becomes, for what the process tests
// (FaultReportTest) cannot raise with a real instruction: where the stack
// ends, and the operand forms of the divide instructions.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <initializer_list>

#include "Faults.h"
#include "MainStack.h"

namespace {

FaultSite Site(int sig, int code, uintptr_t addr, uintptr_t sp) {
    FaultSite s;
    s.Signal = sig;
    s.SigCode = code;
    s.Addr = addr;
    s.Sp = sp;
    return s;
}

TEST(FaultCode, StackOverflowIsToldByWhereTheFaultIs) {
    uintptr_t savedLow = StackLow, savedTop = StackTop;
    StackLow = 0x7f0000000000;
    StackTop = StackLow + 8 * 1024 * 1024;
    const uintptr_t midStack = StackLow + 4 * 1024 * 1024;
    struct Case {
        uintptr_t addr;
        uintptr_t sp;
        int expected;
    } cases[] = {
        {16, midStack, 216},
        // Just below the stack's end, or with the stack pointer there.
        {StackLow - 8, StackLow - 8, 202},
        {StackLow - 70000, StackLow + 100, 202},
        {16, StackLow + 64, 202},
        // Far below it: an ordinary bad address.
        {StackLow - 4 * 1024 * 1024, midStack, 216},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FaultCode(Site(SIGSEGV, SEGV_MAPERR, c.addr, c.sp)), c.expected) << std::hex << c.addr;
    StackLow = savedLow;
    StackTop = savedTop;
}

TEST(FaultCode, FloatingPointKinds) {
    struct Case {
        int code;
        int expected;
    } cases[] = {{FPE_FLTDIV, 200}, {FPE_FLTSUB, 201}, {FPE_FLTOVF, 205}, {FPE_FLTUND, 206},
                 {FPE_FLTRES, 207}, {FPE_FLTINV, 207}, {FPE_INTOVF, 215}};
    for (const Case& c : cases) EXPECT_EQ(FaultCode(Site(SIGFPE, c.code, 0, 0)), c.expected) << c.code;
}

// Memory for the operand reads: 16 bytes at Base.
constexpr uintptr_t Base = 0x10000;
uint8_t Memory[16];
bool ReadTestMemory(uintptr_t addr, void* out, size_t n) {
    if (addr < Base || addr + n > Base + sizeof Memory) return false;
    std::memcpy(out, Memory + (addr - Base), n);
    return true;
}

FaultSite DivideSite(std::initializer_list<uint8_t> bytes) {
    FaultSite s = Site(SIGFPE, FPE_INTDIV, 0, 0);
    s.Pc = 0x400000;
    for (uint8_t b : bytes) s.Insn[s.InsnLen++] = b;
    s.ReadMemory = ReadTestMemory;
    return s;
}

enum Reg { RAX, RCX, RDX, RBX, RSP, RBP, RSI, RDI, R8, R9, R10, R11, R12, R13, R14, R15 };

TEST(FaultCode, DivisorOfEveryOperandForm) {
    std::memset(Memory, 0, sizeof Memory);
    Memory[8] = 0xFF;   // a 16-bit -1 at Base + 8 .. 9, and an 8-bit one at Base + 8
    Memory[9] = 0xFF;
    struct Case {
        const char* what;
        FaultSite site;
        bool known;
        uint64_t divisor;
    };
    auto AtPc = [](FaultSite s, uintptr_t pc) {
        s.Pc = pc;
        return s;
    };
    auto withRegs = [](FaultSite s, std::initializer_list<std::pair<Reg, uint64_t>> regs) {
        for (auto [r, v] : regs) s.Regs[r] = v;
        return s;
    };
    Case cases[] = {
        {"idiv ecx", withRegs(DivideSite({0xF7, 0xF9}), {{RCX, 0x1FFFFFFFF}}), true, 0xFFFFFFFF},
        {"idiv r9 (REX.W B)", withRegs(DivideSite({0x49, 0xF7, 0xF9}), {{R9, 5}}), true, 5},
        {"div si, 16 bits", withRegs(DivideSite({0x66, 0xF7, 0xF6}), {{RSI, 0x10000}}), true, 0},
        {"div ah", withRegs(DivideSite({0xF6, 0xF4}), {{RAX, 0x0100}}), true, 1},
        {"div sil (any REX)", withRegs(DivideSite({0x40, 0xF6, 0xF6}), {{RSI, 0x0302}}), true, 2},
        {"idiv word [rbx+8]", withRegs(DivideSite({0x66, 0xF7, 0x7B, 0x08}), {{RBX, Base}}), true, 0xFFFF},
        {"idiv byte [r12+rcx*2]", withRegs(DivideSite({0x41, 0xF6, 0x3C, 0x4C}), {{R12, Base}, {RCX, 4}}), true, 0xFF},
        {"idiv dword [r13+disp32]", withRegs(DivideSite({0x41, 0xF7, 0xBD, 0x04, 0, 0, 0}), {{R13, Base}}), true, 0},
        {"idiv dword [rbp-8]", withRegs(DivideSite({0xF7, 0x7D, 0xF8}), {{RBP, Base + 16}}), true, 0xFFFF},
        {"idiv byte [rax+r9*2] (REX.X)", withRegs(DivideSite({0x42, 0xF6, 0x3C, 0x48}), {{RAX, Base}, {R9, 4}}), true, 0xFF},
        {"idiv qword [disp32] without base", DivideSite({0x48, 0xF7, 0x3C, 0x25, 0x02, 0x00, 0x01, 0x00}), true,
         0xFFFF000000000000},
        // Relative to the next instruction, 7 bytes on: at Base.
        {"idiv word [rip+8]", AtPc(DivideSite({0x66, 0xF7, 0x3D, 0x08, 0x00, 0x00, 0x00}), Base - 7), true, 0xFFFF},
        {"idiv byte [eax], address size 32", withRegs(DivideSite({0x67, 0xF6, 0x38}), {{RAX, 0xFFFFFFFF00000000 | (Base + 8)}}), true, 0xFF},
        {"operand not readable", withRegs(DivideSite({0xF7, 0x3B}), {{RBX, 0x20}}), false, 0},
        {"gs segment", withRegs(DivideSite({0x65, 0xF7, 0x3B}), {{RBX, Base}}), false, 0},
        {"not a divide (neg)", DivideSite({0xF7, 0xD9}), false, 0},
        {"cut short", DivideSite({0xF7}), false, 0},
    };
    for (const Case& c : cases) {
        uint64_t d = 12345;
        bool known = DivisorOf(c.site, d);
        EXPECT_EQ(known, c.known) << c.what;
        if (c.known && known) {
            EXPECT_EQ(d, c.divisor) << c.what;
        }
    }
    // A divide error is an overflow exactly when the divisor is known and not 0.
    EXPECT_EQ(FaultCode(withRegs(DivideSite({0xF7, 0xF9}), {{RCX, 0xFFFFFFFF}})), 215);
    EXPECT_EQ(FaultCode(withRegs(DivideSite({0xF7, 0xF9}), {{RCX, 0x100000000}})), 200);
    EXPECT_EQ(FaultCode(withRegs(DivideSite({0xF7, 0x3B}), {{RBX, 0x20}})), 200);
}

TEST(FaultCode, PrivilegedInstructionsBehindPrefixes) {
    struct Case {
        std::initializer_list<uint8_t> bytes;
        bool privileged;
    } cases[] = {
        {{0xF3, 0x6C}, true},              // rep insb
        {{0x66, 0xE5, 0x40}, true},        // in ax, 0x40
        {{0x0F, 0x22, 0xD8}, true},        // mov cr3, rax
        {{0x0F, 0x00, 0xD8}, true},        // ltr ax
        {{0x0F, 0x00, 0xC0}, false},       // sldt ax: allowed
        {{0x0F, 0x01, 0x10}, true},        // lgdt [rax]
        {{0x0F, 0x01, 0xF8}, true},        // swapgs
        {{0x0F, 0x01, 0xD0}, false},       // xgetbv: allowed
        {{0x48, 0x89, 0x08}, false},       // mov [rax], rcx
        {{0x0F}, false},                   // cut short
        {{0x66, 0x66}, false},             // prefixes only
    };
    for (const Case& c : cases) {
        uint8_t insn[15];
        int n = 0;
        for (uint8_t b : c.bytes) insn[n++] = b;
        EXPECT_EQ(IsPrivilegedInstruction(insn, n), c.privileged) << std::hex << int(insn[0]) << " " << n;
    }
}

}  // namespace
