// The key string tables: what terminfo says the terminal sends, and the
// xterm/VT forms that are recognised whatever terminfo says.
#include <string>
#include <vector>

#include "KeySequences.h"
#include "KeyEscapes.h"
#include "KeyLayout.h"

// term.h defines many short macros; keep it after everything else.
#include <term.h>

namespace {

void Add(std::vector<KeySequence>& out, const std::string& bytes, const KeyEventRecord& ev) {
    KeySequence s;
    s.Bytes = bytes;
    s.Event = ev;
    s.Event.KeyDown = true;
    out.push_back(s);
}

// Adds a form whose meaning the sequence grammar gives.
void AddParsed(std::vector<KeySequence>& out, const std::string& bytes) {
    EscapeParse r = ParseEscape(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (r.St == EscapeParse::Complete && r.IsKey && r.Length == bytes.size()) Add(out, bytes, r.Event);
}

// A string capability, or empty when the entry lacks it: tigetstr gives
// NULL for an absent one and (char*)-1 for a name that is not a string.
std::string Cap(const char* name) {
    char* s = tigetstr(const_cast<char*>(name));
    if (s == nullptr || s == reinterpret_cast<char*>(-1)) return std::string();
    return std::string(s);
}

// A key string is an escape sequence; single bytes are typed keys already.
void AddKeyString(std::vector<KeySequence>& out, const std::string& s, NamedKey k, uint32_t mods) {
    if (s.size() >= 2 && s[0] == '\x1b') Add(out, s, NamedKeyEvent(k, mods));
}

void AddCap(std::vector<KeySequence>& out, const char* name, NamedKey k, uint32_t mods) {
    AddKeyString(out, Cap(name), k, mods);
}

}  // namespace

std::vector<KeySequence> BuiltinKeySequences() {
    std::vector<KeySequence> out;
    const std::string csi = "\x1b[", ss3 = "\x1bO";
    for (char f : std::string("ABCDHFEPQS")) {
        AddParsed(out, csi + f);
        AddParsed(out, ss3 + f);
        for (int m = 2; m <= 8; m++) AddParsed(out, csi + "1;" + std::to_string(m) + f);
    }
    for (int m = 2; m <= 8; m++) AddParsed(out, csi + "1;" + std::to_string(m) + "R");
    AddParsed(out, ss3 + "R");
    AddParsed(out, ss3 + "M");
    AddParsed(out, csi + "Z");
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 23, 24}) {
        AddParsed(out, csi + std::to_string(n) + "~");
        for (int m = 2; m <= 8; m++) AddParsed(out, csi + std::to_string(n) + ";" + std::to_string(m) + "~");
    }
    for (char f = 'A'; f <= 'E'; f++) AddParsed(out, csi + "[" + f);
    return out;
}

std::vector<KeySequence> KeySequencesFromTerminfo() {
    using K = NamedKey;
    std::vector<KeySequence> out;
    static constexpr struct {
        const char* Name;
        K Key;
        uint32_t Mods;
    } PlainKeys[] = {
        {"kcuu1", K::Up, 0},       {"kcud1", K::Down, 0},      {"kcub1", K::Left, 0},
        {"kcuf1", K::Right, 0},    {"khome", K::Home, 0},      {"kend", K::End, 0},
        {"kich1", K::Insert, 0},   {"kdch1", K::Delete, 0},    {"kpp", K::PageUp, 0},
        {"knp", K::PageDown, 0},   {"kcbt", K::Tab, SHIFT_PRESSED}, {"kent", K::KpEnter, 0},
    };
    for (const auto& c : PlainKeys) AddCap(out, c.Name, c.Key, c.Mods);
    for (int i = 1; i <= 12; i++)
        AddCap(out, ("kf" + std::to_string(i)).c_str(), static_cast<K>(static_cast<int>(K::F1) + i - 1), 0);

    // kf13 and up are the modified F-keys by xterm's count (12 per
    // modifier group). Other terminals number them differently (the linux
    // console's kf13 is Shift+F3), so the count is trusted only for
    // xterm-style strings, which carry the modifier as a parameter.
    static constexpr uint32_t FunctionKeyGroups[] = {SHIFT_PRESSED, LEFT_CTRL_PRESSED,
                                            LEFT_CTRL_PRESSED | SHIFT_PRESSED, LEFT_ALT_PRESSED,
                                            LEFT_ALT_PRESSED | SHIFT_PRESSED};
    for (int i = 13; i <= 63; i++) {
        std::string s = Cap(("kf" + std::to_string(i)).c_str());
        if (s.find(';') == std::string::npos) continue;
        int group = (i - 13) / 12, f = (i - 13) % 12;
        AddKeyString(out, s, static_cast<K>(static_cast<int>(K::F1) + f), FunctionKeyGroups[group]);
    }

    // The modified cursor keys: kUP is Shift+Up, kUP3..kUP7 add Alt, Ctrl ...
    static constexpr struct {
        const char* Base;
        K Key;
    } ModifiedKeys[] = {
        {"kUP", K::Up},     {"kDN", K::Down}, {"kLFT", K::Left}, {"kRIT", K::Right},
        {"kHOM", K::Home},  {"kEND", K::End}, {"kIC", K::Insert}, {"kDC", K::Delete},
        {"kPRV", K::PageUp}, {"kNXT", K::PageDown},
    };
    static constexpr struct {
        const char* Suffix;
        uint32_t Mods;
    } ModifierSuffixes[] = {
        {"", SHIFT_PRESSED},
        {"3", LEFT_ALT_PRESSED},
        {"4", LEFT_ALT_PRESSED | SHIFT_PRESSED},
        {"5", LEFT_CTRL_PRESSED},
        {"6", LEFT_CTRL_PRESSED | SHIFT_PRESSED},
        {"7", LEFT_CTRL_PRESSED | LEFT_ALT_PRESSED},
    };
    for (const auto& m : ModifiedKeys)
        for (const auto& s : ModifierSuffixes) AddCap(out, (std::string(m.Base) + s.Suffix).c_str(), m.Key, s.Mods);

    std::vector<KeySequence> builtin = BuiltinKeySequences();
    out.insert(out.end(), builtin.begin(), builtin.end());
    return out;
}
