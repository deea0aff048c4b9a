#include "KeyLayout.h"

#include "Cp1250.h"

namespace {

constexpr uint32_t CtrlBits = LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED;

// Scan codes of the letters a..z on a US keyboard.
constexpr uint8_t LetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                     49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
// Shift's characters on the top row keys 1..9, 0.
constexpr char ShiftedDigits[] = "!@#$%^&*()";

// The punctuation keys: unshifted, shifted, virtual key, scan code.
struct PunctKey {
    char Plain, Shifted;
    uint16_t Vk, Scan;
};
constexpr PunctKey PunctKeys[] = {
    {'-', '_', VK_OEM_MINUS, 12}, {'=', '+', VK_OEM_PLUS, 13},   {'[', '{', VK_OEM_4, 26},
    {']', '}', VK_OEM_6, 27},     {'\\', '|', VK_OEM_5, 43},     {';', ':', VK_OEM_1, 39},
    {'\'', '"', VK_OEM_7, 40},    {'`', '~', VK_OEM_3, 41},      {',', '<', VK_OEM_COMMA, 51},
    {'.', '>', VK_OEM_PERIOD, 52}, {'/', '?', VK_OEM_2, 53},     {' ', ' ', VK_SPACE, 57},
};

// Keypad digit positions 0..9 (the scan codes of Ins, End, Down, PgDn,
// Left, 5, Right, Home, Up, PgUp).
constexpr uint8_t KeypadScan[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};

bool IsKeypadCharKey(NamedKey k) { return k >= NamedKey::Kp0 && k <= NamedKey::KpSeparator; }

}  // namespace

PcKey NamedPcKey(NamedKey k) {
    using K = NamedKey;
    switch (k) {
    case K::Up: return {VK_UP, 72, 0, true};
    case K::Down: return {VK_DOWN, 80, 0, true};
    case K::Left: return {VK_LEFT, 75, 0, true};
    case K::Right: return {VK_RIGHT, 77, 0, true};
    case K::Home: return {VK_HOME, 71, 0, true};
    case K::End: return {VK_END, 79, 0, true};
    case K::Insert: return {VK_INSERT, 82, 0, true};
    case K::Delete: return {VK_DELETE, 83, 0, true};
    case K::PageUp: return {VK_PRIOR, 73, 0, true};
    case K::PageDown: return {VK_NEXT, 81, 0, true};
    case K::F11: return {VK_F1 + 10, 87, 0, false};
    case K::F12: return {VK_F1 + 11, 88, 0, false};
    case K::Escape: return {VK_ESCAPE, 1, 27, false};
    case K::Enter: return {VK_RETURN, 28, 13, false};
    case K::Tab: return {VK_TAB, 15, 9, false};
    case K::Backspace: return {VK_BACK, 14, 8, false};
    case K::KpDecimal: return {VK_DECIMAL, 83, '.', false};
    case K::KpDivide: return {VK_DIVIDE, 53, '/', true};
    case K::KpMultiply: return {VK_MULTIPLY, 55, '*', false};
    case K::KpSubtract: return {VK_SUBTRACT, 74, '-', false};
    case K::KpAdd: return {VK_ADD, 78, '+', false};
    case K::KpEnter: return {VK_RETURN, 28, 13, true};
    case K::KpEqual: return {VK_OEM_PLUS, 13, '=', false};
    case K::KpSeparator: return {VK_SEPARATOR, 83, ',', false};
    case K::KpUp: return {VK_UP, 72, 0, false};
    case K::KpDown: return {VK_DOWN, 80, 0, false};
    case K::KpLeft: return {VK_LEFT, 75, 0, false};
    case K::KpRight: return {VK_RIGHT, 77, 0, false};
    case K::KpHome: return {VK_HOME, 71, 0, false};
    case K::KpEnd: return {VK_END, 79, 0, false};
    case K::KpInsert: return {VK_INSERT, 82, 0, false};
    case K::KpDelete: return {VK_DELETE, 83, 0, false};
    case K::KpPageUp: return {VK_PRIOR, 73, 0, false};
    case K::KpPageDown: return {VK_NEXT, 81, 0, false};
    case K::KpBegin: return {VK_CLEAR, 76, 0, false};
    case K::LeftShift: return {VK_SHIFT, 42, 0, false};
    case K::RightShift: return {VK_SHIFT, 54, 0, false};
    case K::LeftCtrl: return {VK_CONTROL, 29, 0, false};
    case K::RightCtrl: return {VK_CONTROL, 29, 0, true};
    case K::LeftAlt: return {VK_MENU, 56, 0, false};
    case K::RightAlt: return {VK_MENU, 56, 0, true};
    case K::CapsLock: return {VK_CAPITAL, 58, 0, false};
    case K::NumLock: return {VK_NUMLOCK, 69, 0, true};
    case K::ScrollLock: return {VK_SCROLL, 70, 0, false};
    default: break;
    }
    if (k >= K::F1 && k <= K::F10) {
        int i = static_cast<int>(k) - static_cast<int>(K::F1);
        return {static_cast<uint16_t>(VK_F1 + i), static_cast<uint16_t>(59 + i), 0, false};
    }
    if (k >= K::Kp0 && k <= K::Kp9) {
        int d = static_cast<int>(k) - static_cast<int>(K::Kp0);
        return {static_cast<uint16_t>(VK_NUMPAD0 + d), KeypadScan[d], static_cast<uint8_t>('0' + d),
                false};
    }
    return {};
}

