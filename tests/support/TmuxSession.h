// A program run inside a private, detached tmux server: a pane of the given
// size with no status line, keys sent to it, its screen read back as text or
// with its colours, and its exit status once it has ended. Needs no terminal
// of its own; the server is killed when the session object goes away, also
// when a test fails half-way.
//
// Waiting: a test never sleeps a fixed time, it waits for what it checks.
// Every Wait* below asks again every few milliseconds and returns true as
// soon as the condition holds, false once timeoutMs have passed:
//   WaitForText(text)       the text shows anywhere on the screen; also the
//                           way to wait for a program's ready line (the
//                           console demo writes "ready" once its terminal is
//                           set up, the program its prompt)
//   WaitForRow(y, text)     row y reads exactly text (trailing blanks dropped)
//   WaitForCursor(x, y)     the cursor stands at column x, row y (0-based)
//   WaitForKeyMode()        the pane's terminal has left canonical mode: the
//                           program has set its terminal up and reads keys one
//                           by one (use it where the program shows nothing)
//   WaitForProcess(name)    a process of that name runs in the pane; its pid
//   WaitForExit()           the command has ended; then ExitStatus()
//   WaitUntil(condition)    anything else, e.g. on Lines()
// To act only once the program waits for a key (or sleeps in a pause), ask
// Processes.h: WaitUntilWaitingForInput(WaitForProcess(name)).
// Keys sent to a program arrive in order, so a run of keys can go in one
// SendKeys; only a lone Escape needs the program to have taken it (its effect
// on the screen) before the next key, or the two read as Alt and that key.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "Files.h"
#include "Poll.h"
#include "StyledCapture.h"

class TmuxSession {
public:
    // Runs `command` through sh in workdir (empty: the current directory),
    // with LANG=C.UTF-8. The shell around it notes the command's exit status
    // in a file of the session's: tmux itself sometimes never collects the
    // status of a pane's process.
    explicit TmuxSession(const std::string& command, const std::string& workdir = "", int width = 80,
                         int height = 25);
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    bool Started() const { return started_; }

    // Key names as tmux knows them, separated by spaces: "Enter", "Escape",
    // "F1", "Left", "C-y", "a", or "End Enter" for two keys.
    void SendKeys(const std::string& names);
    // Text typed as it is (UTF-8), with no key-name lookup.
    void SendLiteral(const std::string& text);
    // Bytes sent to the program exactly as given.
    void SendBytes(const std::string& raw);
    // A tmux format for the pane, e.g. "#{cursor_x}".
    std::string Display(const std::string& format);
    void Resize(int width, int height);

    // The screen's rows, trailing blanks dropped.
    std::vector<std::string> Lines();
    std::string Screen();
    // Row y (0-based), or "" beyond the screen.
    std::string Row(int y);
    // The cells with their colours, blanks at the ends of rows kept.
    std::vector<StyledLine> Styled();

    bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = WaitMs);
    bool WaitForText(const std::string& text, int timeoutMs = WaitMs);
    bool WaitForRow(int y, const std::string& text, int timeoutMs = WaitMs);
    bool WaitForCursor(int x, int y, int timeoutMs = WaitMs);
    bool WaitForKeyMode(int timeoutMs = WaitMs);
    int WaitForProcess(const std::string& name, int timeoutMs = WaitMs);   // -1 if none
    bool WaitForExit(int timeoutMs = WaitMs);
    bool Dead();
    // The command's exit status once it has ended (128 + n after signal n),
    // -1 before.
    int ExitStatus();

private:
    // Runs tmux with these arguments against this session's server; returns
    // its exit status and its standard output in out (if given).
    int Tmux(const std::vector<std::string>& args, std::string* out = nullptr);
    std::string PaneTty();

    std::string socket_;
    TempDir files_;   // the server's configuration and the command's status
    std::string confPath_;
    std::string statusPath_;
    std::string tty_;
    bool started_ = false;
};

// An interactive bash in a tmux pane, as users have it, with the prompt
// "PROMPT$ " and no start-up files.
class BashSession : public TmuxSession {
public:
    explicit BashSession(const std::string& workdir, int width = 100, int height = 30);
    // Types the line and Enter.
    void Run(const std::string& commandLine);
    // Waits until the screen shows `count` prompts: the first one when bash
    // has started, one more whenever a command line has ended.
    bool WaitForPrompts(int count, int timeoutMs = WaitMs);
};
