#include "console/terminal/TerminalConsole.h"

#include "console/terminal/MemoryConsole.h"

// Interim: until the terminal driver lands the program sees no screen.
PlatformConsole& TheTerminalConsole() {
    static MemoryConsole none;
    none.SetQueryable(false);
    return none;
}

void TerminalEmergencyRestore() {}
