// The platform console the window talks to.
#pragma once
#include "PlatformConsole.h"

// The console in use: the process's terminal, created on first use, unless
// a test installed another one.
PlatformConsole& Platform();
// Ends the run when the terminal's input is used up for good; it must not
// return. Set from the console's start-up, where the program's own end is
// known; without it the run ends as Ctrl-C ends it.
void SetInputEndedAction(void (*action)());
// The console's GiveBackNow, if a console has been made (it never makes one:
// it may run in a signal handler).
void GiveBackPlatformNow();
