// The reports of the whole program and of its shared routines: the lines
// named must hold the failing check and the calls that led there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace {

std::vector<std::string> SourceLines(const std::string& relative) {
    std::ifstream in(std::string(PROBE_SOURCE_DIR) + "/../../" + relative);
    std::vector<std::string> lines{""};   // numbered from 1
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// "  $<16 digits>  <routine>,  line <n> of <source>": gives n, or -1.
int NamedLine(const std::string& line, const std::string& routine, const std::string& source) {
    const std::string mid = "  " + routine + ",  line ";
    if (line.size() < 19 || line.compare(0, 3, "  $") != 0 || line.compare(19, mid.size(), mid) != 0) return -1;
    size_t numberAt = 19 + mid.size();
    size_t of = line.find(" of ", numberAt);
    if (of == std::string::npos || line.substr(of + 4) != source) return -1;
    return std::atoi(line.substr(numberAt, of - numberAt).c_str());
}

std::string TempDirWith(const std::string& name, const std::string& content) {
    char tmpl[] = "/tmp/kelmarosz-report-XXXXXX";
    std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    std::ofstream(dir + "/" + name) << content;
    return dir;
}

// The tenth row and a decimal point: the failing routine's line holds the
// failing check, the main line's the call of BEOLVAS.
TEST(ProgramReport, FailuresInBEOLVASNameTheirLines) {
    struct Case {
        const char* data;
        int code;
        const char* failingText;
    } cases[] = {
        {"10 3\n1 2 3\n4 5 6\n7 8 9\n1 2 3\n4 5 6\n7 8 9\n1 2 3\n4 5 6\n7 8 9\n1 2 3\n", 201, "MAT.At(I, J)"},
        {"2 2\n1 1.5\n0 0\n", 106, "IOCheck()"},
    };
    std::vector<std::string> src = SourceLines("kelmarosz.cpp");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        std::string dir = TempDirWith("hiba.dat", c.data);
        ChildResult r = RunChild(KELMAROSZ_EXE, {}, StdErrTarget::Pipe, 20, "hiba\r", dir);
        EXPECT_EQ(r.exitCode, c.code);
        std::vector<std::string> lines = CrLfLines(r.err);
        ASSERT_EQ(lines.size(), 5u) << r.err;
        EXPECT_EQ(lines[0].rfind("Runtime error " + std::to_string(c.code) + " at $", 0), 0u);
        EXPECT_EQ(lines[0].substr(lines[0].size() - 16), lines[1].substr(3, 16));
        int failing = NamedLine(lines[1], "BEOLVAS", "kelmarosz.cpp");
        ASSERT_GT(failing, 0) << lines[1];
        ASSERT_LT(failing, static_cast<int>(src.size()));
        EXPECT_NE(src[failing].find(c.failingText), std::string::npos) << src[failing];
        int caller = NamedLine(lines[2], "main", "kelmarosz.cpp");
        ASSERT_GT(caller, 0) << lines[2];
        ASSERT_LT(caller, static_cast<int>(src.size()));
        EXPECT_NE(src[caller].find("BEOLVAS("), std::string::npos) << src[caller];
        EXPECT_EQ(lines[3].size(), 19u) << lines[3];
        EXPECT_EQ(lines[4], "");
        std::remove((dir + "/hiba.dat").c_str());
        rmdir(dir.c_str());
    }
}
// A shared routine shows its file's path from the top of the tree.
TEST(ProgramReport, SharedRoutineShowsItsRelativePath) {
    ChildResult r = RunChild(UJLAP_PROBE, {});
    EXPECT_EQ(r.exitCode, 201);
    std::vector<std::string> lines = CrLfLines(r.err);
    ASSERT_GE(lines.size(), 4u) << r.err;
    int failing = NamedLine(lines[1], "UJLAP", "Rutinok/AltRutinok.cpp");
    ASSERT_GT(failing, 0) << lines[1];
    std::vector<std::string> src = SourceLines("Rutinok/AltRutinok.cpp");
    ASSERT_LT(failing, static_cast<int>(src.size()));
    EXPECT_NE(src[failing].find("CheckRange"), std::string::npos) << src[failing];
    int caller = NamedLine(lines[2], "main", "tests/runtime/UjlapProbe.cpp");
    std::vector<std::string> probe = SourceLines("tests/runtime/UjlapProbe.cpp");
    ASSERT_GT(caller, 0) << lines[2];
    EXPECT_NE(probe[caller].find("@ujlap-call"), std::string::npos) << probe[caller];
}

}  // namespace
