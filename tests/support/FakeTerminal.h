// A program on the slave side of a pty, with the test playing its terminal:
// everything the program writes is kept (raw, or as the text a terminal
// would show), the test sends it bytes as a terminal's keyboard would, and
// the modes of the terminal stay readable after the program has ended. For
// what tmux cannot stand in for: start-up queries a test answers itself,
// keyboard protocols tmux does not speak.
//
// Waiting: every Wait* reads what the program writes until its condition
// holds (true) or timeoutMs have passed (false); nothing waits a fixed time.
//   WaitForRaw(bytes)    these bytes were written (escape sequences included)
//   WaitForText(text)    this text shows, escape sequences dropped
//   WaitUntil(cond)      anything else on Raw() or Text()
//   WaitExit()           the program's wait status once it has ended
// Every wait ends by its deadline; a program still running when the object
// goes away is killed.
#pragma once
#include <termios.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "Poll.h"

// Generous: a loaded two-core machine starting the sanitizer build.
constexpr int PtyStartMs = 15000;

class FakeTerminal {
public:
    struct Setup {
        std::vector<std::string> Argv;   // the program and its arguments
        std::string Term = "xterm-256color";
        std::string Workdir;             // empty: the test's own
        int Width = 80, Height = 25;
    };
    // Starts the program with TERM and LANG=C.UTF-8 on a pty of the given
    // size that becomes its controlling terminal; its standard error goes
    // to a pipe of its own (Stderr()).
    explicit FakeTerminal(const Setup& setup);
    ~FakeTerminal();
    FakeTerminal(const FakeTerminal&) = delete;
    FakeTerminal& operator=(const FakeTerminal&) = delete;

    bool Started() const { return ok_; }
    const std::string& Raw() const { return raw_; }
    std::string Text() const;
    const std::string& Stderr() const { return errText_; }
    const termios& ModesBefore() const { return before_; }
    termios ModesNow() const;

    // Bytes typed at the terminal; waits meanwhile if the program is behind.
    void Send(const std::string& bytes);

    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = WaitMs);
    bool WaitForRaw(const std::string& bytes, int timeoutMs = WaitMs, size_t from = 0);
    bool WaitForText(const std::string& text, int timeoutMs = WaitMs);
    // The wait status once the program has ended; -1 while it still runs
    // after timeoutMs.
    int WaitExit(int timeoutMs = WaitMs);

private:
    // One round over the master and the program's stderr, waiting up to
    // timeoutMs for either; true when something was read.
    bool Pump(int timeoutMs);

    int master_ = -1, slave_ = -1, err_ = -1;
    pid_t pid_ = -1;
    bool ok_ = false, ended_ = false;
    termios before_{}, after_{};
    std::string raw_, errText_;
};

// The characters a terminal would show for these bytes: escape sequences and
// control bytes dropped.
std::string VisibleText(const std::string& raw);

// The terminal modes two termios records set are the same.
bool SameModes(const termios& a, const termios& b);
