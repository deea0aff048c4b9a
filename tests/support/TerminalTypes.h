// The terminal types the tests run the console under: those the program
// meets most (xterm and its kin, tmux, the Linux console).
#pragma once
#include <string>

inline const char* const Terms[] = {"xterm-256color", "tmux-256color", "linux"};

// A terminal type as a test name: "xterm_256color".
inline std::string TermTestName(const char* term) {
    std::string s = term;
    for (char& c : s)
        if (c == '-') c = '_';
    return s;
}
