// What each key gives a key wait: the PC codes successive ReadKey calls
// return for it on a terminal that reports no key releases (xterm, urxvt,
// tmux, the Linux console), with the bytes terminals send for it. One table
// for the key tests of every layer: the decoder's byte scripts, the runs in
// tmux and on a pty playing a kitty terminal, and runs in real terminals
// that type the keys by name.
#pragma once
#include <string>
#include <vector>

struct KeyCase {
    // The key as an X key name with its modifiers, as xdotool types it.
    const char* Key;
    std::vector<int> Codes;
    // What terminals send for it, xterm's form first.
    std::vector<std::string> Bytes;
    // The press where a kitty terminal reports every key as an escape
    // (flags 27); "" where the key is not typed so.
    std::string Kitty = "";
};

inline const KeyCase KeyCases[] = {
    {"a", {97}, {"a"}},
    {"shift+a", {65}, {"A"}, "\x1b[97;2;65u"},
    {"ctrl+a", {1}, {"\x01"}, "\x1b[97;5u"},
    {"alt+a", {0, 30}, {"\x1b" "a"}},
    {"aacute", {0xE1}, {"\xc3\xa1"}, "\x1b[225;1;225u"},
    {"alt+aacute", {0xE1}, {"\x1b\xc3\xa1"}, "\x1b[225;3u"},
    {"slash", {'/'}, {"/"}},
    {"space", {32}, {" "}},
    {"alt+1", {0, 120}, {"\x1b" "1"}, "\x1b[49;3u"},
    {"alt+equal", {0, 131}, {"\x1b="}},
    {"ctrl+2", {0, 3}, {std::string(1, '\0')}},
    {"ctrl+s", {19}, {"\x13"}},
    {"ctrl+y", {25}, {"\x19"}},
    {"ctrl+z", {26}, {"\x1a"}},
    {"ctrl+backslash", {28}, {"\x1c"}},
    {"Escape", {27}, {"\x1b"}, "\x1b[27u"},
    {"Return", {13}, {"\r"}, "\x1b[13u"},
    {"ctrl+Return", {10}, {"\n"}, "\x1b[13;5u"},
    {"alt+Return", {0, 166}, {"\x1b\r"}},
    {"KP_Enter", {13}, {"\x1bOM"}, "\x1b[57414u"},
    {"Tab", {9}, {"\t"}, "\x1b[9u"},
    {"shift+Tab", {0, 15}, {"\x1b[Z"}, "\x1b[9;2u"},
    {"BackSpace", {8}, {"\x7f", "\x08"}, "\x1b[127u"},
    {"F1", {0, 59}, {"\x1bOP", "\x1b[11~", "\x1b[[A"}, "\x1b[P"},
    {"F5", {0, 63}, {"\x1b[15~", "\x1b[[E"}},
    {"F12", {0, 134}, {"\x1b[24~"}, "\x1b[24~"},
    {"shift+F1", {0, 84}, {"\x1b[1;2P"}},
    {"shift+F12", {0, 136}, {"\x1b[24;2~"}},
    {"ctrl+F1", {0, 94}, {"\x1b[1;5P"}},
    {"alt+F1", {0, 104}, {"\x1b[1;3P", "\x1b\x1bOP"}, "\x1b[57364;3u"},
    {"Up", {0, 72}, {"\x1b[A", "\x1bOA"}},
    {"Down", {0, 80}, {"\x1b[B", "\x1bOB"}},
    {"Left", {0, 75}, {"\x1b[D", "\x1bOD"}},
    {"Right", {0, 77}, {"\x1b[C", "\x1bOC"}},
    {"Home", {0, 71}, {"\x1b[H", "\x1b[1~"}},
    {"End", {0, 79}, {"\x1b[F", "\x1b[4~"}},
    {"Prior", {0, 73}, {"\x1b[5~"}},
    {"Next", {0, 81}, {"\x1b[6~"}},
    {"Insert", {0, 82}, {"\x1b[2~"}},
    {"Delete", {0, 83}, {"\x1b[3~"}},
    {"ctrl+Home", {0, 119}, {"\x1b[1;5H"}, "\x1b[1;5H"},
    {"KP_7", {55}, {"\x1bOw"}},
    {"KP_0", {48}, {"\x1bOp"}, "\x1b[57399u"},
    {"KP_Insert", {0, 82}, {"\x1b[2~"}, "\x1b[57425u"},
    {"KP_Divide", {0, 53}, {"\x1bOo"}},
    // Alt at the keypad's digit positions makes no Alt code where releases
    // are not reported: the extended key with its Alt code.
    {"alt+Home", {0, 151}, {"\x1b[1;3H", "\x1b\x1bOH"}},
    {"alt+Up", {0, 152}, {"\x1b[1;3A", "\x1b\x1b[A"}},
    {"alt+Prior", {0, 153}, {"\x1b[5;3~"}},
    {"alt+Left", {0, 155}, {"\x1b[1;3D"}},
    {"alt+Right", {0, 157}, {"\x1b[1;3C"}},
    {"alt+End", {0, 159}, {"\x1b[1;3F"}},
    {"alt+Down", {0, 160}, {"\x1b[1;3B"}},
    {"alt+Next", {0, 161}, {"\x1b[6;3~"}},
    {"alt+Insert", {0, 162}, {"\x1b[2;3~"}},
    {"alt+KP_0", {0, 162}, {"\x1b\x1bOp"}},
    {"alt+KP_1", {0, 159}, {"\x1b\x1bOq", "\x1bO3q"}},
    {"alt+KP_2", {0, 160}, {"\x1b\x1bOr"}},
    {"alt+KP_3", {0, 161}, {"\x1b\x1bOs"}},
    {"alt+KP_4", {0, 155}, {"\x1b\x1bOt"}},
    {"alt+KP_5", {0, 76}, {"\x1b\x1bOu"}},
    {"alt+KP_6", {0, 157}, {"\x1b\x1bOv"}},
    {"alt+KP_7", {0, 151}, {"\x1b\x1bOw"}},
    {"alt+KP_8", {0, 152}, {"\x1b\x1bOx"}},
    {"alt+KP_9", {0, 153}, {"\x1b\x1bOy"}},
    {"alt+KP_Begin", {0, 76}, {"\x1b[1;3E"}},
};

// The release a kitty terminal sends for a press "ESC [ code [; mods [; text]] final".
inline std::string KittyRelease(const std::string& press) {
    const std::string body = press.substr(2, press.size() - 3);
    const size_t semi = body.find(';');
    std::string mods = semi == std::string::npos ? "" : body.substr(semi + 1);
    mods = mods.substr(0, mods.find(';'));
    const std::string code = body.substr(0, semi);
    return "\x1b[" + (code.empty() ? "1" : code) + ";" + (mods.empty() ? "1" : mods) + ":3" + press.back();
}
