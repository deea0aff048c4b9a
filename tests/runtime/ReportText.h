// Reading the run-time error report of a child process, and the probe
// sources whose marked lines it must name.
#pragma once
#include <string>
#include <vector>

#include "ChildProcess.h"

// The number of the line that ends with "// @marker" in a source file of the
// tree (a path from the top, as the report shows it).
int LineOf(const std::string& source, const std::string& marker);

// The lines of a text whose every line ends with CR LF; a failure for text
// after the last CR LF or a bare LF inside a line.
std::vector<std::string> CrLfLines(const std::string& text);

// 16 capital hexadecimal digits.
bool IsAddress(const std::string& s);
// "  $" and an address, nothing else.
bool IsAddressOnly(const std::string& line);
// What follows the address in a fully named back-trace line.
std::string Named(const std::string& routine, int line, const std::string& source);

// A back-trace line: its address, then what follows the address.
struct TraceLine {
    std::string addr;
    std::string rest;
};
TraceLine Split(const std::string& line);

// Checks a whole report: the first line with the code, the failing routine's
// line at the same address, the caller lines, the start-up code's
// address-only line (unless the walk was cut short), the empty last line,
// and the exit code. Gives back the trace lines (second line up to the empty one).
std::vector<TraceLine> CheckShape(const ChildResult& r, int code, bool reachesStartup = true);
