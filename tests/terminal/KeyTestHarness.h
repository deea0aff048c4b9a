// Shared by the key decoder tests: feeding byte scripts, reading events back
// and the codes a key wait would read from them.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <term.h>
#undef lines
#undef columns

#include "KeyDecoder.h"
#include "KeyLayout.h"

namespace keytest {

inline const Charset& Utf8() {
    static const Charset cs("UTF-8");
    return cs;
}

// The fields a test cares about in one event.
struct Ev {
    bool Down;
    uint16_t Vk, Scan;
    uint8_t Ch;
    uint32_t Mods;
    bool operator==(const Ev&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Ev& e) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "{%s vk=0x%02X scan=%u ch=0x%02X mods=0x%03X}", e.Down ? "down" : "up",
                  e.Vk, e.Scan, e.Ch, e.Mods);
    return os << buf;
}

inline Ev ToEv(const InputRecord& r) {
    return {r.Key.KeyDown, r.Key.VirtualKeyCode, r.Key.VirtualScanCode, r.Key.AsciiChar,
            r.Key.ControlKeyState};
}

inline std::vector<InputRecord> Drain(KeyDecoder& d) {
    std::vector<InputRecord> out;
    InputRecord r;
    while (d.Pop(r)) out.push_back(r);
    return out;
}

inline std::vector<Ev> Evs(const std::vector<InputRecord>& recs) {
    std::vector<Ev> out;
    for (const auto& r : recs) out.push_back(ToEv(r));
    return out;
}

inline void Feed(KeyDecoder& d, const std::string& bytes, uint64_t now) {
    d.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), now);
}

// Feeds the whole script at once, lets the timeout pass, and returns every event.
inline std::vector<InputRecord> Decode(const std::string& bytes, KeyDecoder::Options opt = {},
                                       std::vector<KeySequence> table = BuiltinKeySequences()) {
    KeyDecoder d(std::move(table), Utf8(), opt);
    Feed(d, bytes, 1000);
    d.Tick(1000 + 1000);
    return Drain(d);
}

// A key press with no release reports: the down event and the same up event.
inline std::vector<Ev> Press(uint16_t vk, uint16_t scan, uint8_t ch, uint32_t mods) {
    return {{true, vk, scan, ch, mods}, {false, vk, scan, ch, mods}};
}

// What the key layer's KeyPressed/ReadKey make of extended keys.
inline int Remap(int scan, uint32_t mods, bool& extended) {
    const bool alt = mods & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED);
    const bool ctrl = mods & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED);
    const bool shift = mods & SHIFT_PRESSED;
    extended = true;
    struct Row { int Scan, Ctrl, Alt; };
    static constexpr Row kCursor[] = {{71, 119, 151}, {72, 141, 152}, {73, 132, 153}, {74, 142, 0},
                                      {75, 115, 155}, {76, 143, 0},   {77, 116, 157}, {79, 117, 159},
                                      {80, 145, 160}, {81, 118, 161}, {82, 146, 162}, {83, 147, 163},
                                      {53, 149, 164}, {55, 150, 0},   {15, 148, 0}};
    if (scan >= 2 && scan <= 13) return alt ? scan + 118 : scan;
    if (scan == 28) {
        if (alt) return 166;
        extended = false;
        return ctrl ? 10 : 13;
    }
    if (scan >= 59 && scan <= 68) return alt ? scan + 45 : ctrl ? scan + 35 : shift ? scan + 25 : scan;
    if (scan == 87 || scan == 88) return (scan == 87 ? 133 : 134) + (alt ? 6 : ctrl ? 4 : shift ? 2 : 0);
    for (const Row& r : kCursor)
        if (r.Scan == scan) {
            if (alt) return r.Alt ? r.Alt : scan;
            if (ctrl) return r.Ctrl;
            return scan;
        }
    return scan;
}

// The codes successive ReadKey calls return for these events; without
// release reports Alt makes no Alt-code digits.
inline std::vector<int> Codes(const std::vector<InputRecord>& recs, bool releases = true) {
    static constexpr int kPadDigit[][2] = {{82, 0}, {79, 1}, {80, 2}, {81, 3}, {75, 4},
                                           {76, 5}, {77, 6}, {71, 7}, {72, 8}, {73, 9}};
    std::vector<int> out;
    bool altMode = false;
    uint8_t altValue = 0;
    for (const auto& r : recs) {
        const KeyEventRecord& k = r.Key;
        const uint16_t vk = k.VirtualKeyCode;
        if (k.KeyDown) {
            if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_CAPITAL ||
                vk == VK_NUMLOCK || vk == VK_SCROLL)
                continue;
            bool extended = false;
            int code;
            if (k.AsciiChar == 0 || (k.ControlKeyState & (ENHANCED_KEY | LEFT_ALT_PRESSED)))
                code = Remap(k.VirtualScanCode & 0xFF, k.ControlKeyState & 0xFF, extended);
            else if (k.AsciiChar == 9 && (k.ControlKeyState & SHIFT_PRESSED))
                extended = true, code = 15;
            else
                code = k.AsciiChar;
            if (releases && (k.ControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED))) {
                bool digit = false;
                for (const auto& d : kPadDigit)
                    if (d[0] == k.VirtualScanCode) {
                        altMode = true;
                        altValue = static_cast<uint8_t>(altValue * 10 + d[1]);
                        digit = true;
                    }
                if (digit) continue;
            }
            if (extended) out.push_back(0);
            out.push_back(code);
        } else if (vk == VK_MENU && altMode && altValue > 0) {
            out.push_back(altValue);
            altMode = false;
            altValue = 0;
        }
    }
    return out;
}

// Loads a terminfo entry for the table builder; false when it is not installed.
inline bool LoadTerm(const char* name) {
    static FILE* devnull = std::fopen("/dev/null", "w");
    if (cur_term != nullptr) del_curterm(cur_term);
    int err = 0;
    return setupterm(const_cast<char*>(name), devnull ? fileno(devnull) : -1, &err) == 0 && err == 1;
}

}  // namespace keytest
