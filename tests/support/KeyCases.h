// What each key gives a key wait: the PC codes successive ReadKey calls
// return for it. One table for the key tests of every layer: the runs in
// real terminals type every key of it by name, and the decoder's byte
// scripts are the forms of it that none of those terminals sends.
//
// The keys are X key names with their modifiers, as xdotool types them. The
// PC key table's keys come with no modifier, Shift, Ctrl and Alt (the
// keypad with Num Lock off: KP_Home, KP_Begin, ...), and the keypad's digits
// with Num Lock on: 223 cells; then a few more keys the program meets.
#pragma once
#include <string>
#include <vector>

struct KeyCase {
    std::string Key;
    // On a terminal that reports no key releases (xterm, urxvt, tmux).
    std::vector<int> Codes;
    // Where releases are reported (kitty): Alt at a keypad digit position
    // types that digit of an Alt code, given when Alt is let go.
    std::vector<int> CodesWithReleases;
    bool TableCell = false;   // one of the PC key table's 223 cells
};

namespace keycases {

using Codes = std::vector<int>;

// A key of the PC key table, its codes with each modifier, and the keypad
// digit at its position (-1: none).
struct Row {
    const char* Key;
    Codes None, Shift, Ctrl, Alt;
    int AltCodeDigit = -1;
};

inline const Row PcKeyTable[] = {
    {"1", {'1'}, {'!'}, {0, 2}, {0, 120}},
    {"2", {'2'}, {'@'}, {0, 3}, {0, 121}},
    {"3", {'3'}, {'#'}, {0, 4}, {0, 122}},
    {"4", {'4'}, {'$'}, {0, 5}, {0, 123}},
    {"5", {'5'}, {'%'}, {0, 6}, {0, 124}},
    {"6", {'6'}, {'^'}, {30}, {0, 125}},
    {"7", {'7'}, {'&'}, {0, 8}, {0, 126}},
    {"8", {'8'}, {'*'}, {0, 9}, {0, 127}},
    {"9", {'9'}, {'('}, {0, 10}, {0, 128}},
    {"0", {'0'}, {')'}, {0, 11}, {0, 129}},
    {"minus", {'-'}, {'_'}, {31}, {0, 130}},
    {"equal", {'='}, {'+'}, {0, 13}, {0, 131}},
    {"Tab", {9}, {0, 15}, {0, 148}, {0, 15}},
    {"Return", {13}, {13}, {10}, {0, 166}},
    {"KP_Enter", {13}, {13}, {10}, {0, 166}},
    {"slash", {'/'}, {'?'}, {0, 149}, {0, 164}},
    {"KP_Divide", {0, 53}, {0, 53}, {0, 149}, {0, 164}},
    {"KP_Multiply", {'*'}, {'*'}, {0, 150}, {0, 55}},
    {"F1", {0, 59}, {0, 84}, {0, 94}, {0, 104}},
    {"F2", {0, 60}, {0, 85}, {0, 95}, {0, 105}},
    {"F3", {0, 61}, {0, 86}, {0, 96}, {0, 106}},
    {"F4", {0, 62}, {0, 87}, {0, 97}, {0, 107}},
    {"F5", {0, 63}, {0, 88}, {0, 98}, {0, 108}},
    {"F6", {0, 64}, {0, 89}, {0, 99}, {0, 109}},
    {"F7", {0, 65}, {0, 90}, {0, 100}, {0, 110}},
    {"F8", {0, 66}, {0, 91}, {0, 101}, {0, 111}},
    {"F9", {0, 67}, {0, 92}, {0, 102}, {0, 112}},
    {"F10", {0, 68}, {0, 93}, {0, 103}, {0, 113}},
    {"F11", {0, 133}, {0, 135}, {0, 137}, {0, 139}},
    {"F12", {0, 134}, {0, 136}, {0, 138}, {0, 140}},
    {"Home", {0, 71}, {0, 71}, {0, 119}, {0, 151}, 7},
    {"KP_Home", {0, 71}, {0, 71}, {0, 119}, {0, 151}, 7},
    {"Up", {0, 72}, {0, 72}, {0, 141}, {0, 152}, 8},
    {"KP_Up", {0, 72}, {0, 72}, {0, 141}, {0, 152}, 8},
    {"Prior", {0, 73}, {0, 73}, {0, 132}, {0, 153}, 9},
    {"KP_Prior", {0, 73}, {0, 73}, {0, 132}, {0, 153}, 9},
    {"KP_Subtract", {'-'}, {'-'}, {0, 142}, {0, 74}},
    {"Left", {0, 75}, {0, 75}, {0, 115}, {0, 155}, 4},
    {"KP_Left", {0, 75}, {0, 75}, {0, 115}, {0, 155}, 4},
    {"KP_Begin", {0, 76}, {0, 76}, {0, 143}, {0, 76}, 5},
    {"Right", {0, 77}, {0, 77}, {0, 116}, {0, 157}, 6},
    {"KP_Right", {0, 77}, {0, 77}, {0, 116}, {0, 157}, 6},
    {"KP_Add", {'+'}, {'+'}, {0, 78}, {0, 78}},
    {"End", {0, 79}, {0, 79}, {0, 117}, {0, 159}, 1},
    {"KP_End", {0, 79}, {0, 79}, {0, 117}, {0, 159}, 1},
    {"Down", {0, 80}, {0, 80}, {0, 145}, {0, 160}, 2},
    {"KP_Down", {0, 80}, {0, 80}, {0, 145}, {0, 160}, 2},
    {"Next", {0, 81}, {0, 81}, {0, 118}, {0, 161}, 3},
    {"KP_Next", {0, 81}, {0, 81}, {0, 118}, {0, 161}, 3},
    {"Insert", {0, 82}, {0, 82}, {0, 146}, {0, 162}, 0},
    {"KP_Insert", {0, 82}, {0, 82}, {0, 146}, {0, 162}, 0},
    {"Delete", {0, 83}, {0, 83}, {0, 147}, {0, 163}},
    {"KP_Delete", {0, 83}, {0, 83}, {0, 147}, {0, 163}},
};

// The keypad with Num Lock on types its digits and decimal point.
inline const std::pair<const char*, int> NumLockKeypad[] = {
    {"KP_0", '0'}, {"KP_1", '1'}, {"KP_2", '2'}, {"KP_3", '3'}, {"KP_4", '4'},     {"KP_5", '5'},
    {"KP_6", '6'}, {"KP_7", '7'}, {"KP_8", '8'}, {"KP_9", '9'}, {"KP_Decimal", '.'},
};

// More keys: letters (á has no PC key, so Alt with it is the letter), the
// control keys that keep a meaning of their own, rxvt's Ctrl+Shift forms.
// A lone Esc last: it is told from the start of a sequence by the time
// before the next key.
inline const std::pair<const char*, Codes> MoreKeys[] = {
    {"a", {'a'}},           {"shift+a", {'A'}},         {"ctrl+a", {1}},
    {"alt+a", {0, 30}},     {"aacute", {0xE1}},         {"alt+aacute", {0xE1}},
    {"ctrl+s", {19}},       {"ctrl+y", {25}},           {"ctrl+z", {26}},
    {"ctrl+backslash", {28}}, {"BackSpace", {8}},       {"ctrl+shift+F11", {0, 137}},
    {"ctrl+shift+Delete", {0, 147}}, {"Escape", {27}},
};

inline std::vector<KeyCase> Build() {
    std::vector<KeyCase> all;
    const char* const modifiers[] = {"", "shift+", "ctrl+", "alt+"};
    for (int m = 0; m < 4; m++)
        for (const Row& r : PcKeyTable) {
            const Codes* codes[] = {&r.None, &r.Shift, &r.Ctrl, &r.Alt};
            KeyCase c{modifiers[m] + std::string(r.Key), *codes[m], *codes[m], true};
            if (m == 3 && r.AltCodeDigit >= 0) c.CodesWithReleases = r.AltCodeDigit ? Codes{r.AltCodeDigit} : Codes{};
            all.push_back(c);
        }
    for (const auto& [key, code] : NumLockKeypad) all.push_back({key, {code}, {code}, true});
    for (const auto& [key, codes] : MoreKeys) all.push_back({key, codes, codes, false});
    return all;
}

}  // namespace keycases

