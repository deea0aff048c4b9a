#include "KeyEscapes.h"

#include "KeyLayout.h"

namespace {

constexpr uint8_t ESC = 0x1B;

// The numeric parameters of a sequence: fields split by ';', each with
// sub-fields split by ':' (kitty's key:alternates and modifiers:event-type).
struct Params {
    static constexpr int FieldCount = 4, SubCount = 4;
    long v[FieldCount][SubCount];
    int Fields = 1;
    bool Valid = true;

    long Get(int f, int s, long def) const {
        if (f >= Fields || v[f][s] < 0) return def;
        return v[f][s];
    }
};

Params ParseParams(const uint8_t* p, size_t n) {
    Params r;
    for (auto& f : r.v)
        for (long& s : f) s = -1;
    int f = 0, s = 0;
    for (size_t i = 0; i < n; i++) {
        uint8_t c = p[i];
        if (c >= '0' && c <= '9') {
            if (f < Params::FieldCount && s < Params::SubCount) {
                long& x = r.v[f][s];
                if (x < 0) x = 0;
                if (x < 100000000) x = x * 10 + (c - '0');   // saturate: no overflow on garbage
            }
        } else if (c == ';') {
            f++;
            s = 0;
            if (f < Params::FieldCount) r.Fields = f + 1;
        } else if (c == ':') {
            s++;
        } else {
            r.Valid = false;   // '<' '=' '>' '?' inside: not a key
        }
    }
    return r;
}

// The key of CSI n ~ (and of rxvt's CSI n ^, $, @), with Shift where the
// number says it: in the VT220 numbering of the Linux console and rxvt,
// F13..F20 (25, 26, 28, 29, 31..34) are what Shift+F3..F10 send.
bool TildeKey(long n, NamedKey& k, uint32_t& mods) {
    using K = NamedKey;
    constexpr long Vt220Shifted[] = {25, 26, 28, 29, 31, 32, 33, 34};
    for (int i = 0; i < 8; i++)
        if (n == Vt220Shifted[i]) {
            k = static_cast<K>(static_cast<int>(K::F3) + i);
            mods |= SHIFT_PRESSED;
            return true;
        }
    switch (n) {
    case 1: case 7: k = K::Home; return true;
    case 2: k = K::Insert; return true;
    case 3: k = K::Delete; return true;
    case 4: case 8: k = K::End; return true;
    case 5: k = K::PageUp; return true;
    case 6: k = K::PageDown; return true;
    case 11: case 12: case 13: case 14: case 15:
        k = static_cast<K>(static_cast<int>(K::F1) + (n - 11));
        return true;
    case 17: case 18: case 19: case 20: case 21:
        k = static_cast<K>(static_cast<int>(K::F6) + (n - 17));
        return true;
    case 23: k = K::F11; return true;
    case 24: k = K::F12; return true;
    case 57427: k = K::KpBegin; return true;
    default: return false;
    }
}

// rxvt's endings instead of ~: ^ Ctrl, $ Shift, @ Ctrl+Shift.
bool RxvtEnding(uint8_t f, uint32_t& mods) {
    switch (f) {
    case '~': return true;
    case '^': mods |= LEFT_CTRL_PRESSED; return true;
    case '$': mods |= SHIFT_PRESSED; return true;
    case '@': mods |= LEFT_CTRL_PRESSED | SHIFT_PRESSED; return true;
    default: return false;
    }
}

// Final letters shared by CSI and SS3 forms.
bool LetterKey(uint8_t f, NamedKey& k) {
    using K = NamedKey;
    switch (f) {
    case 'A': k = K::Up; return true;
    case 'B': k = K::Down; return true;
    case 'C': k = K::Right; return true;
    case 'D': k = K::Left; return true;
    case 'H': k = K::Home; return true;
    case 'F': k = K::End; return true;
    case 'E': case 'G': k = K::KpBegin; return true;
    case 'P': k = K::F1; return true;
    case 'Q': k = K::F2; return true;
    case 'R': k = K::F3; return true;
    case 'S': k = K::F4; return true;
    default: return false;
    }
}

// rxvt's modified arrows, a..d for Up, Down, Right, Left (the letters of
// the plain arrows in lower case): CSI with Shift, SS3 with Ctrl.
bool RxvtArrow(uint8_t f, NamedKey& k) {
    return f >= 'a' && f <= 'd' && LetterKey(static_cast<uint8_t>(f - 'a' + 'A'), k);
}

// The keypad in application mode (SS3 j..y, M, X).
bool Ss3KeypadKey(uint8_t f, Ss3Keypad keypad, NamedKey& k) {
    using K = NamedKey;
    if (keypad == Ss3Keypad::CursorKeys) {
        // In the order of p..y: the positions of 0..9.
        static constexpr K CursorKeys[] = {K::KpInsert, K::KpEnd,   K::KpDown, K::KpPageDown, K::KpLeft,
                                           K::KpBegin,  K::KpRight, K::KpHome, K::KpUp,       K::KpPageUp};
        if (f >= 'p' && f <= 'y') {
            k = CursorKeys[f - 'p'];
            return true;
        }
        if (f == 'n') {
            k = K::KpDelete;
            return true;
        }
    }
    if (f >= 'p' && f <= 'y') {
        k = static_cast<K>(static_cast<int>(K::Kp0) + (f - 'p'));
        return true;
    }
    switch (f) {
    case 'M': k = K::KpEnter; return true;
    case 'j': k = K::KpMultiply; return true;
    case 'k': k = K::KpAdd; return true;
    case 'l': k = K::KpSeparator; return true;
    case 'm': k = K::KpSubtract; return true;
    case 'n': k = K::KpDecimal; return true;
    case 'o': k = K::KpDivide; return true;
    case 'X': k = K::KpEqual; return true;
    default: return false;
    }
}

// Keys the kitty protocol reports by a private-use code point.
bool KittyFunctionalKey(long code, NamedKey& k) {
    using K = NamedKey;
    if (code >= 57364 && code <= 57375) {
        k = static_cast<K>(static_cast<int>(K::F1) + (code - 57364));
        return true;
    }
    if (code >= 57399 && code <= 57408) {
        k = static_cast<K>(static_cast<int>(K::Kp0) + (code - 57399));
        return true;
    }
    static constexpr struct {
        long Code;
        K Key;
    } KittyKeyMap[] = {
        {57358, K::CapsLock},    {57359, K::ScrollLock}, {57360, K::NumLock},
        {57409, K::KpDecimal},   {57410, K::KpDivide},   {57411, K::KpMultiply},
        {57412, K::KpSubtract},  {57413, K::KpAdd},      {57414, K::KpEnter},
        {57415, K::KpEqual},     {57416, K::KpSeparator}, {57417, K::KpLeft},
        {57418, K::KpRight},     {57419, K::KpUp},       {57420, K::KpDown},
        {57421, K::KpPageUp},    {57422, K::KpPageDown}, {57423, K::KpHome},
        {57424, K::KpEnd},       {57425, K::KpInsert},   {57426, K::KpDelete},
        {57427, K::KpBegin},     {57441, K::LeftShift},  {57442, K::LeftCtrl},
        {57443, K::LeftAlt},     {57447, K::RightShift}, {57448, K::RightCtrl},
        {57449, K::RightAlt},
    };
    for (const auto& m : KittyKeyMap)
        if (m.Code == code) {
            k = m.Key;
            return true;
        }
    return false;
}

void SetKey(EscapeParse& r, NamedKey k, uint32_t mods) {
    r.Event = NamedKeyEvent(k, mods);
    r.IsKey = true;
}

// Fills r with the key a complete CSI sequence means (r.IsKey stays false
// for reports and keys this program has no use for).
void InterpretCsi(const Params& prm, uint8_t final, EscapeParse& r) {
    const long type = prm.Get(1, 1, 0);
    if (type > 3) return;
    r.EventType = static_cast<int>(type);
    const uint32_t mods = ModifierBits(static_cast<int>(prm.Get(1, 0, 1)));
    NamedKey k{};
    if (final == 'u') {
        long code = prm.Get(0, 0, -1);
        long text = prm.Get(2, 0, 0);
        // Code 0 carries text that no key produced (an input method): the
        // first character stands for itself.
        if (code == 0) code = text;
        if (code <= 0) return;
        if (KittyFunctionalKey(code, k)) {
            SetKey(r, k, mods);
            return;
        }
        long shifted = prm.Get(0, 1, 0);
        r.IsKey = CodePointKeyEvent(static_cast<uint32_t>(code), static_cast<uint32_t>(shifted),
                                    static_cast<uint32_t>(text), mods, r.Event);
        return;
    }
    if (final == '~' || final == '^' || final == '$' || final == '@') {
        long n = prm.Get(0, 0, -1);
        if (final == '~' && n == 27 && prm.Fields >= 3) {
            // xterm's modifyOtherKeys: CSI 27 ; modifiers ; code ~
            long code = prm.Get(2, 0, -1);
            if (code >= 0)
                r.IsKey = CodePointKeyEvent(static_cast<uint32_t>(code), 0, 0, mods, r.Event);
            return;
        }
        uint32_t m = mods;
        if (final != '~' && prm.Fields > 1) return;   // rxvt's forms carry the key's number alone
        if (RxvtEnding(final, m) && TildeKey(n, k, m)) SetKey(r, k, m);
        return;
    }
    // Letter forms carry no number or 1 before the modifiers.
    const long first = prm.Get(0, 0, -1);
    if (first > 1) return;
    if (final == 'Z') {
        SetKey(r, NamedKey::Tab, mods | SHIFT_PRESSED);
        return;
    }
    const bool bare = first < 0 && prm.Fields == 1;
    if (bare && RxvtArrow(final, k)) {
        SetKey(r, k, SHIFT_PRESSED);
        return;
    }
    // CSI row ; col R is also the cursor position report. Keys are CSI R
    // alone (kitty's F3; the decoder takes it for the report while one is
    // awaited) and CSI 1 ; modifiers R with a modifier or an event type
    // (modified F3); CSI 1 ; 1 R or any other position is a report.
    if (final == 'R' && !bare && (first != 1 || prm.Fields < 2 || (prm.Get(1, 0, -1) < 2 && type == 0))) return;
    if (LetterKey(final, k)) SetKey(r, k, mods);
}

void InterpretSs3(const Params& prm, uint8_t final, Ss3Keypad keypad, EscapeParse& r) {
    // Old xterms put the modifier right after SS3 (ESC O 5 A), newer ones as ESC O 1 ; 5 A.
    const long m = prm.Fields >= 2 ? prm.Get(1, 0, 1) : prm.Get(0, 0, 1);
    const uint32_t mods = ModifierBits(static_cast<int>(m));
    NamedKey k{};
    if (LetterKey(final, k) || Ss3KeypadKey(final, keypad, k)) SetKey(r, k, mods);
    else if (RxvtArrow(final, k)) SetKey(r, k, mods | LEFT_CTRL_PRESSED);
}

}  // namespace

