// The console module: at start it takes the window and colours from the
// screen and binds Output and Input to the window; at the end it gives the
// terminal its modes back (the screen keeps the last page).
#include <unistd.h>

#include <algorithm>
#include <string>

#include "Crt.h"
#include "CrtKeys.h"
#include "Errors.h"
#include "Modules.h"
#include "PlatformRegistry.h"

uint16_t LastMode = 0;

namespace {

uint32_t OneBased(int16_t v) { return static_cast<uint32_t>(std::max<int>(v, 0)) + 1; }

// The visible region becomes the window. When the screen can't be queried
// the zero-filled record leaves attribute 0 and the single cell (1, 1).
void TakeWindowFromScreen() {
    ScreenBufferInfo info{};
    (void)Platform().GetScreenBufferInfo(info);
    TextAttr = static_cast<uint8_t>(info.Attributes);
    WindMinX = OneBased(info.Window.Left);
    WindMinY = OneBased(info.Window.Top);
    WindMaxX = std::max(OneBased(info.Window.Right), WindMinX);
    WindMaxY = std::max(OneBased(info.Window.Bottom), WindMinY);
    WindMin = static_cast<uint16_t>((WindMinY - 1) * 256 + (WindMinX - 1));
    WindMax = static_cast<uint16_t>((WindMaxY - 1) * 256 + (WindMaxX - 1));
}

void GiveTerminalBack() { Platform().Restore(); }

// Keys from a pipe or file that run out end the run the normal way, with
// status 130 and a line saying why: a death by SIGINT would make a shell take
// it for the user's Ctrl-C and drop the rest of its command line. It is no
// run-time error, so there is no report.
[[noreturn]] void EndAtInputEnd() {
    ScreenBufferInfo info{};
    bool midLine = Platform().GetScreenBufferInfo(info) && info.CursorPosition.X > 0;
    GiveTerminalBack();
    std::string line = "kelmarosz: standard input ended\n";
    if (midLine && isatty(STDERR_FILENO) == 1) line.insert(0, "\r\n");   // not after the page's text
    ssize_t n = write(STDERR_FILENO, line.data(), line.size());
    (void)n;
    Halt(130);
}

void CrtInit() {
    // Set first: should a step below fail, this module is not finalised, yet
    // the terminal must still get its modes back at the end.
    BeforeExitProc = GiveTerminalBack;
    GiveBackNowProc = GiveBackPlatformNow;
    SetInputEndedAction(EndAtInputEnd);
    LastMode = 3;
    // Activating the console window has no counterpart on a terminal.
    TakeWindowFromScreen();
    AltCodeMode = false;
    AltCodeValue = 0;

    AssignCrt(Output);
    Rewrite(Output);
    IOCheck();
    Output.Handle = StdOutputHandle;

    AssignCrt(Input);
    Reset(Input);
    IOCheck();
    Input.Handle = StdInputHandle;
}

void CrtFini() { GiveTerminalBack(); }

}  // namespace

const ModuleInfo CrtModule = {"Crt", CrtInit, CrtFini};
