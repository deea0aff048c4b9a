// The platform console on the process's own terminal.
#pragma once
#include "PlatformConsole.h"

// The terminal console, created on first use.
PlatformConsole& TheTerminalConsole();
