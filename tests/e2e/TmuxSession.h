// A program run inside a private, detached tmux server: an 80 x 25 pane with
// no status line, keys sent to it, its screen read back as text or with SGR
// colour escapes, and its exit status read once it has ended. Needs no
// terminal of its own. Every wait has a deadline; the server is killed when
// the session object goes away, also when a test fails half-way.
#pragma once
#include <string>
#include <vector>

class TmuxSession {
public:
    // Runs `command` through sh in `workdir`, with LANG=C.UTF-8. The shell
    // around it notes the command's exit status in a file of the session's:
    // tmux itself sometimes never collects the status of a pane's process.
    TmuxSession(const std::string& command, const std::string& workdir, int width = 80,
                int height = 25);
    // The same in the test's current directory.
    TmuxSession(int width, int height, const std::string& command);
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
    // The screen with SGR escapes for the colours.
    std::string ScreenWithEscapes();
    std::string Capture() { return Screen(); }
    std::string CaptureStyled() { return ScreenWithEscapes(); }
    // Row y (0-based), or "" beyond the screen.
    std::string Row(int y);

    // Polls every 20 ms until the screen holds text; false after timeoutMs.
    bool WaitForText(const std::string& text, int timeoutMs = 5000);
    // Waits until row y equals text exactly (trailing blanks dropped).
    bool WaitForRow(int y, const std::string& text, int timeoutMs = 5000);
    // Waits for the command to end; false after timeoutMs.
    bool WaitForExit(int timeoutMs = 5000);
    bool Dead();
    // The command's exit status once it has ended (128 + n after signal n),
    // -1 before.
    int ExitStatus();

    // Runs tmux with these arguments against this session's server; returns
    // its exit status and its standard output in out (if given).
    int Tmux(const std::vector<std::string>& args, std::string* out = nullptr);

private:
    std::string socket_;
    std::string confPath_;
    std::string statusPath_;
    bool started_ = false;
};
