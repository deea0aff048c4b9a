#include "PtyRun.h"

namespace {

ChildSetup Setup(const std::string& term, int cols, int rows, std::vector<std::string> argv,
                 const std::string& workdir) {
    ChildSetup s = OnPty(std::move(argv), term, cols, rows);
    s.Stderr = ChildSetup::Err::SameAsOut;
    s.Workdir = workdir;
    return s;
}

}  // namespace

PtyRun::PtyRun(const std::string& term, int cols, int rows, std::vector<std::string> argv,
               const std::string& workdir)
    : ChildProcess(Setup(term, cols, rows, std::move(argv), workdir)) {
    // A terminal answers the cursor-position request and the device
    // attributes request (a VT100 with advanced video).
    AfterRead = [this] {
        for (;;) {
            const size_t cpr = Out().find("\x1b[6n", answered_), da = Out().find("\x1b[c", answered_);
            if (cpr == std::string::npos && da == std::string::npos) break;
            answered_ = std::min(cpr, da) + (cpr < da ? 4 : 3);
            Send(cpr < da ? "\x1b[1;1R" : "\x1b[?1;2c");
        }
        if (Out().size() > 4) answered_ = std::max(answered_, Out().size() - 3);
    };
}

void PtyRun::Drain(int ms) { WaitUntil([] { return false; }, ms); }

double CpuMs(const rusage& ru) {
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
}
