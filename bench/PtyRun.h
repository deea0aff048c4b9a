// A program on a pty that the benchmark plays as the terminal (the test
// suite's ChildProcess, with standard error on the terminal too), answering
// the cursor-position and device-attributes requests as a terminal would,
// so that the program never waits out its timeouts. Used to count the bytes
// a drawing costs and the CPU time a wait costs.
#pragma once
#include <string>
#include <vector>

#include "ChildProcess.h"

class PtyRun : public ChildProcess {
public:
    PtyRun(const std::string& term, int cols, int rows, std::vector<std::string> argv,
           const std::string& workdir = "");
    // Keeps reading (and answering) for this long.
    void Drain(int ms);

private:
    size_t answered_ = 0;   // output already scanned for requests
};

double CpuMs(const rusage& ru);
