// The run-time error report and the exit codes of whole processes: the
// probe program ends in the way its argument names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "Files.h"
#include "ReportText.h"

namespace {

const std::string ProbeDir = PROBE_DIR;
const std::string Probe = ProbeDir + "/rt_probe";
const std::string MainSource = "tests/runtime/ReportProbe.cpp";
const std::string OtherSource = "tests/runtime/ProbeRoutines.cpp";

// A normal end and a Halt end with their codes and write nothing to
// standard error (the errors' codes and reports are the tests below).
TEST(ProcessEnd, NormalEndAndHaltWriteNoReport) {
    for (auto [mode, code] : {std::pair{"normal", 0}, {"halt", 7}}) {
        SCOPED_TRACE(mode);
        ChildResult r = RunChild(Probe, {mode});
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, code);
        EXPECT_EQ(r.err, "");
    }
}

// The range error's chain of five routines as each build of the probe names
// it: routine, line and file (from its own table; from its matching debug
// file; from its own table when its debug link names a wrong file), the
// routines alone (a symbol table without a line table), or addresses alone
// (the plain formatter, a debug file with another CRC, no table at all).
TEST(ErrorReport, TheChainAsEachBuildNamesIt) {
    enum Form { Full, NamesOnly, AddressesOnly };
    const struct {
        const char* exe;
        const char* mode;
        Form form;
    } cases[] = {
        {"rt_probe", "range", Full},           {"rt_probe_split", "range", Full},
        {"rt_probe_ownbad", "range", Full},    {"rt_probe_nolines", "range", NamesOnly},
        {"rt_probe", "plain", AddressesOnly},  {"rt_probe_badcrc", "range", AddressesOnly},
        {"rt_probe_nodebug", "range", AddressesOnly},
    };
    const char* routines[] = {"FAILING", "LEVEL2", "LEVEL1", "Run", "main"};
    const char* markers[] = {"range-fail", "range-call2", "range-call1", "range-main", "main-run"};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.exe) + " " + c.mode);
        std::vector<TraceLine> t = CheckShape(RunChild(ProbeDir + "/" + c.exe, {c.mode}), 201);
        ASSERT_EQ(t.size(), 6u);
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(t[i].rest, c.form == Full        ? Named(routines[i], LineOf(MainSource, markers[i]), MainSource)
                                 : c.form == NamesOnly ? "  " + std::string(routines[i])
                                                       : "");
        EXPECT_EQ(t[5].rest, "");
    }
}

// Failures of other kinds and in other places: the failing routine's line and
// its caller's.
TEST(ErrorReport, FailingLineAndCallerLine) {
    struct Case {
        const char* mode;
        int code;
        const char* routine;
        std::string source;
        const char* failMarker;
        const char* caller;
        const char* callMarker;
    } cases[] = {
        {"io", 106, "IOFAIL", MainSource, "io-fail", "Run", "io-call"},
        {"other", 201, "OTHERFILE", OtherSource, "other-fail", "Run", "other-call"},
        // A fault blames the faulting instruction itself; the faulting
        // routine keeps no frame of its own, and its caller must still show.
        {"segv", 216, "ACCESS", MainSource, "segv-fail", "Run", "segv-call"},
        {"div", 200, "DIVIDE", MainSource, "div-fail", "Run", "div-call"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        std::vector<TraceLine> t = CheckShape(RunChild(Probe, {c.mode}), c.code);
        ASSERT_EQ(t.size(), 4u);
        EXPECT_EQ(t[0].rest, Named(c.routine, LineOf(c.source, c.failMarker), c.source));
        EXPECT_EQ(t[1].rest, Named(c.caller, LineOf(MainSource, c.callMarker), MainSource));
        EXPECT_EQ(t[2].rest, Named("main", LineOf(MainSource, "main-run"), MainSource));
    }
}

// Standard error is a terminal device for the report: nine caller lines at
// most, also when the stack overflowed.
TEST(ErrorReport, DeepChainsShowNineCallerLines) {
    std::vector<TraceLine> t = CheckShape(RunChild(Probe, {"deep"}), 201, false);
    ASSERT_EQ(t.size(), 1u + 9u);
    EXPECT_EQ(t[0].rest, Named("DEEP", LineOf(MainSource, "deep-fail"), MainSource));
    for (const TraceLine& l : t) EXPECT_EQ(l.rest.rfind("  DEEP,  line ", 0), 0u) << l.rest;

    // Which instruction of the recursion meets the stack's end depends on the
    // code the compiler made; the routine is certain.
    t = CheckShape(RunChild(Probe, {"recurse"}), 202, false);
    ASSERT_EQ(t.size(), 1u + 9u);
    for (const TraceLine& l : t) EXPECT_EQ(l.rest.rfind("  RECURSE,  line ", 0), 0u) << l.rest;
}

// A run-time error or a fault raised inside the caller walk ends only the
// walk: the report keeps its first lines, its empty last one and the first
// error's code.
TEST(ErrorReport, ErrorInsideTheWalkEndsOnlyTheWalk) {
    EXPECT_EQ(CheckShape(RunChild(Probe, {"walkerror"}), 201, false).size(), 1u);
    std::vector<TraceLine> t = CheckShape(RunChild(Probe, {"walkfault"}), 200, false);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].rest, Named("DIVIDE", LineOf(MainSource, "div-fail"), MainSource));
}

