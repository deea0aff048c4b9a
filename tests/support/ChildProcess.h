// The one way tests start a program: standard input from /dev/null, a file,
// a pipe the test writes, or closed; standard output and error captured,
// merged, or sent elsewhere; or a pty the test plays as the terminal, whose
// modes stay readable after the program has ended. Every wait has a
// deadline, and a program still running when the object goes away is killed.
//
//   WaitUntil(cond)      reads the program's output until cond holds
//   WaitForOut(bytes)    these bytes were written (on a pty: escapes included)
//   WaitForText(text)    on a pty: this text shows, escape sequences dropped
//   WaitExit()           the wait status once the program has ended, -1 while
//                        it still runs; the output read to its end
// What the program does meanwhile (waits for input, sleeps, spins) is asked
// of /proc through its Pid() (Processes.h).
#pragma once
#include <sys/resource.h>
#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <vector>

#include "Poll.h"

// Generous: a loaded two-core machine starting the sanitizer build.
constexpr int PtyStartMs = 15000;

struct ChildSetup {
    // The program (looked up in PATH when the name has no '/') and its arguments.
    std::vector<std::string> Argv;
    std::string Workdir;                  // empty: the test's own
    // Changes to the test's environment: "NAME=value" sets, "NAME" removes,
    // "NAME*" removes every variable whose name starts so.
    std::vector<std::string> Env;
    enum class In { DevNull, File, Pipe, Closed } Stdin = In::DevNull;
    std::string StdinFile;                // In::File
    bool CaptureOut = true;               // false: standard output goes to /dev/null
    enum class Err { Pipe, SameAsOut, DevNull, Closed, Full } Stderr = Err::Pipe;
    bool NewSession = false;              // a session of its own, without a controlling terminal
    // On a pty of this size instead: it is standard input and output and
    // the controlling terminal; Stdin, CaptureOut and NewSession do not apply.
    bool Pty = false;
    int Width = 80, Height = 25;
};

// The program on a pty with TERM and LANG=C.UTF-8, its standard error apart.
ChildSetup OnPty(std::vector<std::string> argv, const std::string& term = "xterm-256color", int width = 80,
                 int height = 25);

class ChildProcess {
public:
    explicit ChildProcess(const ChildSetup& setup);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Standard output (on a pty: everything the terminal received), and error.
    const std::string& Out() const { return out_; }
    const std::string& Err() const { return err_; }
    // On a pty: what the terminal shows of Out(), escape sequences dropped.
    std::string Text() const;

    // Bytes to standard input (typed at the terminal); waits meanwhile if
    // the program is behind.
    void Send(const std::string& bytes);
    void CloseInput();
    // The pty changes size (the program gets SIGWINCH).
    void Resize(int width, int height);
    const termios& ModesBefore() const { return before_; }
    termios ModesNow() const;
    // Runs after each piece of output read (a benchmark answers queries).
    std::function<void()> AfterRead;

    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = WaitMs);
    bool WaitForOut(const std::string& bytes, int timeoutMs = WaitMs, size_t from = 0);
    bool WaitForText(const std::string& text, int timeoutMs = WaitMs);
    int WaitExit(int timeoutMs = WaitMs);
    // After WaitExit: the resources the program used.
    const rusage& Usage() const { return usage_; }
    // One round over the program's output, waiting up to timeoutMs for
    // some; false once there is nothing left to read.
    bool Pump(int timeoutMs);

private:
    pid_t pid_ = -1;
    int in_ = -1, outFd_ = -1, errFd_ = -1;
    int slave_ = -1;   // a pty's slave side, kept open so its modes stay readable
    bool ended_ = false;
    int status_ = -1;
    rusage usage_{};
    termios before_{}, after_{};
    std::string out_, err_;
};

// A program run to its end, for tests that look only at what it left.
struct ChildResult {
    bool exited = false;     // ended by exit, not by a signal or the time limit
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

// The setup's program run to its end: standard input holding input (a pipe,
// closed once written; empty: as the setup says), killed after timeoutMs, so
// that a hang shows as a failure, not a stuck test run.
ChildResult RunChild(ChildSetup setup, int timeoutMs = WaitMs, const std::string& input = "");
// path with args in cwd (empty: this one), standard input holding input
// (empty: /dev/null).
ChildResult RunChild(const std::string& path, const std::vector<std::string>& args,
                     ChildSetup::Err errTarget = ChildSetup::Err::Pipe, int timeoutSeconds = 20,
                     const std::string& input = "", const std::string& cwd = "");

// The shell's view of a wait status: 128 + n after signal n.
int ShellStatus(int status);

// The characters a terminal would show for these bytes: escape sequences and
// control bytes dropped.
std::string VisibleText(const std::string& raw);

// The terminal modes two termios records set are the same.
bool SameModes(const termios& a, const termios& b);
