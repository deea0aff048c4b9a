// Hardware faults raised by real instructions, each ending its process with
// the right code and a whole report; faults while that report is being
// written; errors on a damaged heap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ReportText.h"

namespace {

const std::string ProbeDir = PROBE_DIR;
const std::string FaultProbe = ProbeDir + "/fault_probe";
const std::string ReportProbe = ProbeDir + "/rt_probe";
const std::string FaultSource = "tests/runtime/FaultProbe.cpp";

struct FaultCase {
    const char* mode;
    int code;
    const char* routine;
    const char* faultMarker;   // the faulting instruction's line
    const char* callMarker;    // the line in Run that called the routine
};

// The faulting instruction is blamed and named at its own line; then its
// caller, the main line, the start-up code and the empty line.
void ExpectFaultReport(const FaultCase& c) {
    SCOPED_TRACE(c.mode);
    ChildResult r = RunChild(FaultProbe, {c.mode});
    std::vector<TraceLine> t = CheckShape(r, c.code);
    ASSERT_EQ(t.size(), 4u) << r.err;
    EXPECT_EQ(t[0].rest, Named(c.routine, LineOf(FaultSource, c.faultMarker), FaultSource));
    EXPECT_EQ(t[1].rest, Named("Run", LineOf(FaultSource, c.callMarker), FaultSource));
    EXPECT_EQ(t[2].rest, Named("main", LineOf(FaultSource, "main-run"), FaultSource));
}

TEST(FaultReport, EveryKindOfFaultHasItsCode) {
    const FaultCase cases[] = {
        {"int3", 255, "TRAP", "trap", "trap-call"},
        {"ud2", 216, "UNDEFINED", "ud2", "ud2-call"},
        {"hlt", 218, "PRIVILEGED", "hlt", "hlt-call"},
        {"cli", 218, "PRIVILEGED", "cli", "cli-call"},
        {"in", 218, "PRIVILEGED", "in", "in-call"},
        {"noncanonical", 216, "NONCANONICAL", "noncanonical", "noncanonical-call"},
        {"syscall", 217, "SYSCALL", "syscall", "syscall-call"},
        // One divide error, two codes: a zero divisor, or a quotient that
        // does not fit, told by the divisor in the instruction's register or
        // memory operand.
        {"idivreg", 215, "DIVIDE", "idiv-reg", "idiv-reg-call"},
        {"idivmem", 215, "DIVIDE", "idiv-mem", "idiv-mem-call"},
        {"idivsib", 215, "DIVIDE", "idiv-sib", "idiv-sib-call"},
        {"divah", 215, "DIVIDE", "div-ah", "div-ah-call"},
        {"idivzero", 200, "DIVIDE", "idiv-zero", "idiv-zero-call"},
        // With the alignment-check flag left on by the faulting code.
        {"misaligned", 216, "MISALIGNED", "misaligned", "misaligned-call"},
        // A frame larger than the stack: its stack probes meet the guard
        // page (stack-clash protection), not memory far below it.
        {"bigframe", 202, "BIGFRAME", "big-frame", "big-frame-call"},
    };
    for (const FaultCase& c : cases) ExpectFaultReport(c);
}

// An error on a page ends with the terminal given back by the bytes prepared
// for it (the colours reset, the cursor shown, keypad mode off), then at once
// the whole report, with the first error's code, below the page in the
// terminal's own colours. So too on a damaged heap, where the end must not
// allocate: a fault inside malloc (which keeps no frame pointer: the unwind
// tables name its caller), glibc's own abort on a block freed twice (run-time
// error 217).
TEST(FaultReport, ErrorOnAPageOfATerminal) {
    const std::string source = "tests/e2e/ConsoleDemo.cpp";
    const struct {
        const char* scenario;
        int code;
        std::vector<std::string> routines;   // up to main; each line is marked with its name in lower case
        bool inLibrary;                      // raised inside the C library: its lines come first
    } cases[] = {{"error", 201, {"Narrow", "Error"}, false},
                 {"fault", 216, {"Fault"}, false},
                 {"heapfault", 216, {"HeapFault"}, true},
                 {"doublefree", 217, {"DoubleFree"}, true}};
    const std::string givenBack = "\x1b(B\x1b[m\x1b[?12l\x1b[?25h\x1b[?1l\x1b>";   // xterm-256color's
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
#ifdef __SANITIZE_ADDRESS__
        if (c.inLibrary) continue;   // the sanitizer's allocator is not glibc's
#endif
        ChildSetup s = OnPty({CONSOLE_DEMO_PATH, c.scenario});
        s.Stderr = ChildSetup::Err::SameAsOut;
        ChildProcess term(s);
        const int status = ShellStatus(term.WaitExit());   // a signal's end shows as 128 + n
        const std::string& raw = term.Out();
        const size_t report = raw.find("Runtime error");
        ASSERT_NE(report, std::string::npos) << raw;
        EXPECT_EQ(raw.substr(0, report).rfind(givenBack), report - givenBack.size()) << raw;
        // The terminal's modes are the found ones again: each CR LF shows as CR CR LF.
        std::string err = raw.substr(report);
        for (size_t at = err.find("\r\r\n"); at != std::string::npos; at = err.find("\r\r\n", at)) err.erase(at, 1);
        const ChildResult r{.exited = true, .exitCode = status, .out = "", .err = err};
        std::vector<TraceLine> t = CheckShape(r, c.code);
        size_t foreign = 0;
        while (foreign < t.size() && t[foreign].rest.empty()) foreign++;
        EXPECT_EQ(foreign > 0, c.inLibrary);
        ASSERT_EQ(t.size(), foreign + c.routines.size() + 2);
        for (size_t i = 0; i < c.routines.size(); i++) {
            std::string marker = c.routines[i];
            for (char& ch : marker) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            EXPECT_EQ(t[foreign + i].rest, Named(c.routines[i], LineOf(source, marker), source));
        }
        EXPECT_EQ(t[foreign + c.routines.size()].rest, Named("main", LineOf(source, "demo-main"), source));
        EXPECT_TRUE(SameModes(term.ModesBefore(), term.ModesNow()));
    }
}

