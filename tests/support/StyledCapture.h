// The cells of a tmux pane as `capture-pane -e -p` prints them: each line's
// characters with the colours tmux reports for them. tmux passes colours on
// in the terminal's terms (30-37, 90-97, 38;5;n, bold), so they are brought
// back to one scale here: 0-15 in ANSI order (1 red, 4 blue, 8-15 bright),
// -1 for the terminal's default.
#pragma once
#include <string>
#include <vector>

struct StyledCell {
    char32_t Ch = U' ';
    int Fg = -1, Bg = -1;
    bool Bold = false, Blink = false, Reverse = false;

    // The foreground as a terminal shows it: bold lifts 0-7 into 8-15.
    int ShownFg() const { return Bold && Fg >= 0 && Fg < 8 ? Fg + 8 : Fg; }
};

using StyledLine = std::vector<StyledCell>;

std::vector<StyledLine> ParseStyledCapture(const std::string& capture);

// The ANSI colour a PC colour (blue bit 0, green bit 1, red bit 2) is shown in.
int PcToAnsi(int pc);