KeyEventRecord NamedKeyEvent(NamedKey k, uint32_t mods) {
    PcKey key = NamedPcKey(k);
    KeyEventRecord ev;
    ev.KeyDown = true;
    ev.VirtualKeyCode = key.Vk;
    ev.VirtualScanCode = key.Scan;
    ev.AsciiChar = key.Char;
    // The right-hand Ctrl and Alt keys report themselves as the right ones.
    if (k == NamedKey::RightCtrl && (mods & LEFT_CTRL_PRESSED))
        mods = (mods & ~LEFT_CTRL_PRESSED) | RIGHT_CTRL_PRESSED;
    if (k == NamedKey::RightAlt && (mods & LEFT_ALT_PRESSED))
        mods = (mods & ~LEFT_ALT_PRESSED) | RIGHT_ALT_PRESSED;
    ev.ControlKeyState = mods | (key.Enhanced ? ENHANCED_KEY : 0);
    if (mods & CtrlBits) {
        if (k == NamedKey::Enter || k == NamedKey::KpEnter)
            ev.AsciiChar = 10;
        else if (k == NamedKey::Tab)
            ev.AsciiChar = 0;   // Ctrl+Tab is an extended key
        else if (k == NamedKey::Backspace)
            ev.AsciiChar = 127;
        else if (IsKeypadCharKey(k))
            ev.AsciiChar = 0;
    }
    return ev;
}

bool AsciiPcKey(uint8_t c, PcKey& key, bool& shifted) {
    key = PcKey{};
    shifted = false;
    if (c >= 'a' && c <= 'z') {
        key = {static_cast<uint16_t>(c - 'a' + 'A'), LetterScan[c - 'a'], c, false};
        return true;
    }
    if (c >= 'A' && c <= 'Z') {
        key = {c, LetterScan[c - 'A'], c, false};
        shifted = true;
        return true;
    }
    if (c >= '0' && c <= '9') {
        key = {c, static_cast<uint16_t>(c == '0' ? 11 : c - '1' + 2), c, false};
        return true;
    }
    for (int i = 0; i < 10; i++)
        if (c == static_cast<uint8_t>(ShiftedDigits[i])) {
            uint8_t digit = static_cast<uint8_t>(i == 9 ? '0' : '1' + i);
            key = {digit, static_cast<uint16_t>(i + 2), c, false};
            shifted = true;
            return true;
        }
    for (const PunctKey& p : PunctKeys) {
        if (c == static_cast<uint8_t>(p.Plain) || c == static_cast<uint8_t>(p.Shifted)) {
            key = {p.Vk, p.Scan, c, false};
            shifted = c != static_cast<uint8_t>(p.Plain);
            return true;
        }
    }
    return false;
}

uint8_t ShiftedAscii(uint8_t c) {
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 'A');
    if (c >= '1' && c <= '9') return static_cast<uint8_t>(ShiftedDigits[c - '1']);
    if (c == '0') return ')';
    for (const PunctKey& p : PunctKeys)
        if (c == static_cast<uint8_t>(p.Plain)) return static_cast<uint8_t>(p.Shifted);
    return c;
}

uint8_t ControlByte(uint8_t c) {
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 1);
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c - 'A' + 1);
    switch (c) {
    case '[': case '{': return 27;
    case '\\': case '|': return 28;
    case ']': case '}': return 29;
    case '6': case '^': return 30;
    case '-': case '_': return 31;
    case ' ': return ' ';
    default: return 0;   // Ctrl+2 (NUL) and keys without a control byte
    }
}

