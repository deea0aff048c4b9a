// The reports of the whole program and of its shared routines: each line
// names exactly the line of the failing check or of the call that led there.
// The expected lines are found in the sources by their text, so that an edit
// elsewhere in a file does not break the test.
#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "Files.h"
#include "ReportText.h"

namespace {

std::vector<std::string> SourceLines(const std::string& relative) {
    std::ifstream in(std::string(PROBE_SOURCE_DIR) + "/../../" + relative);
    std::vector<std::string> lines{""};   // numbered from 1
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// The line that holds the last of the texts, each searched from the line
// after the previous one's: {"void BEOLVAS(", "for (int32_t J", "IOCheck();"}
// is the first I/O check inside BEOLVAS's column loop.
int LineAfter(const std::string& source, std::initializer_list<const char*> texts) {
    std::vector<std::string> src = SourceLines(source);
    size_t at = 0;
    for (const char* text : texts) {
        for (at++; at < src.size() && src[at].find(text) == std::string::npos; at++) {
        }
        if (at >= src.size()) {
            ADD_FAILURE() << "no \"" << text << "\" in " << source;
            return -1;
        }
    }
    return static_cast<int>(at);
}

// The tenth row fails the row index where the cell is stored; a decimal
// point fails the check of the cell's read. The main line's line is its call
// of BEOLVAS.
TEST(ProgramReport, FailuresInBEOLVASNameTheirLines) {
    const std::string source = "kelmarosz.cpp";
    struct Case {
        const char* data;
        int code;
        int failing;
    } cases[] = {
        {"10 3\n1 2 3\n4 5 6\n7 8 9\n1 2 3\n4 5 6\n7 8 9\n1 2 3\n4 5 6\n7 8 9\n1 2 3\n", 201,
         LineAfter(source, {"void BEOLVAS(", "for (int32_t J = 1; J <= M; J++)", "MAT.At(I, J)"})},
        {"2 2\n1 1.5\n0 0\n", 106,
         LineAfter(source, {"void BEOLVAS(", "for (int32_t J = 1; J <= M; J++)", "TextReadInt(F, v);", "IOCheck();"})},
    };
    const int caller = LineAfter(source, {"int main(", "BEOLVAS(FN);"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        TempDir dir;
        ASSERT_TRUE(WriteWholeFile(dir.File("hiba.dat"), c.data));
        ChildResult r = RunChild(KELMAROSZ_EXE, {}, ChildSetup::Err::Pipe, 20, "hiba\r", dir.Path());
        std::vector<TraceLine> t = CheckShape(r, c.code);
        ASSERT_EQ(t.size(), 3u) << r.err;
        EXPECT_EQ(t[0].rest, Named("BEOLVAS", c.failing, source));
        EXPECT_EQ(t[1].rest, Named("main", caller, source));
    }
}

// A shared routine shows its file's path from the top of the tree.
TEST(ProgramReport, SharedRoutineShowsItsRelativePath) {
    ChildResult r = RunChild(UJLAP_PROBE, {});
    std::vector<TraceLine> t = CheckShape(r, 201);
    ASSERT_EQ(t.size(), 3u) << r.err;
    EXPECT_EQ(t[0].rest, Named("UJLAP", LineAfter("Rutinok/AltRutinok.cpp", {"void UJLAP(", "CheckRange("}),
                               "Rutinok/AltRutinok.cpp"));
    EXPECT_EQ(t[1].rest, Named("main", LineOf("tests/runtime/UjlapProbe.cpp", "ujlap-call"), "tests/runtime/UjlapProbe.cpp"));
}

}  // namespace
