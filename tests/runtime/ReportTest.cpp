// The run-time error report and the exit codes of whole processes: the
// probe program ends in the way its argument names.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace {

const std::string ProbeDir = PROBE_DIR;
const std::string Probe = ProbeDir + "/rt_probe";
const std::string MainSource = "tests/runtime/ReportProbe.cpp";
const std::string OtherSource = "tests/runtime/ProbeRoutines.cpp";

// The number of the line that carries "// @marker" in a probe source file.
int LineOf(const std::string& source, const std::string& marker) {
    std::ifstream in(std::string(PROBE_SOURCE_DIR) + "/../../" + source);
    std::string text;
    for (int n = 1; std::getline(in, text); n++)
        if (text.find("// @" + marker) != std::string::npos &&
            text.size() == text.find("// @" + marker) + 4 + marker.size())
            return n;
    ADD_FAILURE() << "no marker " << marker << " in " << source;
    return -1;
}

// Splits the report at its CR LF line ends; every line must end so.
std::vector<std::string> ReportLines(const std::string& err) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < err.size()) {
        size_t end = err.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text after the last CR LF: " << err.substr(start);
            break;
        }
        std::string line = err.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare LF in: " << line;
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

bool IsAddress(const std::string& s) {
    return s.size() == 16 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

// "  $" and 16 capital hexadecimal digits, nothing else.
bool IsAddressOnly(const std::string& line) { return line.rfind("  $", 0) == 0 && IsAddress(line.substr(3)); }

std::string Named(const std::string& routine, int line, const std::string& source) {
    return "  " + routine + ",  line " + std::to_string(line) + " of " + source;
}

// A back-trace line: its address, then what follows the address.
struct TraceLine {
    std::string addr;
    std::string rest;
};
TraceLine Split(const std::string& line) {
    if (line.size() < 19 || line.compare(0, 3, "  $") != 0) return {"", line};
    return {line.substr(3, 16), line.substr(19)};
}

// Checks the report's frame: the first line with the code, the failing
// routine's line at the same address, the caller lines, the start-up code's
// address-only line (unless the walk was cut short) and the empty last line.
// Gives back the trace lines (second line up to the empty one).
std::vector<TraceLine> CheckShape(const ChildResult& r, int code, bool reachesStartup = true) {
    EXPECT_TRUE(r.exited) << "signal " << r.signal << (r.timedOut ? " (timed out)" : "");
    EXPECT_EQ(r.exitCode, code);
    std::vector<std::string> lines = ReportLines(r.err);
    if (lines.size() < 3) {
        ADD_FAILURE() << "too short a report:\n" << r.err;
        return {};
    }
    const std::string head = "Runtime error " + std::to_string(code) + " at $";
    EXPECT_EQ(lines[0].rfind(head, 0), 0u) << lines[0];
    std::string firstAddr = lines[0].substr(std::min(head.size(), lines[0].size()));
    EXPECT_TRUE(IsAddress(firstAddr)) << lines[0];
    EXPECT_EQ(lines.back(), "");
    if (reachesStartup) {
        EXPECT_TRUE(IsAddressOnly(lines[lines.size() - 2])) << "start-up line: " << lines[lines.size() - 2];
    }
    std::vector<TraceLine> trace;
    for (size_t i = 1; i + 1 < lines.size(); i++) trace.push_back(Split(lines[i]));
    EXPECT_EQ(trace[0].addr, firstAddr) << "the first two addresses differ";
    return trace;
}

TEST(ProcessEnd, ExitCodesOfEveryEnd) {
    struct Case {
        const char* mode;
        int code;
        bool report;
    } cases[] = {
        {"normal", 0, false}, {"halt", 7, false}, {"range", 201, true}, {"io", 106, true},
        {"segv", 216, true},  {"div", 200, true}, {"recurse", 202, true}, {"deep", 201, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ChildResult r = RunChild(Probe, {c.mode});
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, c.code);
        if (c.report)
            EXPECT_EQ(r.err.rfind("Runtime error " + std::to_string(c.code) + " at $", 0), 0u) << r.err;
        else
            EXPECT_EQ(r.err, "");
    }
}

TEST(ErrorReport, RangeErrorNamesEveryRoutineOfTheChain) {
    std::vector<TraceLine> t = CheckShape(RunChild(Probe, {"range"}), 201);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].rest, Named("FAILING", LineOf(MainSource, "range-fail"), MainSource));
    EXPECT_EQ(t[1].rest, Named("LEVEL2", LineOf(MainSource, "range-call2"), MainSource));
    EXPECT_EQ(t[2].rest, Named("LEVEL1", LineOf(MainSource, "range-call1"), MainSource));
    EXPECT_EQ(t[3].rest, Named("Run", LineOf(MainSource, "range-main"), MainSource));
    EXPECT_EQ(t[4].rest, Named("main", LineOf(MainSource, "main-run"), MainSource));
    EXPECT_EQ(t[5].rest, "");
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

TEST(ErrorReport, ErrorInsideTheWalkEndsOnlyTheWalk) {
    ChildResult r = RunChild(Probe, {"walkerror"});
    std::vector<TraceLine> t = CheckShape(r, 201, false);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].rest, "");
}

// Without names the report keeps its shape: every line holds the address only.
TEST(ErrorReport, PlainFormatterAndMissingTables) {
    for (const char* exe : {"rt_probe plain", "rt_probe_badcrc range", "rt_probe_nodebug range"}) {
        SCOPED_TRACE(exe);
        std::string s(exe);
        std::string path = ProbeDir + "/" + s.substr(0, s.find(' '));
        std::vector<TraceLine> t = CheckShape(RunChild(path, {s.substr(s.find(' ') + 1)}), 201);
        ASSERT_EQ(t.size(), 6u);
        for (const TraceLine& l : t) EXPECT_EQ(l.rest, "");
    }
}

// A stripped executable names routines through its matching debug file; an
// unstripped one whose debug link is wrong keeps its own table.
TEST(ErrorReport, SplitDebugInformation) {
    for (const char* exe : {"rt_probe_split", "rt_probe_ownbad"}) {
        SCOPED_TRACE(exe);
        std::vector<TraceLine> t = CheckShape(RunChild(ProbeDir + "/" + exe, {"range"}), 201);
        ASSERT_EQ(t.size(), 6u);
        EXPECT_EQ(t[0].rest, Named("FAILING", LineOf(MainSource, "range-fail"), MainSource));
        EXPECT_EQ(t[4].rest, Named("main", LineOf(MainSource, "main-run"), MainSource));
    }
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
    for (StdErrTarget target : {StdErrTarget::Closed, StdErrTarget::Full}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.mode);
            ChildResult r = RunChild(Probe, {c.mode}, target, 10);
            EXPECT_FALSE(r.timedOut);
            EXPECT_TRUE(r.exited);
            EXPECT_EQ(r.exitCode, c.code);
        }
    }
}

}  // namespace
