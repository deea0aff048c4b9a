// What a key wait makes of key events: the codes successive ReadKey calls
// return, read by the console's own key layer (KeyPressed, ReadKey) from a
// MemoryConsole queued with the events. For the key decoder's tests, which
// check the codes of the keys they decode without restating that layer.
#pragma once
#include <vector>

#include "PlatformConsole.h"

// releases: whether the console reports key releases (where it does not,
// Alt makes no Alt-code digits).
std::vector<int> ReadKeyCodes(const std::vector<InputRecord>& events, bool releases = true);
