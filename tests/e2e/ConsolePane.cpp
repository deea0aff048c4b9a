#include "ConsolePane.h"

#include <stdlib.h>

#include "Files.h"
#include "Poll.h"

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The script survives the Ctrl-C meant for the demo (a handler, unlike an
// ignored signal, is not inherited), notes the demo's pid, the modes and the
// status. The demo runs in the shell's place so the pid is the demo's. At
// the end the script waits for a line that never comes: the pane stays
// alive, and with it the terminal's modes as the run left them.
std::string Script(const DemoRun& run, const std::string& dir) {
    std::string demo = "exec env TERM=" + run.Term + " LC_ALL=" + run.Locale + " " +
                       Quote(CONSOLE_DEMO_PATH) + " " + run.Scenario;
    std::string script = "trap : INT; cd " + Quote(dir) + " || exit; stty -g > before; sh -c " +
                         Quote("echo $$ > demo.pid; " + demo) +
                         "; echo status=$?; stty -g > after; echo $? > ended; read -r never";
    return "sh -c " + Quote(script);
}

}  // namespace

DemoOnPty::DemoOnPty(const char* scenario) : ChildProcess(OnPty({CONSOLE_DEMO_PATH, scenario})) {}

ConsolePane::ConsolePane(const DemoRun& run)
    : TmuxSession(Script(run, Folder.Path()), Folder.Path(), 100, 30) {}

int ConsolePane::WaitForEnd(int timeoutMs) {
    if (!PollUntil([&] { return !ReadWholeFile(File("ended")).empty(); }, timeoutMs)) return -1;
    for (const std::string& row : Lines())
        if (row.compare(0, 7, "status=") == 0) return std::atoi(row.c_str() + 7);
    // The status line may have been drawn over a page row.
    std::string all = Screen();
    size_t at = all.find("status=");
    return at == std::string::npos ? -1 : std::atoi(all.c_str() + at + 7);
}

bool ConsolePane::ModesSame() {
    std::string before = ReadWholeFile(File("before")), after = ReadWholeFile(File("after"));
    return !before.empty() && before == after;
}

int ConsolePane::DemoPid() {
    std::string pid;
    PollUntil([&] { return !(pid = ReadWholeFile(File("demo.pid"))).empty(); });
    return pid.empty() ? -1 : std::atoi(pid.c_str());
}
