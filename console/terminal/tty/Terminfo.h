// What the terminal's terminfo entry says, once setupterm() has loaded it:
// its capability set and its key strings.
#pragma once
#include <vector>

#include "KeySequences.h"
#include "TermCaps.h"

// The set of the terminal loaded by setupterm() (cur_term).
TermCaps TermCapsFromCurrentTerminal();

// The key strings of the loaded entry, then the common xterm forms.
std::vector<KeySequence> KeySequencesFromTerminfo();
