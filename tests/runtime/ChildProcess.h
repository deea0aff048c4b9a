// Runs a test program as a child process and collects what it leaves behind.
#pragma once
#include <string>
#include <vector>

// SameAsOut: standard error goes into the standard output pipe, so the
// order of what the two receive shows.
enum class StdErrTarget { Pipe, Closed, Full, SameAsOut };

struct ChildResult {
    bool exited = false;     // ended by exit, not by a signal or the time limit
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs path with args in directory cwd (empty: this one); standard input
// holds input (empty: /dev/null). Kills the child after timeoutSeconds, so
// that a hang shows as a failure, not a stuck test run.
ChildResult RunChild(const std::string& path, const std::vector<std::string>& args,
                     StdErrTarget errTarget = StdErrTarget::Pipe, int timeoutSeconds = 20,
                     const std::string& input = "", const std::string& cwd = "");
