// What the terminal can do, as terminfo describes it: the raw capability
// strings (terminfo syntax, parameters not yet filled in) and flags. The
// renderer works only from this, so tests can hand it any terminal's set;
// loading it from the terminfo database is the tty part's.
#pragma once
#include <string>

struct TermCaps {
    // Cursor movement.
    std::string cup, hpa, vpa, cuf, cuf1, cub, cub1, cud, cud1, cuu, cuu1, cr;
    // Scrolling region and scrolling.
    std::string csr, ind, ri;
    // Attributes and erasing.
    std::string sgr0, bold, blink, setaf, setab, el, ed, clear;
    // Cursor visibility, keypad transmit mode, cursor position report.
    std::string cnorm, smkx, rmkx, u7;
    int colors = 0;
    bool bce = false;    // erasing paints in the current background
    bool am = false;     // writing the last column wraps
    bool xenl = false;   // ... but only at the next character (safe last cell)
};

// Used when TERM is unset or unknown: the plain ANSI/VT100 subset every
// terminal emulator in use understands, eight colours.
TermCaps AnsiFallbackCaps();

// Fills the parameters into a capability string and drops terminfo padding
// ("$<5>"), which a terminal emulator never needs. Empty stays empty.
std::string ExpandCap(const std::string& cap, int p1 = 0, int p2 = 0);
