// Which platform console the window talks to: the process's terminal unless
// a test installed another one.
#include "PlatformRegistry.h"

#include "TerminalConsole.h"

namespace {

PlatformConsole* installed = nullptr;
void (*inputEndedAction)() = nullptr;

// What the terminal console runs when its input ends: the action set now,
// whether it was set before or after the console was created.
void InputEnded() {
    if (inputEndedAction) inputEndedAction();
}

}  // namespace

PlatformConsole& Platform() {
    if (installed == nullptr) installed = &TheTerminalConsole(InputEnded);
    return *installed;
}

void SetInputEndedAction(void (*action)()) { inputEndedAction = action; }

void GiveBackPlatformNow() {
    if (installed != nullptr) installed->GiveBackNow();
}

// A test hook (ConsoleTestHooks.h).
void SetPlatform(PlatformConsole* p) { installed = p; }
