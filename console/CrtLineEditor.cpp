// The line editor behind console-bound Input: one line typed with echo into
// the file's buffer, handed over with its CR LF. Typing overwrites; only the
// last character can be deleted.
#include "CrtLineEditor.h"

#include <algorithm>

#include "Crt.h"
#include "CrtDriver.h"
#include "CrtScreen.h"
#include "PlatformRegistry.h"

bool CheckEOF = false;

namespace {

struct LineState {
    TextRec& F;
    int32_t P = 0;      // the cursor's place in the line
    int32_t E = 0;      // the line's length
    int32_t Limit = 0;  // room for characters, two places kept for CR LF
};

// Acts only at the end of a non-empty line: the last character becomes a
// space on the screen and the cursor stands on it.
void Backspace(LineState& s) {
    if (s.P > 0 && s.P == s.E) {
        WriteChar(8);
        WriteChar(' ');
        WriteChar(8);
        s.P--;
        s.E--;
    }
}

void Store(LineState& s, uint8_t ch) {
    if (s.P >= s.Limit) return;
    s.F.Buffer[s.P] = ch;
    s.P++;
    WriteChar(ch);
}

void MoveRightOne(LineState& s) {
    WriteChar(s.F.Buffer[s.P]);
    s.P++;
}

// Acts on the code that follows a 0; returns true when the line ends.
bool ExtendedKey(LineState& s, uint8_t code) {
    switch (code) {
        case 28:   // Enter
            return true;
        case 71:   // Home
            while (s.P > 0) {
                s.P--;
                WriteChar(8);
            }
            break;
        case 75:   // Left
            if (s.P > 0) {
                s.P--;
                WriteChar(8);
            }
            break;
        case 77:   // Right
            if (s.P < s.E) MoveRightOne(s);
            break;
        case 79:   // End
            while (s.P < s.E) MoveRightOne(s);
            break;
        case 53:   // keypad /
            Store(s, '/');
            break;
        default:
            break;
    }
    return false;
}

}  // namespace

void CrtRead(TextRec& F) {
    PlatformConsole& con = Platform();
    uint32_t savedCP = con.GetConsoleOutputCP();
    con.SetConsoleOutputCP(con.GetACP());
    GetScreenCursor(CursorX, CursorY);

    LineState s{F};
    s.Limit = std::clamp<int32_t>(F.BufferSize, 2, TextBufferSize) - 2;
    bool endOfLine = true;
    for (;;) {
        if (s.P > s.E) s.E = s.P;
        SetScreenCursor(CursorX, CursorY);
        uint8_t key = ReadKey();
        if (key == 13) break;
        if (key == 0) {
            if (ExtendedKey(s, ReadKey())) break;
            continue;
        }
        if (key == 8 || key == 19) {   // Backspace, Ctrl-S
            Backspace(s);
        } else if (key == 27 || key == 25) {   // Esc, Ctrl-Y: erase the line
            while (s.P < s.E) MoveRightOne(s);
            while (s.E > 0) Backspace(s);
        } else if (key == 26) {   // Ctrl-Z
            if (CheckEOF) {
                F.Buffer[s.E++] = 26;
                endOfLine = false;
                break;
            }
        } else {
            Store(s, key);
        }
    }
    if (endOfLine) {
        WriteChar(13);
        WriteChar(10);
        F.Buffer[s.E] = 13;
        F.Buffer[s.E + 1] = 10;
        s.E += 2;
    }
    F.BufferEnd = s.E;
    F.BufferPos = 0;

    con.SetConsoleOutputCP(savedCP);
    SetScreenCursor(CursorX, CursorY);
    con.Present();
}
