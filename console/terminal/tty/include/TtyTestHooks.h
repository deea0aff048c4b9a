// The tty part's test hook; the program never calls it.
#pragma once

struct TermCaps;

// Loads the terminfo entry of a named terminal without keeping it loaded;
// false when there is none.
bool TermCapsForName(const char* term, TermCaps& caps);
