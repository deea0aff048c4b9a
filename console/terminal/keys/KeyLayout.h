// The PC keyboard with a US layout, as far as the key decoder needs it: which
// virtual key, scan code (set 1) and character each key gives, and how Shift
// and Ctrl change the character. Terminals report keys by name or by the
// character they type; these tables turn both back into PC key events.
#pragma once
#include <cstdint>

#include "PlatformConsole.h"

// Windows virtual key codes of the keys a terminal can report.
constexpr uint16_t VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D,
                   VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
                   VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27,
                   VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_NUMPAD0 = 0x60,
                   VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D,
                   VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_OEM_1 = 0xBA,
                   VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
                   VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB,
                   VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE;

// Keys that terminals name rather than type.
enum class NamedKey : uint8_t {
    Up, Down, Left, Right, Home, End, Insert, Delete, PageUp, PageDown,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    Escape, Enter, Tab, Backspace,
    // The numeric keypad: digits and operators with Num Lock on...
    Kp0, Kp1, Kp2, Kp3, Kp4, Kp5, Kp6, Kp7, Kp8, Kp9,
    KpDecimal, KpDivide, KpMultiply, KpSubtract, KpAdd, KpEnter, KpEqual, KpSeparator,
    // ...and its cursor block with Num Lock off (keypad 5 is Begin).
    KpUp, KpDown, KpLeft, KpRight, KpHome, KpEnd, KpInsert, KpDelete, KpPageUp, KpPageDown,
    KpBegin,
    // Modifier and lock keys alone (reported only by the kitty protocol).
    LeftShift, RightShift, LeftCtrl, RightCtrl, LeftAlt, RightAlt, CapsLock, NumLock, ScrollLock,
};

// One physical key: what it gives with no modifier held.
struct PcKey {
    uint16_t Vk = 0;
    uint16_t Scan = 0;
    uint8_t Char = 0;
    bool Enhanced = false;   // grey cursor block, keypad Enter and /, right Ctrl/Alt
};

PcKey NamedPcKey(NamedKey k);
// The key down event for a named key with modifier bits (Ctrl changes the
// character of Enter, Tab, Backspace and the keypad as a PC keyboard does).
KeyEventRecord NamedKeyEvent(NamedKey k, uint32_t mods);

// The key that types the printable ASCII character c (0x20..0x7E) on a US
// layout; shifted tells whether Shift is needed. False for other bytes.
bool AsciiPcKey(uint8_t c, PcKey& key, bool& shifted);
// What Shift makes of an unshifted ASCII character ('a' -> 'A', '1' -> '!').
uint8_t ShiftedAscii(uint8_t c);
// The byte Ctrl with the key of ASCII character c types; 0 when none.
uint8_t ControlByte(uint8_t c);

// The event of a byte typed by the terminal: printable ASCII and control
// bytes (Ctrl+letter, Tab, CR, Backspace ...). Bytes >= 0x80 are characters
// already in Windows-1250 (no key position). lfIsEnter: LF is a plain Enter.
KeyEventRecord ByteKeyEvent(uint8_t b, bool lfIsEnter);

// The event of a key given by its unshifted Unicode code point plus
// modifier bits, as the kitty protocol and xterm's modifyOtherKeys report
// it. text is the character the terminal says it typed (0: none),
// shiftedCp Shift's alternate (0: none). False when the key has no
// Windows-1250 character and no PC key.
bool CodePointKeyEvent(uint32_t cp, uint32_t shiftedCp, uint32_t text, uint32_t mods,
                       KeyEventRecord& ev);

// Upper case of a letter of the Latin-1 and Latin Extended-A blocks.
uint32_t UnicodeUpper(uint32_t cp);

// Modifier bits of the xterm/kitty modifier parameter (1 + shift 1, alt 2,
// ctrl 4, ..., caps lock 64, num lock 128).
uint32_t ModifierBits(int param);
