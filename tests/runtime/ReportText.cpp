#include "ReportText.h"

#include <gtest/gtest.h>

#include <fstream>

int LineOf(const std::string& source, const std::string& marker) {
    std::ifstream in(std::string(PROBE_SOURCE_DIR) + "/../../" + source);
    const std::string tag = "// @" + marker;
    std::string text;
    for (int n = 1; std::getline(in, text); n++)
        if (text.size() >= tag.size() && text.compare(text.size() - tag.size(), tag.size(), tag) == 0) return n;
    ADD_FAILURE() << "no marker " << marker << " in " << source;
    return -1;
}

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text after the last CR LF: " << text.substr(start);
            break;
        }
        std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare LF in: " << line;
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

bool IsAddress(const std::string& s) {
    return s.size() == 16 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

bool IsAddressOnly(const std::string& line) { return line.rfind("  $", 0) == 0 && IsAddress(line.substr(3)); }

std::string Named(const std::string& routine, int line, const std::string& source) {
    return "  " + routine + ",  line " + std::to_string(line) + " of " + source;
}

TraceLine Split(const std::string& line) {
    if (line.size() < 19 || line.compare(0, 3, "  $") != 0) return {"", line};
    return {line.substr(3, 16), line.substr(19)};
}

std::vector<TraceLine> CheckShape(const ChildResult& r, int code, bool reachesStartup) {
    EXPECT_TRUE(r.exited) << "signal " << r.signal << (r.timedOut ? " (timed out)" : "");
    EXPECT_EQ(r.exitCode, code);
    std::vector<std::string> lines = CrLfLines(r.err);
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
