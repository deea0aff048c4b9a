// The run-time core: what every other layer builds on.
//
//   - ShortString, the program's text type (a length byte and up to 255
//     Windows-1250 characters);
//   - the end state (exit code, the run-time error being reported, the
//     pending I/O result) and the run-time error codes;
//   - ending the run: Halt, RunError, the checks the program calls
//     (RangeCheck16, CheckIndex, CheckRange, IOCheck) and the common error
//     path they all take;
//   - the module table and the end sequence (Do_Exit), with the hooks that the
//     layers above install into it;
//   - the Windows-1250 character set and the host's encoding.
//
// The core knows no text files: the report and the flushing of the standard
// files are installed into the end sequence from above.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------
// Short text. Copying keeps the first 255 characters; joining keeps the left
// text and as much of the right one as still fits.

struct ShortString {
    static constexpr int MaxLen = 255;

    uint8_t Len = 0;
    char Ch[MaxLen] = {};

    ShortString() = default;
    ShortString(const char* s);   // NOLINT: implicit from literals on purpose
    ShortString(const char* s, size_t n);
    explicit ShortString(std::string_view s) : ShortString(s.data(), s.size()) {}

    std::string_view View() const { return std::string_view(Ch, Len); }
    std::string Str() const { return std::string(Ch, Len); }
    char operator[](int i) const { return Ch[i]; }
    int Length() const { return Len; }
};

// Joining: the result never exceeds MaxLen characters.
ShortString Concat(const ShortString& left, const ShortString& right);
inline ShortString operator+(const ShortString& a, const ShortString& b) { return Concat(a, b); }
bool operator==(const ShortString& a, const ShortString& b);

// The number in decimal: '-' for negatives, no leading zeros, INT32_MIN in full.
ShortString DecimalStr(int32_t value);
// The address as 16 capital hexadecimal digits.
ShortString HexAddr(const void* addr);

// ---------------------------------------------------------------------------
// Run-time error codes (the exit code of a run that ends in one). I/O result
// codes are the text files' own (TextIO.h).

constexpr uint16_t DivisionByZeroError = 200;
constexpr uint16_t RangeCheckError = 201;
constexpr uint16_t StackOverflowError = 202;
constexpr uint16_t FloatOverflowError = 205;
constexpr uint16_t FloatUnderflowError = 206;
constexpr uint16_t InvalidFloatOperationError = 207;
constexpr uint16_t IntOverflowError = 215;
constexpr uint16_t AccessViolationError = 216;
constexpr uint16_t SystemExceptionError = 217;
constexpr uint16_t PrivilegedInstructionError = 218;
constexpr uint16_t ForeignExceptionError = 255;

// ---------------------------------------------------------------------------
// End state: what the end sequence reports and exits with.

extern int32_t ExitCode;        // handed to the system when the process ends
extern uint16_t ErrorCode;      // run-time error being reported
extern void* ErrorAddr;         // blamed code address; non-null means a report is due
extern bool ErrorReportDue;     // the error path ran: a report is due even for a null address
extern void* ErrorBase;         // frame of the routine holding ErrorAddr
extern bool ErrorAddrIsFault;   // ErrorAddr is a faulting instruction, not a return address
extern uint16_t InOutRes;       // pending I/O result, 0 = none

extern uint16_t max_frame_dump;   // caller lines written to a terminal device
extern bool WriteErrorsToStdErr;

// Formats one back-trace line for a code address (at most 255 characters).
using BackTraceStrFuncType = ShortString (*)(void* addr);
extern BackTraceStrFuncType BackTraceStrFunc;
// "  $" and the address as 16 capital hexadecimal digits.
ShortString SysBackTraceStr(void* addr);

// ---------------------------------------------------------------------------
// Ending the run.

[[noreturn]] void Halt(int32_t code);
[[noreturn]] void RunError(uint16_t code);
// The common path of every detected error: records code, address and frame,
// then ends the run (or, inside the report's caller walk, ends only the walk).
[[noreturn]] void HandleErrorAddrFrame(int32_t code, void* addr, void* frame);
// Steps one frame out first: the routine that called the check gets the blame.
[[noreturn]] void HandleErrorAddrFrameInd(int32_t code, void* addr, void* frame);
[[noreturn]] void RangeError();   // RangeCheckError blamed on the caller
void IOCheck();                   // turns a pending InOutRes into a run-time error

// The checks are inlined so that the call to RangeError sits in the checked
// routine itself, which is then the one the report names.
__attribute__((always_inline)) inline int16_t RangeCheck16(int32_t v) {
    if (v < -32768 || v > 32767) RangeError();
    return static_cast<int16_t>(v);
}
__attribute__((always_inline)) inline int32_t CheckRange(int32_t v, int32_t lo, int32_t hi) {
    if (v < lo || v > hi) RangeError();
    return v;
}
// Matrix index 0..9.
__attribute__((always_inline)) inline int32_t CheckIndex(int32_t i) { return CheckRange(i, 0, 9); }

// A routine the report's back trace must name: it keeps a frame of its own
// (never inlined) and its own code (never cloned).
#define ROUTINE __attribute__((noinline, noclone))

// ---------------------------------------------------------------------------
// The module table and the end sequence.

struct ModuleInfo {
    const char* Name;
    void (*Init)();   // may be null
    void (*Fini)();   // may be null
};

// The main line's first act. Installs the fault handler, records the main
// line's frame (whose caller frame counts as null) and the stack bounds, then
// runs the initialisations in table order. A module counts as initialised only
// after its Init has returned.
void InitModules(const ModuleInfo* table, int count);

// The end sequence: finalise last first, report, flush the standard files, exit.
[[noreturn]] void Do_Exit();

// Installed by the layers above the core:
extern void (*WriteReportProc)();   // writes the run-time error report
extern void (*FlushStdIOProc)();    // flushes Output, ErrOutput, StdOut, StdErr
// Called just before the process ends, whatever the end (restores the terminal).
extern void (*BeforeExitProc)();
// Test hook (fuzz harnesses): when set, the end sequence calls it with the exit
// code in place of ending the process. It must not return (it jumps back into
// the harness); the end sequence's own state starts afresh for the next run.
extern void (*ExitInterceptProc)(int32_t code);

// ---------------------------------------------------------------------------
// Windows-1250 and the host's encoding.

// The locale's character encoding (LC_CTYPE) as iconv names it. The plain
// C/POSIX locale reports ASCII; UTF-8 is taken then, as terminals use it.
const char* HostCodeset();
// The Unicode code point of a Windows-1250 byte (0 for the five unassigned ones).
uint32_t Cp1250ToUnicode(uint8_t b);
// The Windows-1250 byte of a code point; false when there is none.
bool UnicodeToCp1250(uint32_t cp, uint8_t& b);
// Windows-1250 bytes in another encoding (an iconv name). A character the
// encoding cannot express is left out and `lossless` becomes false.
std::string Cp1250ToEncoding(const std::string& codeset, const char* s, size_t n, bool& lossless);
// Reads one character of the encoding from p[0..n): returns the bytes it
// takes, 0 when it is still incomplete. cp is InvalidCodePoint for bytes
// that are no character of the encoding (one byte is then taken).
constexpr uint32_t InvalidCodePoint = 0xFFFFFFFF;
size_t DecodeCharacter(const std::string& codeset, const uint8_t* p, size_t n, uint32_t& cp);