EscapeParse ParseEscape(const uint8_t* p, size_t n, Ss3Keypad keypad) {
    EscapeParse r;
    if (n < 2 || p[0] != ESC || (p[1] != '[' && p[1] != 'O')) return r;
    const bool csi = p[1] == '[';
    size_t i = 2;
    if (csi && n > 2 && p[2] == '[') {
        // The linux console's F1..F5: ESC [ [ A .. ESC [ [ E.
        if (n < 4) {
            r.St = EscapeParse::Incomplete;
            return r;
        }
        uint8_t f = p[3];
        if (f < 0x40 || f > 0x7E) {
            r.St = EscapeParse::Broken;
            r.Length = 3;
            return r;
        }
        r.St = EscapeParse::Complete;
        r.Length = 4;
        if (f >= 'A' && f <= 'E') SetKey(r, static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + (f - 'A')), 0);
        return r;
    }
    const size_t paramStart = i;
    while (i < n && p[i] >= 0x30 && p[i] <= 0x3F) i++;
    const size_t paramEnd = i;
    // rxvt ends a key's number with $ (Shift), which is an intermediate
    // byte in the grammar: a number and $ are a whole sequence.
    bool rxvtShift = csi && i > paramStart && i < n && p[i] == '$';
    for (size_t j = paramStart; rxvtShift && j < paramEnd; j++) rxvtShift = p[j] >= '0' && p[j] <= '9';
    if (!rxvtShift)
        while (i < n && p[i] >= 0x20 && p[i] <= 0x2F) i++;
    if (i >= n) {
        r.St = EscapeParse::Incomplete;
        return r;
    }
    const uint8_t f = p[i];
    if (!rxvtShift && (f < 0x40 || f > 0x7E)) {
        // ESC [ or ESC O followed by something no sequence has: the caller
        // takes it as Alt with that key; a started sequence is dropped.
        if (i == 2) return r;
        r.St = EscapeParse::Broken;
        r.Length = i;
        return r;
    }
    r.St = EscapeParse::Complete;
    r.Length = i + 1;
    if (i != paramEnd && !rxvtShift) return r;   // intermediate bytes: not a key
    Params prm = ParseParams(p + paramStart, paramEnd - paramStart);
    if (!prm.Valid) return r;    // private reports (CSI ? ... c, CSI ? flags u, mouse ...)
    if (csi)
        InterpretCsi(prm, f, r);
    else
        InterpretSs3(prm, f, keypad, r);
    if (!r.IsKey) r.EventType = 0;
    return r;
}
