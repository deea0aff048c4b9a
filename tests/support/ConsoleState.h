// The console layer's state as at a fresh start, for tests that run it over
// and over in one process.
#pragma once

// The window is the whole width x height screen in attribute 0x07; no key
// is pending, no Alt code is being typed, Ctrl-Z is ignored in line input.
void ResetConsoleState(int width, int height);
