#include "TmuxSession.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChildProcess.h"
#include "Processes.h"

namespace {

std::atomic<int> gSessionCount{0};

std::vector<std::string> SplitLines(const std::string& s) {
    std::vector<std::string> lines;
    std::istringstream in(s);
    std::string line;
    while (std::getline(in, line)) {
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}

// The terminal modes of a tty we may open without making it ours.
bool TtyModes(const std::string& tty, termios& modes) {
    int fd = open(tty.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    bool ok = tcgetattr(fd, &modes) == 0;
    close(fd);
    return ok;
}

}  // namespace

TmuxSession::TmuxSession(const std::string& command, const std::string& workdir, int width,
                         int height) {
    int n = gSessionCount++;
    socket_ = "kz-" + std::to_string(getpid()) + "-" + std::to_string(n);
    // The pane must be exactly width x height: no status line. The pane stays
    // after the program ends, as the program left it: no note that it has
    // ended scrolls the screen.
    confPath_ = files_.File("tmux.conf");
    {
        std::ofstream conf(confPath_);
        conf << "set -g status off\n"
                "set -g remain-on-exit on\n"
                "set -g remain-on-exit-format ''\n"
                "set -g default-terminal screen-256color\n"
                "set -g history-limit 0\n";
    }
    statusPath_ = files_.File("status");
    // The shell outlives a Ctrl-C meant for the command (a handler, unlike an
    // ignored signal, is not inherited) so that it can still note the status.
    std::string wrapped = "trap : INT; (" + command + "); echo $? > '" + statusPath_ + "'";
    const std::string dir = workdir.empty() ? std::filesystem::current_path().string() : workdir;
    started_ = Tmux({"-f", confPath_, "new-session", "-d", "-s", "kz", "-x", std::to_string(width), "-y",
                     std::to_string(height), "-c", dir, "-e", "LANG=C.UTF-8", "-e", "LC_ALL=C.UTF-8", wrapped}) == 0;
}

TmuxSession::~TmuxSession() {
    Tmux({"kill-server"});
}

// Standard output captured only when out is given: without a pipe, a server
// that tmux starts in the background can't hold our read end open. Standard
// input and error go to /dev/null, so tmux never looks for a terminal of
// ours. The server inherits the environment: UTF-8, so literal keys and the
// pane's characters are taken as UTF-8.
int TmuxSession::Tmux(const std::vector<std::string>& args, std::string* out) {
    ChildSetup s;
    s.Argv = {"tmux", "-u", "-L", socket_};
    s.Argv.insert(s.Argv.end(), args.begin(), args.end());
    s.Env = {"TMUX", "LANG=C.UTF-8", "LC_ALL=C.UTF-8"};
    s.CaptureOut = out != nullptr;
    s.Stderr = ChildSetup::Err::DevNull;
    const ChildResult r = RunChild(s);
    if (out) *out = r.out;
    return r.exited ? r.exitCode : -1;
}

void TmuxSession::SendKeys(const std::string& names) {
    std::vector<std::string> args = {"send-keys", "-t", "kz"};
    std::istringstream in(names);
    std::string name;
    while (in >> name) args.push_back(name);
    Tmux(args);
}

void TmuxSession::SendBytes(const std::string& raw) {
    std::vector<std::string> args = {"send-keys", "-t", "kz", "-H"};
    static const char* hex = "0123456789abcdef";
    for (unsigned char c : raw) args.push_back(std::string{hex[c >> 4], hex[c & 15]});
    Tmux(args);
}

std::string TmuxSession::Display(const std::string& format) {
    std::string out;
    Tmux({"display", "-p", "-t", "kz", format}, &out);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

void TmuxSession::Resize(int width, int height) {
    Tmux({"resize-window", "-t", "kz", "-x", std::to_string(width), "-y", std::to_string(height)});
}

void TmuxSession::SendLiteral(const std::string& text) { Tmux({"send-keys", "-t", "kz", "-l", text}); }

std::string TmuxSession::Screen() {
    std::string out;
    Tmux({"capture-pane", "-p", "-t", "kz"}, &out);
    return out;
}

std::vector<std::string> TmuxSession::Lines() { return SplitLines(Screen()); }

// -N keeps the blanks at the ends of rows, which carry the page colours.
std::vector<StyledLine> TmuxSession::Styled() {
    std::string out;
    Tmux({"capture-pane", "-p", "-e", "-N", "-t", "kz"}, &out);
    return ParseStyledCapture(out);
}

std::string TmuxSession::Row(int y) {
    auto lines = Lines();
    return y >= 0 && y < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(y)] : "";
}

std::string TmuxSession::PaneTty() {
    if (tty_.empty()) tty_ = Display("#{pane_tty}");
    return tty_;
}

bool TmuxSession::WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    return PollUntil(condition, timeoutMs);
}

bool TmuxSession::WaitForText(const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return Screen().find(text) != std::string::npos; }, timeoutMs);
}

bool TmuxSession::WaitForRow(int y, const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return Row(y) == text; }, timeoutMs);
}

bool TmuxSession::WaitForCursor(int x, int y, int timeoutMs) {
    const std::string want = std::to_string(x) + " " + std::to_string(y);
    return WaitUntil([&] { return Display("#{cursor_x} #{cursor_y}") == want; }, timeoutMs);
}

bool TmuxSession::WaitForKeyMode(int timeoutMs) {
    return WaitUntil(
        [&] {
            termios modes{};
            return TtyModes(PaneTty(), modes) && !(modes.c_lflag & ICANON);
        },
        timeoutMs);
}

int TmuxSession::WaitForProcess(const std::string& name, int timeoutMs) {
    int pid = -1;
    const int shell = std::atoi(Display("#{pane_pid}").c_str());
    WaitUntil([&] { return (pid = FindProcess(shell, name)) > 0; }, timeoutMs);
    return pid;
}

namespace {

// The status line the wrapping shell wrote, "" while the command runs.
std::string StatusLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line) || in.eof()) return "";   // no line end yet: still being written
    return line;
}

}  // namespace

bool TmuxSession::Dead() { return !StatusLine(statusPath_).empty(); }

bool TmuxSession::WaitForExit(int timeoutMs) {
    return WaitUntil([&] { return Dead(); }, timeoutMs);
}

int TmuxSession::ExitStatus() {
    std::string line = StatusLine(statusPath_);
    if (line.empty()) return -1;
    try {
        return std::stoi(line);
    } catch (...) {
        return -1;
    }
}

BashSession::BashSession(const std::string& workdir, int width, int height)
    : TmuxSession("env PS1='PROMPT$ ' TERM=xterm-256color bash --norc --noprofile -i", workdir, width,
                  height) {}

void BashSession::Run(const std::string& commandLine) {
    SendLiteral(commandLine);
    SendKeys("Enter");
}

bool BashSession::WaitForPrompts(int count, int timeoutMs) {
    return WaitUntil(
        [&] {
            int seen = 0;
            for (const std::string& line : Lines())
                if (line.rfind("PROMPT$", 0) == 0) seen++;
            return seen >= count;
        },
        timeoutMs);
}
