// The key strings a terminal sends, each with the PC key event it stands for.
#pragma once
#include <string>
#include <vector>

#include "PlatformConsole.h"

// One escape sequence the terminal sends for a key, with the event it means.
struct KeySequence {
    std::string Bytes;
    KeyEventRecord Event;   // KeyDown true; the up event is made from it
};

// A terminal's string capability by its terminfo name; empty when the
// terminal lacks it.
using CapabilityLookup = std::string (*)(const char* name);

// The terminal's key strings as its capabilities name them (kcuu1, kf1..,
// khome, kend, kich1, kdch1, kpp, knp, kcbt, kent, kUP5, kLFT3, ...) plus
// the common xterm forms; empty entries are skipped.
std::vector<KeySequence> KeySequencesFromCapabilities(CapabilityLookup cap);
// The xterm/VT forms that work whatever terminfo says (CSI 1;m A, SS3, CSI n~ ...).
std::vector<KeySequence> BuiltinKeySequences();