KeyEventRecord ByteKeyEvent(uint8_t b, bool lfIsEnter) {
    KeyEventRecord ev;
    ev.KeyDown = true;
    switch (b) {
    case 8: case 127: return NamedKeyEvent(NamedKey::Backspace, 0);
    case 9: return NamedKeyEvent(NamedKey::Tab, 0);
    case 13: return NamedKeyEvent(NamedKey::Enter, 0);
    case 10:
        // A terminal sends LF for Ctrl+Enter (Ctrl-J); piped text ends lines with it.
        return lfIsEnter ? NamedKeyEvent(NamedKey::Enter, 0)
                         : NamedKeyEvent(NamedKey::Enter, LEFT_CTRL_PRESSED);
    case 27: return NamedKeyEvent(NamedKey::Escape, 0);
    case 0: ev.VirtualKeyCode = '2'; ev.VirtualScanCode = 3; ev.ControlKeyState = LEFT_CTRL_PRESSED; return ev;
    case 28: ev.VirtualKeyCode = VK_OEM_5; ev.VirtualScanCode = 43; break;
    case 29: ev.VirtualKeyCode = VK_OEM_6; ev.VirtualScanCode = 27; break;
    case 30: ev.VirtualKeyCode = '6'; ev.VirtualScanCode = 7; ev.ControlKeyState = SHIFT_PRESSED; break;
    case 31: ev.VirtualKeyCode = VK_OEM_MINUS; ev.VirtualScanCode = 12; ev.ControlKeyState = SHIFT_PRESSED; break;
    default: break;
    }
    if (b < 0x20) {
        if (b >= 1 && b <= 26) {
            ev.VirtualKeyCode = static_cast<uint16_t>('A' + b - 1);
            ev.VirtualScanCode = LetterScan[b - 1];
        }
        ev.AsciiChar = b;
        ev.ControlKeyState |= LEFT_CTRL_PRESSED;
        return ev;
    }
    ev.AsciiChar = b;
    PcKey key;
    bool shifted = false;
    if (b < 0x80 && AsciiPcKey(b, key, shifted)) {
        ev.VirtualKeyCode = key.Vk;
        ev.VirtualScanCode = key.Scan;
        if (shifted) ev.ControlKeyState |= SHIFT_PRESSED;
    }
    return ev;
}

bool CodePointKeyEvent(uint32_t cp, uint32_t shiftedCp, uint32_t text, uint32_t mods,
                       KeyEventRecord& ev) {
    switch (cp) {
    case 27: ev = NamedKeyEvent(NamedKey::Escape, mods); return true;
    case 13: ev = NamedKeyEvent(NamedKey::Enter, mods); return true;
    case 9: ev = NamedKeyEvent(NamedKey::Tab, mods); return true;
    case 8: case 127: ev = NamedKeyEvent(NamedKey::Backspace, mods); return true;
    default: break;
    }
    if (cp < 0x20) {
        ev = ByteKeyEvent(static_cast<uint8_t>(cp), false);
        ev.ControlKeyState |= mods;
        return true;
    }
    const bool ctrl = mods & CtrlBits;
    const bool shift = mods & SHIFT_PRESSED;
    uint8_t textCh = 0;
    const bool haveText = text >= 0x20 && UnicodeToCp1250(text, textCh);
    ev = KeyEventRecord{};
    ev.KeyDown = true;
    if (cp < 0x7F) {
        PcKey key;
        bool shifted = false;
        AsciiPcKey(static_cast<uint8_t>(cp), key, shifted);
        ev.VirtualKeyCode = key.Vk;
        ev.VirtualScanCode = key.Scan;
        if (shifted) mods |= SHIFT_PRESSED;
        uint8_t c = static_cast<uint8_t>(cp);
        if (ctrl)
            c = ControlByte(c);
        else if (haveText)
            c = textCh;
        else if (shift)
            c = (shiftedCp >= 0x20 && shiftedCp < 0x7F) ? static_cast<uint8_t>(shiftedCp) : ShiftedAscii(c);
        else if ((mods & CAPSLOCK_ON) && c >= 'a' && c <= 'z')
            c = static_cast<uint8_t>(c - 'a' + 'A');
        ev.AsciiChar = c;
        ev.ControlKeyState = mods;
        return true;
    }
    // A letter outside ASCII: a plain character without a key position,
    // so Alt with it is the character alone (never an extended key).
    if (cp >= 0xE000 && cp <= 0xF8FF) return false;   // private use: functional keys
    uint8_t c = 0;
    if (haveText)
        c = textCh;
    else if (!UnicodeToCp1250(shift ? (shiftedCp ? shiftedCp : UnicodeUpper(cp)) : cp, c))
        return false;
    ev.AsciiChar = c;
    ev.ControlKeyState = mods & ~(LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED);
    return true;
}

uint32_t UnicodeUpper(uint32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 32;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 32;
    // Latin Extended-A pairs capital/small; the parity flips in two runs.
    if ((cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177)) return (cp & 1) ? cp - 1 : cp;
    if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) return (cp & 1) ? cp : cp - 1;
    return cp;
}

uint32_t ModifierBits(int param) {
    if (param < 2) return 0;
    int m = param - 1;
    uint32_t bits = 0;
    if (m & 1) bits |= SHIFT_PRESSED;
    if (m & 2) bits |= LEFT_ALT_PRESSED;
    if (m & 4) bits |= LEFT_CTRL_PRESSED;
    if (m & 64) bits |= CAPSLOCK_ON;
    if (m & 128) bits |= NUMLOCK_ON;
    return bits;
}
