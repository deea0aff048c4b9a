// Reads one control sequence a terminal sends for a key (CSI ... or SS3 ...)
// by its grammar, so that keys with any modifier combination, kitty
// keyboard protocol reports and unknown sequences are all recognised
// without a table entry for each.
#pragma once
#include <cstddef>
#include <cstdint>

#include "PlatformConsole.h"

struct EscapeParse {
    enum Status {
        NotASequence,   // not ESC [ or ESC O, or nothing valid follows the introducer
        Incomplete,     // a valid start: more bytes are needed
        Broken,         // interrupted by a byte that cannot belong to it: drop Length bytes
        Complete,       // Length bytes; a key when IsKey, else a report to swallow
    };
    Status St = NotASequence;
    size_t Length = 0;
    bool IsKey = false;
    KeyEventRecord Event;   // KeyDown true
    // Event type from the kitty protocol: 0 not given, 1 press, 2 repeat, 3 release.
    int EventType = 0;
};

// What the application keypad's SS3 p..y and SS3 n stand for: the digits
// and the decimal point (xterm, tmux), or on urxvt the keypad with Num Lock
// off (Ins, End, Down, PgDn, Left, 5, Right, Home, Up, PgUp, Del), where
// Num Lock on types the digits themselves.
enum class Ss3Keypad { Digits, CursorKeys };

// p[0] is ESC. Looks at p[0..n) only.
EscapeParse ParseEscape(const uint8_t* p, size_t n, Ss3Keypad keypad = Ss3Keypad::Digits);
