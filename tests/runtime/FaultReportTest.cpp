// Hardware faults raised by real instructions, each ending its process with
// the right code and a whole report; faults while that report is being
// written; errors on a damaged heap.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FakeTerminal.h"
#include "ReportText.h"

namespace {

const std::string ProbeDir = PROBE_DIR;
const std::string FaultProbe = ProbeDir + "/fault_probe";
const std::string ReportProbe = ProbeDir + "/rt_probe";
const std::string FaultSource = "tests/runtime/FaultProbe.cpp";
const std::string ReportSource = "tests/runtime/ReportProbe.cpp";

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

// The report's trace lines: first those of code that is not the program's
// (address only; foreign of them), then the routines named, then the
// start-up line.
void ExpectNamedAfterForeign(const std::vector<TraceLine>& t, size_t foreign, const std::vector<std::string>& named) {
    ASSERT_EQ(t.size(), foreign + named.size() + 1);
    for (size_t i = 0; i < foreign; i++) EXPECT_EQ(t[i].rest, "") << i;
    for (size_t i = 0; i < named.size(); i++) EXPECT_EQ(t[foreign + i].rest, named[i]);
}
size_t LeadingAddressOnly(const std::vector<TraceLine>& t) {
    size_t n = 0;
    while (n < t.size() && t[n].rest.empty()) n++;
    return n;
}

// A fault inside the C library's malloc (no frame pointer there): the
// unwind tables lead out of it to the routine that called it, and on to main.
TEST(FaultReport, FaultInMallocNamesItsCaller) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's allocator is not glibc's";
#endif
    std::vector<TraceLine> t = CheckShape(RunChild(FaultProbe, {"mallocfault"}), 216);
    EXPECT_GE(LeadingAddressOnly(t), 1u);
    ExpectNamedAfterForeign(t, LeadingAddressOnly(t), {Named("MALLOCFAULT", LineOf(FaultSource, "malloc-fault"), FaultSource),
                                Named("Run", LineOf(FaultSource, "malloc-fault-call"), FaultSource),
                                Named("main", LineOf(FaultSource, "main-run"), FaultSource)});
}

// After an error on a damaged heap (a fault; glibc's own abort on a block
// freed twice, run-time error 217) the end allocates nothing: the terminal
// is given back with the bytes prepared for it and nothing after them, the
// whole report follows, and the code is the first error's.
TEST(FaultReport, ErrorOnADamagedHeapOnATerminal) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's allocator is not glibc's";
#endif
    const std::string source = "tests/e2e/ConsoleDemo.cpp";
    const struct {
        const char* scenario;
        int code;
        const char* routine;
        const char* marker;
        bool throughLibrary;   // the error is raised inside the C library
    } cases[] = {
        {"heapfault", 216, "HeapFault", "heap-fault", false},
        {"doublefree", 217, "DoubleFree", "double-free", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        FakeTerminal::Setup setup;
        setup.Argv = {CONSOLE_DEMO_PATH, c.scenario};
        FakeTerminal term(setup);
        ASSERT_TRUE(term.Started());
        const int status = term.WaitExit();
        ChildResult r;
        r.exited = WIFEXITED(status);
        r.exitCode = r.exited ? WEXITSTATUS(status) : -1;
        r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        // glibc's own line about the heap comes first.
        r.err = term.Stderr().substr(std::min(term.Stderr().find("Runtime error"), term.Stderr().size()));
        std::vector<TraceLine> t = CheckShape(r, c.code);
        const size_t foreign = LeadingAddressOnly(t);
        EXPECT_EQ(foreign > 0, c.throughLibrary);
        ExpectNamedAfterForeign(t, foreign, {Named(c.routine, LineOf(source, c.marker), source),
                                             Named("main", LineOf(source, "demo-main"), source)});
        EXPECT_TRUE(SameModes(term.ModesBefore(), term.ModesNow()));
        const std::string givenBack = "\x1b[?25h\x1b[?1l\x1b>";   // the cursor shown, keypad mode off
        ASSERT_GE(term.Raw().size(), givenBack.size());
        EXPECT_EQ(term.Raw().substr(term.Raw().size() - givenBack.size()), givenBack);
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

// A fault in the line lookup of the report starts the end again: the first
// report stops after its first line, the new one follows with addresses only
// (nine caller lines: standard error is a terminal device), and the process
// ends with the new code.
TEST(FaultReport, FaultInTheLookupStartsTheEndAgain) {
    ChildResult r = RunChild(ReportProbe, {"lookupfault"});
    EXPECT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.exitCode, 216);
    std::vector<std::string> lines = CrLfLines(r.err);
    ASSERT_EQ(lines.size(), 1u + 1 + 1 + 9 + 1) << r.err;
    EXPECT_EQ(lines[0].rfind("Runtime error 200 at $", 0), 0u) << lines[0];
    const std::string head = "Runtime error 216 at $";
    ASSERT_EQ(lines[1].rfind(head, 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "  $" + lines[1].substr(head.size()));
    for (size_t i = 2; i + 1 < lines.size(); i++) EXPECT_TRUE(IsAddressOnly(lines[i])) << lines[i];
    EXPECT_EQ(lines.back(), "");
}

// After a stack overflow the end runs on the alternate stack; a fault in its
// lookup starts the end again there. The new report's frames lie off the
// program's stack, so it holds no caller lines.
TEST(FaultReport, FaultInTheLookupAfterAStackOverflow) {
    ChildResult r = RunChild(ReportProbe, {"overflowfault"});
    EXPECT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.exitCode, 216);
    std::vector<std::string> lines = CrLfLines(r.err);
    ASSERT_EQ(lines.size(), 4u) << r.err;
    EXPECT_EQ(lines[0].rfind("Runtime error 202 at $", 0), 0u) << lines[0];
    const std::string head = "Runtime error 216 at $";
    ASSERT_EQ(lines[1].rfind(head, 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "  $" + lines[1].substr(head.size()));
    EXPECT_EQ(lines[3], "");
}

// A fault inside the caller walk ends only the walk: the report keeps its
// empty last line and the first fault's code.
TEST(FaultReport, FaultInTheCallerWalkEndsOnlyTheWalk) {
    std::vector<TraceLine> t = CheckShape(RunChild(ReportProbe, {"walkfault"}), 200, false);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].rest, Named("DIVIDE", LineOf(ReportSource, "div-fail"), ReportSource));
}

// A formatter that faults every time: each new end starts another report,
// which faults at once; after four the end gives up reporting and the
// process still ends with the last code.
TEST(FaultReport, FormatterThatAlwaysFaultsStillEnds) {
    ChildResult r = RunChild(ReportProbe, {"formatterfault"});
    EXPECT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.exitCode, 216);
    std::vector<std::string> lines = CrLfLines(r.err);
    ASSERT_EQ(lines.size(), 4u) << r.err;
    EXPECT_EQ(lines[0].rfind("Runtime error 200 at $", 0), 0u);
    for (int i = 1; i < 4; i++) EXPECT_EQ(lines[i], lines[1]);
    EXPECT_EQ(lines[1].rfind("Runtime error 216 at $", 0), 0u);
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
