// The key string tables: what the terminal's capabilities say it sends, and
// the xterm/VT forms that are recognised whatever they say.
#include <iterator>
#include <string>
#include <vector>

#include "KeySequences.h"
#include "KeyEscapes.h"
#include "KeyLayout.h"

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

// A key string is an escape sequence; single bytes are typed keys already.
void AddKeyString(std::vector<KeySequence>& out, const std::string& s, NamedKey k, uint32_t mods) {
    if (s.size() >= 2 && s[0] == '\x1b') Add(out, s, NamedKeyEvent(k, mods));
}

void AddCap(std::vector<KeySequence>& out, CapabilityLookup cap, const char* name, NamedKey k, uint32_t mods) {
    AddKeyString(out, cap(name), k, mods);
}

constexpr uint32_t ModifierBitsMask = SHIFT_PRESSED | LEFT_CTRL_PRESSED | LEFT_ALT_PRESSED;

// The F-key (1..12) and modifiers that a terminal's kfN (N >= 13) stands for.
struct NumberedKey {
    int F;
    uint32_t Mods;
};

// The VT220 numbering (the entry's F13 is CSI 25 ~: the linux console, rxvt)
// has F11..F20 where a PC keyboard has Shift+F1..F10; Shift+F1 and Shift+F2
// send F11's and F12's bytes, so kf13.. are Shift+F3.., then rxvt goes on
// with Ctrl+F1..F12 and Ctrl+Shift+F3..F12. Other entries count twelve
// keys per modifier group, in xterm's order.
bool NumberedFunctionKey(int n, bool vt220, NumberedKey& k) {
    constexpr uint32_t Shift = SHIFT_PRESSED, Ctrl = LEFT_CTRL_PRESSED, Alt = LEFT_ALT_PRESSED;
    if (vt220) {
        if (n >= 13 && n <= 22) k = {n - 10, Shift};
        else if (n >= 23 && n <= 34) k = {n - 22, Ctrl};
        else if (n >= 35 && n <= 44) k = {n - 32, Ctrl | Shift};
        else return false;
        return true;
    }
    static constexpr uint32_t Groups[] = {Shift, Ctrl, Ctrl | Shift, Alt, Alt | Shift};
    const int group = (n - 13) / 12;
    if (n < 13 || group >= static_cast<int>(std::size(Groups))) return false;
    k = {(n - 13) % 12 + 1, Groups[group]};
    return true;
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

std::vector<KeySequence> KeySequencesFromCapabilities(CapabilityLookup cap) {
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
    for (const auto& c : PlainKeys) AddCap(out, cap, c.Name, c.Key, c.Mods);
    for (int i = 1; i <= 12; i++)
        AddCap(out, cap, ("kf" + std::to_string(i)).c_str(), static_cast<K>(static_cast<int>(K::F1) + i - 1), 0);

    // kf13 and up are the modified F-keys. A string with a modifier
    // parameter (xterm's CSI 1;2P, CSI 15;5~) says itself which key it is;
    // plain ones count on from F12 as the entry numbers them.
    const bool vt220 = cap("kf13") == "\x1b[25~";
    for (int i = 13; i <= 63; i++) {
        const std::string s = cap(("kf" + std::to_string(i)).c_str());
        EscapeParse r = ParseEscape(reinterpret_cast<const uint8_t*>(s.data()), s.size());
        if (r.St == EscapeParse::Complete && r.IsKey && r.Length == s.size() &&
            (r.Event.ControlKeyState & ModifierBitsMask)) {
            Add(out, s, r.Event);
            continue;
        }
        NumberedKey k;
        if (NumberedFunctionKey(i, vt220, k))
            AddKeyString(out, s, static_cast<K>(static_cast<int>(K::F1) + k.F - 1), k.Mods);
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
        for (const auto& s : ModifierSuffixes) AddCap(out, cap, (std::string(m.Base) + s.Suffix).c_str(), m.Key, s.Mods);

    std::vector<KeySequence> builtin = BuiltinKeySequences();
    out.insert(out.end(), builtin.begin(), builtin.end());
    return out;
}