// A call to where no code is: blamed on that address, which names nothing,
// and the caller lines start at the routine that made the call. Address 0
// is reported like any other.
TEST(FaultReport, CallThroughABadPointerNamesTheCaller) {
    struct Case {
        const char* mode;
        const char* address;
        const char* callMarker;
    } cases[] = {
        {"badcall", "0000000000000010", "badcall-call"},
        {"nullcall", "0000000000000000", "nullcall-call"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ChildResult r = RunChild(FaultProbe, {c.mode});
        std::vector<TraceLine> t = CheckShape(r, 216);
        ASSERT_EQ(t.size(), 5u) << r.err;
        EXPECT_EQ(CrLfLines(r.err)[0], std::string("Runtime error 216 at $") + c.address);
        EXPECT_EQ(t[0].rest, "");
        EXPECT_EQ(t[1].rest, Named("CALLTHROUGH", LineOf(FaultSource, "call-through"), FaultSource));
        EXPECT_EQ(t[2].rest, Named("Run", LineOf(FaultSource, c.callMarker), FaultSource));
        EXPECT_EQ(t[3].rest, Named("main", LineOf(FaultSource, "main-run"), FaultSource));
    }
}

// A faulting instruction that is the first of its line is named with its own
// line, not with the line before (which a return address would get).
TEST(FaultReport, FaultOnTheFirstInstructionOfALine) {
    ChildResult r = RunChild(FaultProbe, {"firstinsn"});
    const int line = LineOf(FaultSource, "first-insn");
    // The probe prints the fault's address and the line of the byte before it.
    ASSERT_TRUE(r.out.size() > 18 && r.out[16] == '|' && r.out.back() == '\n') << r.out;
    const std::string at = r.out.substr(0, 16);
    EXPECT_NE(std::stoi(r.out.substr(17)), line) << "the fault is not at the start of its line";
    std::vector<TraceLine> t = CheckShape(r, 216);
    ASSERT_EQ(t.size(), 4u) << r.err;
    EXPECT_EQ(t[0].addr, at);
    EXPECT_EQ(t[0].rest, Named("FIRSTINSN", line, FaultSource));
    EXPECT_EQ(t[1].rest, Named("Run", LineOf(FaultSource, "first-insn-call"), FaultSource));
}

// A fault while the report is written starts the end again: the report
// stops where it was, the new one follows with addresses only, and the
// process ends with the new code. A fault in the line lookup: nine caller
// lines (standard error is a terminal device), none after a stack overflow
// (the end runs on the alternate stack, off the program's stack). A
// formatter that faults every time: after four rounds the end gives up
// reporting and still ends.
TEST(FaultReport, FaultWhileReportingStartsTheEndAgain) {
    const struct {
        const char* mode;
        const char* first;
        size_t lines;
    } cases[] = {
        {"lookupfault", "200", 1 + 1 + 1 + 9 + 1}, {"overflowfault", "202", 4}, {"formatterfault", "200", 4}};
    const std::string head = "Runtime error 216 at $";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ChildResult r = RunChild(ReportProbe, {c.mode});
        EXPECT_TRUE(r.exited) << "signal " << r.signal;
        EXPECT_EQ(r.exitCode, 216);
        std::vector<std::string> lines = CrLfLines(r.err);
        ASSERT_EQ(lines.size(), c.lines) << r.err;
        EXPECT_EQ(lines[0].rfind(std::string("Runtime error ") + c.first + " at $", 0), 0u) << lines[0];
        ASSERT_EQ(lines[1].rfind(head, 0), 0u) << lines[1];
        const bool everyRound = c.mode == std::string("formatterfault");   // each report stops at its first line
        for (size_t i = 2; i < lines.size(); i++) {
            if (everyRound) EXPECT_EQ(lines[i], lines[1]);
            else if (i + 1 == lines.size()) EXPECT_EQ(lines[i], "");
            else if (i == 2) EXPECT_EQ(lines[i], "  $" + lines[1].substr(head.size()));
            else EXPECT_TRUE(IsAddressOnly(lines[i])) << lines[i];
        }
    }
}

// Sixteen faults are translated; the seventeenth is the system's.
TEST(FaultReport, SeventeenthFaultIsLeftToTheSystem) {
    ChildResult r = RunChild(FaultProbe, {"faultloop"});
    EXPECT_FALSE(r.exited);
    EXPECT_EQ(r.signal, SIGSEGV);
    std::string sixteen;
    for (int i = 0; i < 16; i++) sixteen += "216\n";
    EXPECT_EQ(r.out, sixteen);
}

}  // namespace