inline const std::vector<KeyCase> KeyCases = keycases::Build();

// The key a case names; nullptr when the table has none.
inline const KeyCase* FindKeyCase(const std::string& key) {
    for (const KeyCase& k : KeyCases)
        if (k.Key == key) return &k;
    return nullptr;
}

// Forms of the table's keys that the real terminals of the suite do not
// send or type (what they send is the real runs' to check): the Linux
// console's, other terminals', and rxvt's without its terminfo entry.
struct KeyForm {
    const char* Key;
    std::string Bytes;
};

inline const KeyForm KeyForms[] = {
    {"F1", "\x1b[[A"},            // the Linux console
    {"F5", "\x1b[[E"},
    {"ctrl+Return", "\n"},        // Ctrl-J
    {"BackSpace", "\x08"},        // Ctrl-H
    {"alt+F1", "\x1b\x1bOP"},     // ESC before the key's own form
    {"alt+Home", "\x1b\x1bOH"},
    {"KP_7", "\x1bOw"},           // the application keypad, digits
    {"KP_0", "\x1bOp"},
    {"KP_Decimal", "\x1bOn"},
    {"shift+F3", "\x1b[25~"},     // the VT220 numbering's F13
    {"shift+F10", "\x1b[34~"},
    {"shift+Up", "\x1b[a"},       // rxvt's arrows
    {"ctrl+Left", "\x1bOd"},
    // A letter the real runs cannot type, as each terminal sends it.
    {"aacute", "\xc3\xa1"},
    {"alt+aacute", "\x1b\xc3\xa1"},
    {"alt+aacute", "\x1b[27;3;225~"},
    {"alt+aacute", "\x1b[225;3u"},
};
