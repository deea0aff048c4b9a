// Key input: console key events become the one-byte codes ReadKey delivers,
// with the two-step codes of extended keys and characters typed as Alt codes.
#include "CrtKeys.h"

#include <string>

#include "Crt.h"
#include "PlatformRegistry.h"

uint8_t PendingKey = 0;
bool PendingExtended = false;
bool AltCodeMode = false;
uint8_t AltCodeValue = 0;

namespace {

std::string typedAhead;   // keys not yet delivered, from typedAheadAt on
size_t typedAheadAt = 0;

// The code of one extended key under each modifier group; 0 keeps the scan
// code. Plain keys come without the leading 0.
struct RemapRow {
    uint8_t Scan;
    uint8_t None, Shift, Ctrl, Alt;
    bool PlainNone, PlainShift, PlainCtrl;
};

constexpr RemapRow RemapTable[] = {
    {15, 0, 0, 148, 0, false, false, false},      // Tab
    {28, 13, 13, 10, 166, true, true, true},      // Enter
    {53, 0, 0, 149, 164, false, false, false},    // /
    {55, 0, 0, 150, 0, false, false, false},      // keypad *
    {71, 0, 0, 119, 151, false, false, false},    // Home
    {72, 0, 0, 141, 152, false, false, false},    // Up
    {73, 0, 0, 132, 153, false, false, false},    // PgUp
    {74, 0, 0, 142, 0, false, false, false},      // keypad -
    {75, 0, 0, 115, 155, false, false, false},    // Left
    {76, 0, 0, 143, 0, false, false, false},      // keypad 5
    {77, 0, 0, 116, 157, false, false, false},    // Right
    {79, 0, 0, 117, 159, false, false, false},    // End
    {80, 0, 0, 145, 160, false, false, false},    // Down
    {81, 0, 0, 118, 161, false, false, false},    // PgDn
    {82, 0, 0, 146, 162, false, false, false},    // Ins
    {83, 0, 0, 147, 163, false, false, false},    // Del
    {87, 133, 135, 137, 139, false, false, false},   // F11
    {88, 134, 136, 138, 140, false, false, false},   // F12
};

enum class Group { None, Shift, Ctrl, Alt };

Group ModifierGroup(uint8_t mods) {
    if (mods & (RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED)) return Group::Alt;
    if (mods & (RIGHT_CTRL_PRESSED | LEFT_CTRL_PRESSED)) return Group::Ctrl;
    if (mods & SHIFT_PRESSED) return Group::Shift;
    return Group::None;
}

bool IsModifierKey(uint16_t vk) {
    return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_CAPITAL ||
           vk == VK_NUMLOCK || vk == VK_SCROLL;
}

// Keypad digit positions by scan code; -1 for any other key.
int KeypadDigit(uint8_t scan) {
    switch (scan) {
        case 82: return 0;
        case 79: return 1;
        case 80: return 2;
        case 81: return 3;
        case 75: return 4;
        case 76: return 5;
        case 77: return 6;
        case 71: return 7;
        case 72: return 8;
        case 73: return 9;
        default: return -1;
    }
}

}  // namespace

uint8_t RemapScanCode(uint8_t ScanCode, uint8_t Modifiers) {
    Group g = ModifierGroup(Modifiers);
    if (ScanCode >= 2 && ScanCode <= 13)   // top row 1 .. =
        return g == Group::Alt ? static_cast<uint8_t>(ScanCode + 118) : ScanCode;
    if (ScanCode >= 59 && ScanCode <= 68) {   // F1-F10
        switch (g) {
            case Group::Shift: return static_cast<uint8_t>(ScanCode + 25);
            case Group::Ctrl: return static_cast<uint8_t>(ScanCode + 35);
            case Group::Alt: return static_cast<uint8_t>(ScanCode + 45);
            case Group::None: return ScanCode;
        }
    }
    for (const RemapRow& row : RemapTable) {
        if (row.Scan != ScanCode) continue;
        uint8_t code = 0;
        bool plain = false;
        switch (g) {
            case Group::None: code = row.None; plain = row.PlainNone; break;
            case Group::Shift: code = row.Shift; plain = row.PlainShift; break;
            case Group::Ctrl: code = row.Ctrl; plain = row.PlainCtrl; break;
            case Group::Alt: code = row.Alt; break;
        }
        if (plain) PendingExtended = false;
        return code ? code : ScanCode;
    }
    return ScanCode;
}

void TypeAhead(std::string_view keys) {
    typedAhead.erase(0, typedAheadAt);
    typedAheadAt = 0;
    typedAhead.append(keys);
}

bool KeyPressed() {
    if (PendingKey != 0) return true;
    while (typedAheadAt < typedAhead.size()) {
        uint8_t key = static_cast<uint8_t>(typedAhead[typedAheadAt++]);
        if (key == 0) continue;
        PendingExtended = false;
        PendingKey = key;
        return true;
    }
    PlatformConsole& con = Platform();
    InputRecord rec;
    while (con.GetNumberOfInputEvents() > 0) {
        if (!con.ReadConsoleInput(rec)) break;
        if (rec.EventType != KEY_EVENT) continue;
        const KeyEventRecord& key = rec.Key;
        if (!key.KeyDown) {
            if (key.VirtualKeyCode == VK_MENU && AltCodeMode && AltCodeValue > 0) {
                PendingKey = AltCodeValue;
                AltCodeMode = false;
                AltCodeValue = 0;
                return true;
            }
            continue;
        }
        if (IsModifierKey(key.VirtualKeyCode)) continue;

        // The repeat count is ignored: a held key counts once per event.
        uint8_t scan = static_cast<uint8_t>(key.VirtualScanCode & 0xFF);
        uint8_t mods = static_cast<uint8_t>(key.ControlKeyState & 0xFF);
        if (key.AsciiChar == 0 || (key.ControlKeyState & ENHANCED_KEY) ||
            (key.ControlKeyState & LEFT_ALT_PRESSED)) {
            PendingExtended = true;
            PendingKey = RemapScanCode(scan, mods);
        } else if (key.AsciiChar == 9 && (key.ControlKeyState & SHIFT_PRESSED)) {
            PendingExtended = true;
            PendingKey = 15;
        } else {
            PendingExtended = false;
            PendingKey = key.AsciiChar;
        }

        // An Alt code ends when Alt is let go; where no release is ever
        // reported it could never end, so the key stays the extended key it
        // is (Alt+Up gives 0 and 152).
        int digit = KeypadDigit(scan);
        if ((key.ControlKeyState & (RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED)) && digit >= 0 &&
            con.ReportsKeyReleases()) {
            AltCodeMode = true;
            AltCodeValue = static_cast<uint8_t>(AltCodeValue * 10 + digit);
            PendingKey = 0;
            PendingExtended = false;
            continue;
        }
        return true;
    }
    return false;
}

uint8_t ReadKey() {
    // The platform blocks on the terminal (showing pending output first)
    // instead of polling, so a key wait costs no CPU.
    while (!KeyPressed()) Platform().WaitForInput();
    if (PendingExtended) {
        PendingExtended = false;
        return 0;
    }
    uint8_t key = PendingKey;
    PendingKey = 0;
    return key;
}
