// What the terminal's terminfo entry says, once setupterm() has loaded it:
// its capability set and its key strings.
#pragma once
#include <vector>

#include "KeySequences.h"
#include "TermCaps.h"

// The set of the terminal loaded by setupterm() (cur_term).
TermCaps TermCapsFromCurrentTerminal();
// Loads the terminfo entry of a named terminal without keeping it loaded;
// false when there is none.
bool TermCapsForName(const char* term, TermCaps& caps);

// The key strings of the loaded entry, then the common xterm forms.
std::vector<KeySequence> KeySequencesFromTerminfo();