TEST(ErrorReport, FirstInstructionOfARoutineHasNoLine) {
    for (const char* exe : {"rt_probe", "rt_probe_split"}) {
        SCOPED_TRACE(exe);
        ChildResult r = RunChild(ProbeDir + "/" + exe, {"lookup"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "1|LEVEL2|" + MainSource + "|0\n");
    }
}

// A closed or full standard error loses the report, not the exit code.
TEST(ErrorReport, UnwritableStdErrKeepsTheExitCode) {
    struct Case {
        const char* mode;
        int code;
    } cases[] = {{"range", 201}, {"segv", 216}, {"io", 106}};
    for (ChildSetup::Err target : {ChildSetup::Err::Closed, ChildSetup::Err::Full}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.mode);
            ChildResult r = RunChild(Probe, {c.mode}, target, 10);
            EXPECT_FALSE(r.timedOut);
            EXPECT_TRUE(r.exited);
            EXPECT_EQ(r.exitCode, c.code);
        }
    }
}

// The end finalises the modules last first, each once, also when a
// finalisation faults: the end then starts again with the modules left, and
// reports that fault.
TEST(ProcessEnd, ModulesAreFinalisedLastFirstAndOnce) {
    ChildResult r = RunChild(Probe, {"modules"});
    EXPECT_EQ(r.out, "CBA");
    std::vector<TraceLine> t = CheckShape(r, 216, false);
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[0].rest, Named("FINIB", LineOf(MainSource, "fini-fault"), MainSource));
    EXPECT_EQ(t[1].rest.rfind("  FinaliseModules,  line ", 0), 0u) << t[1].rest;
}

// The exit hook runs after the report: a Halt there ends the run with its
// own code and no second report; a fault there is an error of its own,
// reported after the whole first report, with its code.
TEST(ProcessEnd, HaltOrFaultInTheExitHook) {
    ChildResult r = RunChild(Probe, {"hookhalt"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(CrLfLines(r.err).size(), 8u) << r.err;
    r = RunChild(Probe, {"hookfault"});
    const size_t second = std::min(r.err.find("Runtime error 216 at $"), r.err.size());
    EXPECT_EQ(CrLfLines(r.err.substr(0, second)).size(), 8u) << r.err;
    r.err = r.err.substr(second);
    std::vector<TraceLine> t = CheckShape(r, 216, false);
    ASSERT_GE(t.size(), 1u);
    EXPECT_EQ(t[0].rest, Named("FAULTINGHOOK", LineOf(MainSource, "hook-fault"), MainSource));
}

// The standard files are flushed after the report, in the order Output,
// ErrOutput, StdOut, StdErr. Standard output and error share one pipe here,
// so what each file held shows where it was written out.
TEST(ProcessEnd, StandardFilesAreFlushedInOrder) {
    ChildResult r = RunChild(Probe, {"flushhalt"}, ChildSetup::Err::SameAsOut);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "OESR");

    r = RunChild(Probe, {"flusherror"}, ChildSetup::Err::SameAsOut);
    EXPECT_EQ(r.exitCode, 201);
    // StdErr's own text goes out with the report's first line.
    ASSERT_EQ(r.out.rfind("RRuntime error 201 at $", 0), 0u) << r.out;
    const std::string tail = "\r\n\r\nOES";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
}

// To a file that is not a terminal device the caller walk writes up to 257
// lines, each naming the recursive call.
TEST(ErrorReport, CallerWalkIntoAFileStopsAt257Lines) {
    TempDir dir;
    const std::string file = dir.File("walk.txt");
    ChildResult r = RunChild(Probe, {"walkfile", file});
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> lines = CrLfLines(ReadWholeFile(file));
    EXPECT_EQ(lines.size(), 257u);
    const std::string expected = Named("WALKDEEP", LineOf(MainSource, "walk-deep"), MainSource);
    for (const std::string& l : lines) {
        EXPECT_TRUE(IsAddress(Split(l).addr)) << l;
        EXPECT_EQ(Split(l).rest, expected);
    }
}

}  // namespace
