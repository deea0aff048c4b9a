// The console demo's runs. In a tmux pane, run by a shell script that notes
// the terminal's modes before and after the run and the demo's exit status,
// so a test can look at the screen during the run and at what the run left
// (all of TmuxSession's keys, screens and waits apply to the pane); or on a
// pty the test plays as the terminal itself (ChildProcess on a pty).
#pragma once
#include <string>
#include <utility>

#include "ChildProcess.h"
#include "Files.h"
#include "TmuxSession.h"

struct DemoRun {
    DemoRun(std::string term, std::string scenario, std::string locale = "C.UTF-8")
        : Term(std::move(term)), Scenario(std::move(scenario)), Locale(std::move(locale)) {}
    std::string Term;
    std::string Scenario;   // the demo's arguments, e.g. "keys" or "pause 300"
    std::string Locale;
};

// The script's folder, made before the pane starts and removed after it.
struct PaneFolder {
    TempDir Folder;
};

class ConsolePane : private PaneFolder, public TmuxSession {
public:
    explicit ConsolePane(const DemoRun& run);

    // Waits for the script's end marker and gives the demo's shell status
    // (-1 when the run never ended).
    int WaitForEnd(int timeoutMs = WaitMs);
    // The modes after the run equal those before it.
    bool ModesSame();
    // The demo's process id (the script notes it before the demo starts);
    // -1 when it never started.
    int DemoPid();

private:
    std::string File(const char* name) const { return Folder.File(name); }
};

// The demo with one scenario on a pty, TERM=xterm-256color, 80 x 25.
struct DemoOnPty : ChildProcess {
    explicit DemoOnPty(const char* scenario);
};
