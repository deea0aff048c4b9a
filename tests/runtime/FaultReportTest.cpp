// Hardware faults raised by real instructions, each ending its process with
// the right code and a whole report; and faults while that report is being
// written.
#include <gtest/gtest.h>

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
    };
    for (const FaultCase& c : cases) ExpectFaultReport(c);
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
