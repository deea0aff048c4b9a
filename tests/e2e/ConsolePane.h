// The console demo run by a shell script inside a tmux pane: the script
// notes the terminal's modes before and after the run and the exit status,
// so a test can look at the screen during the run and at what the run left.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "StyledCapture.h"

class TmuxSession;

struct DemoRun {
    DemoRun(std::string term, std::string scenario, std::string stdinFrom = "",
            std::string locale = "C.UTF-8")
        : Term(std::move(term)), Scenario(std::move(scenario)), StdinFrom(std::move(stdinFrom)),
          Locale(std::move(locale)) {}
    std::string Term;
    std::string Scenario;
    std::string StdinFrom;   // a file for standard input; empty: the terminal
    std::string Locale;
    int Width = 100, Height = 30;
};

class ConsolePane {
public:
    explicit ConsolePane(const DemoRun& run);
    ~ConsolePane();

    // The screen as text, one string per row, trailing blanks dropped.
    std::vector<std::string> Rows();
    std::vector<StyledLine> Styled();
    // Waits until the text shows anywhere on the screen.
    bool WaitFor(const std::string& text, int timeoutMs = 5000);
    // Waits for the script's end marker and gives the demo's shell status
    // (-1 when the run never ended).
    int WaitForEnd(int timeoutMs = 10000);
    // The modes after the run equal those before it.
    bool ModesSame();

    void Keys(const std::string& tmuxKeyNames);   // e.g. "F1", "C-c", "Escape"
    void Literal(const std::string& text);
    void Bytes(const std::string& raw);           // sent exactly, byte for byte
    std::string Format(const std::string& fmt);   // display -p
    void Resize(int width, int height);
    // The demo's process id (the script writes it before the demo starts).
    int DemoPid();

private:
    std::string dir_;
    std::unique_ptr<TmuxSession> tmux_;
};

// Sleeps a little: keys need gaps where the terminal would have them.
void PauseMs(int ms);
// A row's text and a row's first position of a text, for assertions.
bool AnyRowStartsWith(const std::vector<std::string>& rows, const std::string& prefix);
