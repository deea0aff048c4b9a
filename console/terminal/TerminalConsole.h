// The platform console on the process's own terminal.
#pragma once
#include "console/terminal/PlatformConsole.h"

// The terminal console, created on first use.
PlatformConsole& TheTerminalConsole();

// Gives the terminal back (modes, colours, cursor, keypad) from a fault
// handler: async-signal-safe, does nothing when there is nothing to undo.
void TerminalEmergencyRestore();
