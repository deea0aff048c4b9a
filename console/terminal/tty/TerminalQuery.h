// The start-up round trip: one question for the cursor position, the kitty
// keyboard protocol's flags, the secondary device attributes (which terminal
// it is) and the primary device attributes, which every terminal answers,
// and answers last, so their arrival ends the wait.
#pragma once
#include <string>

struct TerminalAnswers {
    bool Answered = false;          // the device attributes came back
    bool CursorReported = false;    // a cursor position report came back...
    bool HaveCursor = false;        // ...with a usable position
    int Row = 0, Column = 0;        // 1-based
    bool Kitty = false;             // the terminal speaks the kitty keyboard protocol
    // Told by the secondary device attributes: xterm itself, recent enough
    // to save and restore its Alt settings and to reset modifyOtherKeys;
    // urxvt, whose application keypad sends SS3 forms with Num Lock off.
    bool Xterm = false;
    bool Urxvt = false;
    std::string TypedAhead;         // whatever else arrived meanwhile: keys
    bool OutputFailed = false;      // the question could not be written
};

// Asks through outFd and reads inFd for at most timeoutMs. askCursor is the
// terminal's own cursor-position request.
TerminalAnswers AskTerminal(int inFd, int outFd, const std::string& askCursor, int timeoutMs);

// What answers that came after the question gave up tell of the key modes
// (Kitty, Xterm, Urxvt).
TerminalAnswers KeyModeAnswers(std::string answers);
