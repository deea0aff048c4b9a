// Which run-time error a fault is: by its signal, and where the signal alone
// does not tell, by the instruction that raised it (x86-64).
#include <signal.h>

#include "EndState.h"
#include "Faults.h"
#include "MainStack.h"

namespace {

constexpr uintptr_t GuardPage = 4096;

bool NearStackBottom(uintptr_t a) {
    if (StackLow == 0) return false;
    return a < StackLow + GuardPage && a + StackGuardReach >= StackLow;
}

bool IsLegacyPrefix(uint8_t b) {
    switch (b) {
        case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:
        case 0x66: case 0x67: case 0xF0: case 0xF2: case 0xF3:
            return true;
        default:
            return false;
    }
}

// The prefixes of an instruction, and where its opcode starts.
struct Prefixes {
    int Opcode = 0;          // index of the first opcode byte
    uint8_t Rex = 0;         // 0 without one
    bool OperandSize16 = false;
    bool AddressSize32 = false;
    uint8_t Segment = 0;     // 0x64 (fs), 0x65 (gs) or 0
};

Prefixes ReadPrefixes(const uint8_t* p, int len) {
    Prefixes x;
    int i = 0;
    while (i < len && IsLegacyPrefix(p[i])) {
        if (p[i] == 0x66) x.OperandSize16 = true;
        if (p[i] == 0x67) x.AddressSize32 = true;
        if (p[i] == 0x64 || p[i] == 0x65) x.Segment = p[i];
        i++;
    }
    // A REX prefix counts only right before the opcode.
    if (i < len && (p[i] & 0xF0) == 0x40) x.Rex = p[i++];
    x.Opcode = i;
    return x;
}

int32_t Signed32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The fs segment's base is the thread pointer, which the C library keeps at
// fs:0; a fault is always handled on the thread that raised it.
uintptr_t FsBase() {
    uintptr_t base;
    asm("mov %%fs:0, %0" : "=r"(base));
    return base;
}

// The effective address of a memory operand whose ModRM byte is at p[at];
// false for forms this does not read.
bool EffectiveAddress(const FaultSite& s, const Prefixes& x, int at, uintptr_t& ea) {
    const uint8_t* p = s.Insn;
    const int len = s.InsnLen;
    uint8_t modrm = p[at];
    int mod = modrm >> 6, rm = modrm & 7;
    int i = at + 1;
    bool rexB = x.Rex & 1, rexX = x.Rex & 2;
    uint64_t base = 0, index = 0;
    int scale = 1;
    bool ripRelative = false;
    if (rm == 4) {
        if (i >= len) return false;
        uint8_t sib = p[i++];
        scale = 1 << (sib >> 6);
        int idx = ((sib >> 3) & 7) | (rexX ? 8 : 0);
        if (idx != 4) index = s.Regs[idx];
        int b = sib & 7;
        if (b == 5 && mod == 0) {
            if (i + 4 > len) return false;
            base = static_cast<uint64_t>(static_cast<int64_t>(Signed32(p + i)));
            i += 4;
        } else {
            base = s.Regs[b | (rexB ? 8 : 0)];
        }
    } else if (rm == 5 && mod == 0) {
        ripRelative = true;
    } else {
        base = s.Regs[rm | (rexB ? 8 : 0)];
    }
    int64_t disp = 0;
    if (mod == 1) {
        if (i >= len) return false;
        disp = static_cast<int8_t>(p[i++]);
    } else if (mod == 2 || ripRelative) {
        if (i + 4 > len) return false;
        disp = Signed32(p + i);
        i += 4;
    }
    uint64_t a = ripRelative ? s.Pc + static_cast<uint64_t>(i) : base + index * static_cast<uint64_t>(scale);
    a += static_cast<uint64_t>(disp);
    if (x.AddressSize32) a &= 0xFFFFFFFFu;
    if (x.Segment == 0x65) return false;   // gs: no base to be had here
    if (x.Segment == 0x64) a += FsBase();
    ea = static_cast<uintptr_t>(a);
    return true;
}

}  // namespace

