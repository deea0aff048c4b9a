// The platform console on the process's own terminal.
#pragma once
#include "PlatformConsole.h"

// The terminal console, created on first use with the action that ends the
// run when its input is used up for good (the first call's counts; it must
// not return). Without one, or should it return, the run ends as Ctrl-C
// ends it (status 130).
PlatformConsole& TheTerminalConsole(void (*inputEnded)());
