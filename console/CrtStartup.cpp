// The console module: at start it takes the window and colours from the
// screen and binds Output and Input to the window; at the end it gives the
// terminal its modes back (the screen keeps the last page).
#include <algorithm>

#include "Crt.h"
#include "CrtKeys.h"
#include "PlatformConsole.h"
#include "Runtime.h"

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

void CrtInit() {
    // Set first: should a step below fail, this module is not finalised, yet
    // the terminal must still get its modes back at the end.
    BeforeExitProc = GiveTerminalBack;
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
