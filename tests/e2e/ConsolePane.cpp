#include "ConsolePane.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "TmuxSession.h"

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::string> SplitRows(const std::string& text) {
    std::vector<std::string> rows;
    std::string row;
    for (char c : text) {
        if (c == '\n') {
            rows.push_back(row);
            row.clear();
        } else {
            row += c;
        }
    }
    if (!row.empty()) rows.push_back(row);
    for (std::string& r : rows)
        while (!r.empty() && r.back() == ' ') r.pop_back();
    return rows;
}

}  // namespace

void PauseMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool AnyRowStartsWith(const std::vector<std::string>& rows, const std::string& prefix) {
    for (const std::string& r : rows)
        if (r.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

ConsolePane::ConsolePane(const DemoRun& run) {
    char tmpl[] = "/tmp/console_pane_XXXXXX";
    dir_ = mkdtemp(tmpl) ? tmpl : "/tmp";
    // The script survives the Ctrl-C meant for the demo (a handler, unlike an
    // ignored signal, is not inherited), writes the demo's pid, and notes the
    // modes and the status. The demo runs in the shell's place so the pid is
    // the demo's.
    std::string demo = "exec env TERM=" + run.Term + " LC_ALL=" + run.Locale + " " +
                       Quote(CONSOLE_DEMO_PATH) + " " + run.Scenario;
    if (!run.StdinFrom.empty()) demo += " < " + Quote(run.StdinFrom);
    std::string script = "trap : INT; cd " + Quote(dir_) +
                         " || exit; stty -g > before; sh -c " + Quote("echo $$ > demo.pid; " + demo) +
                         "; echo status=$?; stty -g > after; echo $? > ended; sleep 600";
    tmux_ = std::make_unique<TmuxSession>(run.Width, run.Height, "sh -c " + Quote(script));
}

ConsolePane::~ConsolePane() {
    tmux_.reset();
    for (const char* f : {"before", "after", "ended", "demo.pid"}) unlink((dir_ + "/" + f).c_str());
    rmdir(dir_.c_str());
}

std::vector<std::string> ConsolePane::Rows() { return SplitRows(tmux_->Capture()); }

// -N keeps the blanks at the ends of rows, which carry the page colours.
std::vector<StyledLine> ConsolePane::Styled() {
    std::string out;
    tmux_->Tmux({"capture-pane", "-p", "-e", "-N"}, &out);
    return ParseStyledCapture(out);
}

bool ConsolePane::WaitFor(const std::string& text, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (tmux_->Capture().find(text) != std::string::npos) return true;
        PauseMs(20);
    }
    return false;
}

int ConsolePane::WaitForEnd(int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (!Slurp(dir_ + "/ended").empty()) {
            for (const std::string& row : Rows())
                if (row.compare(0, 7, "status=") == 0) return std::atoi(row.c_str() + 7);
            // The status line may have been drawn over a page row.
            std::string all = tmux_->Capture();
            size_t at = all.find("status=");
            return at == std::string::npos ? -1 : std::atoi(all.c_str() + at + 7);
        }
        PauseMs(20);
    }
    return -1;
}

bool ConsolePane::ModesSame() {
    std::string before = Slurp(dir_ + "/before"), after = Slurp(dir_ + "/after");
    return !before.empty() && before == after;
}

void ConsolePane::Keys(const std::string& names) { tmux_->SendKeys(names); }
void ConsolePane::Literal(const std::string& text) { tmux_->SendLiteral(text); }
void ConsolePane::Bytes(const std::string& raw) { tmux_->SendBytes(raw); }
std::string ConsolePane::Format(const std::string& fmt) { return tmux_->Display(fmt); }
void ConsolePane::Resize(int width, int height) { tmux_->Resize(width, height); }

int ConsolePane::DemoPid() {
    for (int i = 0; i < 100; i++) {
        std::string pid = Slurp(dir_ + "/demo.pid");
        if (!pid.empty()) return std::atoi(pid.c_str());
        PauseMs(20);
    }
    return -1;
}
