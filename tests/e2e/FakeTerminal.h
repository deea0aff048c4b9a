// A program on the slave side of a pty, with the test as its terminal: what
// the program writes is kept byte for byte, keys are sent as bytes, and the
// test answers the program's questions itself. Every wait ends by a
// deadline, and a program still running at the end is killed.
#pragma once
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

// Generous: a loaded two-core machine running the sanitizer build.
constexpr int kPtyStartMs = 15000;
constexpr int kPtyStepMs = 8000;

class FakeTerminal {
public:
    struct Setup {
        std::vector<std::string> Argv;   // the program and its arguments
        std::string Term = "xterm-256color";
        std::string Workdir;             // empty: the test's own
        int Width = 80, Height = 25;
    };
    explicit FakeTerminal(const Setup& setup);
    // The console demo with one scenario, TERM=xterm-256color, 80 x 25.
    explicit FakeTerminal(const char* scenario);
    ~FakeTerminal();

    FakeTerminal(const FakeTerminal&) = delete;
    FakeTerminal& operator=(const FakeTerminal&) = delete;

    bool Started() const { return ok_; }
    const std::string& Raw() const { return raw_; }
    // What a terminal would show: escape sequences and control bytes dropped.
    std::string Text() const;
    const std::string& Stderr() const { return errText_; }
    const termios& ModesBefore() const { return before_; }
    termios ModesNow() const;

    void Send(const std::string& bytes);
    // Reads what the program writes until `done` holds or the time is up.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // Waits until `needle` shows in the raw output at or after `from`.
    bool WaitForRaw(const std::string& needle, int timeoutMs = kPtyStepMs, size_t from = 0);
    bool WaitForText(const std::string& needle, int timeoutMs = kPtyStepMs);
    // The program's wait status once it ends; -1 when it is still running
    // after timeoutMs (it is then killed by the destructor).
    int WaitExit(int timeoutMs = kPtyStepMs);

private:
    // One poll round over the master and the program's stderr; true when
    // something was read.
    bool Pump(int timeoutMs);

    int master_ = -1, slave_ = -1, err_ = -1;
    pid_t pid_ = -1;
    bool ok_ = false, ended_ = false;
    termios before_{};
    std::string raw_, errText_;
};

// The characters a terminal would show: escape sequences and control bytes
// dropped, so the output reads as it appears whatever the cursor moves
// between flushes.
std::string VisibleText(const std::string& raw);
