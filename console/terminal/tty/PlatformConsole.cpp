// Which platform console the program talks to: the process's terminal unless
// a test installed another one.
#include "PlatformConsole.h"
#include "TerminalConsole.h"

void (*InputEndedProc)() = nullptr;

namespace {
PlatformConsole* installed = nullptr;
}

PlatformConsole& Platform() {
    if (installed == nullptr) installed = &TheTerminalConsole();
    return *installed;
}

void SetPlatform(PlatformConsole* p) { installed = p; }
