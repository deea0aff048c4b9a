// A whole run on a terminal that cannot place its cursor (TERM=dumb, as in
// an editor's shell buffer), on a pty the test plays as that terminal: the
// pages arrive as plain lines of text, with no escape sequence at all, and
// the keys work as everywhere.
#include <sys/wait.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"

namespace {

std::vector<std::string> Lines(const std::string& raw) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at = raw.find("\r\n"); at != std::string::npos; at = raw.find("\r\n", from)) {
        lines.push_back(raw.substr(from, at - from));
        from = at + 2;
    }
    lines.push_back(raw.substr(from));
    return lines;
}

// The lines that follow the one equal to `first`, as many as `rows` holds.
void ExpectLinesAfter(const std::vector<std::string>& lines, const std::string& first,
                      const std::vector<std::string>& rows) {
    size_t at = 0;
    while (at < lines.size() && lines[at] != first) at++;
    ASSERT_LT(at, lines.size()) << "no line " << first;
    for (size_t i = 0; i < rows.size(); i++) {
        ASSERT_LT(at + 1 + i, lines.size()) << first;
        EXPECT_EQ(lines[at + 1 + i], rows[i]) << "line " << i + 1 << " after " << first;
    }
}

TEST(DumbTerminal, PagesArePlainLinesWithoutEscapes) {
    ChildSetup setup = OnPty({KELMAROSZ_EXE}, "dumb", 64, 20);
    setup.Workdir = KELMAROSZ_DATA_DIR;
    ChildProcess t(setup);
    ASSERT_TRUE(t.Started());
    const std::string prompt = "Fájlnév (*.dat, opcionális: 4x8_1,5x3,8_ures):";
    ASSERT_TRUE(t.WaitForOut(prompt, PtyStartMs)) << t.Out() << t.Err();
    t.Send("pelda_2x3\r");
    // Each key wait's page, then the key that ends it.
    for (const char* page : {"   2   7   0   0", "   2   *", "   2  -6   0   0", "   2  -6 -12 -12",
                             "A részmátrix területe:2"}) {
        ASSERT_TRUE(t.WaitForOut(page)) << page << "\n" << t.Out();
        t.Send(" ");
    }
    const int status = t.WaitExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(t.Err(), "");

    const std::string& raw = t.Out();
    EXPECT_EQ(raw.find('\x1b'), std::string::npos) << raw;
    const std::vector<std::string> lines = Lines(raw);
    // A cleared page is an empty line; the title keeps its indent, the
    // typed name follows the prompt, the tables' rows are lines.
    ExpectLinesAfter(lines, "", {std::string(24, ' ') + "Kelmarosz keresése -- beolvasás", prompt + "pelda_2x3",
                                 "A beolvasás sikerült.", "", "       1   2   3", "   1   0   5   0",
                                 "   2   7   0   0", "", "Üres-nem üres:"});
    ExpectLinesAfter(lines, "Rész-összegek mátrixa:", {"", "       1   2   3", "   1   0  -6  -6", "   2  -6 -12 -12", ""});
    ExpectLinesAfter(lines, std::string(20, ' ') + "Kelmarosz keresése -- eredmény:pelda_2x3",
                     {"A keresett részmátrix: (1,3)..(2,3)", "A részmátrix területe:2"});
}

}  // namespace
