// The console's test hook; the program never calls it.
#pragma once

class PlatformConsole;

// Installs the platform console the window talks to (an in-memory one);
// nullptr goes back to the process's terminal.
void SetPlatform(PlatformConsole* p);