bool IsPrivilegedInstruction(const uint8_t* p, int len) {
    Prefixes x = ReadPrefixes(p, len);
    int i = x.Opcode;
    if (i >= len) return false;
    uint8_t op = p[i];
    switch (op) {
        case 0xF4:                                   // hlt
        case 0xFA: case 0xFB:                        // cli, sti
        case 0xE4: case 0xE5: case 0xE6: case 0xE7:  // in, out with a port number
        case 0xEC: case 0xED: case 0xEE: case 0xEF:  // in, out through dx
        case 0x6C: case 0x6D: case 0x6E: case 0x6F:  // ins, outs
            return true;
        case 0x0F:
            break;
        default:
            return false;
    }
    if (i + 1 >= len) return false;
    uint8_t op2 = p[i + 1];
    switch (op2) {
        case 0x06:  // clts
        case 0x07:  // sysret
        case 0x08:  // invd
        case 0x09:  // wbinvd
        case 0x20: case 0x21: case 0x22: case 0x23:  // mov to and from control and debug registers
        case 0x30:  // wrmsr
        case 0x31:  // rdtsc, where the system forbids it
        case 0x32:  // rdmsr
        case 0x33:  // rdpmc
        case 0x35:  // sysexit
            return true;
        case 0x00:
        case 0x01:
            break;
        default:
            return false;
    }
    if (i + 2 >= len) return false;
    uint8_t modrm = p[i + 2];
    int reg = (modrm >> 3) & 7;
    if (op2 == 0x00) return reg == 2 || reg == 3;   // lldt, ltr
    if (modrm == 0xF8) return true;                 // swapgs
    if ((modrm >> 6) == 3) return false;            // the register forms are other instructions
    return reg == 2 || reg == 3 || reg == 6 || reg == 7;   // lgdt, lidt, lmsw, invlpg
}

bool DivisorOf(const FaultSite& s, uint64_t& divisor) {
    const uint8_t* p = s.Insn;
    Prefixes x = ReadPrefixes(p, s.InsnLen);
    int i = x.Opcode;
    if (i + 1 >= s.InsnLen || (p[i] != 0xF6 && p[i] != 0xF7)) return false;
    uint8_t modrm = p[i + 1];
    int reg = (modrm >> 3) & 7;
    if (reg != 6 && reg != 7) return false;   // div, idiv
    int size = p[i] == 0xF6 ? 1 : (x.Rex & 8) ? 8 : x.OperandSize16 ? 2 : 4;
    uint64_t mask = size == 8 ? ~uint64_t{0} : (uint64_t{1} << (size * 8)) - 1;
    uint64_t value = 0;
    if ((modrm >> 6) == 3) {
        int rm = modrm & 7;
        if (size == 1 && x.Rex == 0 && rm >= 4) value = s.Regs[rm - 4] >> 8;   // ah, ch, dh, bh
        else value = s.Regs[rm | ((x.Rex & 1) ? 8 : 0)];
    } else {
        uintptr_t ea;
        if (!EffectiveAddress(s, x, i + 1, ea)) return false;
        if (!s.ReadMemory || !s.ReadMemory(ea, &value, static_cast<size_t>(size))) return false;
    }
    divisor = value & mask;
    return true;
}

int FaultCode(const FaultSite& s) {
    switch (s.Signal) {
        case SIGSEGV:
            // The kernel's own code: a general protection fault, which a
            // privileged instruction raises, and so does a non-canonical address.
            if (s.SigCode == SI_KERNEL && IsPrivilegedInstruction(s.Insn, s.InsnLen)) return PrivilegedInstructionError;
            if (NearStackBottom(s.Addr) || NearStackBottom(s.Sp)) return StackOverflowError;
            return AccessViolationError;
        case SIGBUS:
            return AccessViolationError;
        case SIGFPE:
            switch (s.SigCode) {
                case FPE_INTDIV: {
                    // The processor raises one divide error for a zero divisor
                    // and for a quotient that does not fit (the most negative
                    // number divided by -1): that one is an overflow.
                    uint64_t divisor;
                    if (DivisorOf(s, divisor) && divisor != 0) return IntOverflowError;
                    return DivisionByZeroError;
                }
                case FPE_FLTDIV:
                    return DivisionByZeroError;
                case FPE_FLTSUB:
                    return RangeCheckError;
                case FPE_FLTOVF:
                    return FloatOverflowError;
                case FPE_FLTUND:
                    return FloatUnderflowError;
                case FPE_INTOVF:
                    return IntOverflowError;
                default:   // FPE_FLTRES, FPE_FLTINV and anything new
                    return InvalidFloatOperationError;
            }
        case SIGILL:   // an undefined instruction (a privileged one is a SIGSEGV, above)
            return AccessViolationError;
        case SIGTRAP:
            return ForeignExceptionError;   // a breakpoint or a trace trap
        default:   // SIGSYS: a system call the process may not make; SIGABRT: abort()
            return SystemExceptionError;
    }
}

uintptr_t BlamedAddress(const FaultSite& s) {
    // int3 stops the thread after itself; so does a trapped syscall.
    if (s.Signal == SIGTRAP && s.SigCode == SI_KERNEL && s.HaveBefore && s.Before[1] == 0xCC) return s.Pc - 1;
    if (s.Signal == SIGSYS && s.HaveBefore && s.Before[0] == 0x0F && s.Before[1] == 0x05) return s.Pc - 2;
    return s.Pc;
}
