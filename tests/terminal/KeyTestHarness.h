// Shared by the key decoder tests: feeding byte scripts and reading the
// events back. The codes a key wait reads from them come from the console's
// own key layer (ReadKeyCodes).
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <term.h>
#undef lines
#undef columns

#include "MemoryConsole.h"
#include "KeyDecoder.h"
#include "KeyLayout.h"
#include "Terminfo.h"

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

// Loads a terminfo entry for the table builder; false when it is not installed.
inline bool LoadTerm(const char* name) {
    static FILE* devnull = std::fopen("/dev/null", "w");
    if (cur_term != nullptr) del_curterm(cur_term);
    int err = 0;
    return setupterm(const_cast<char*>(name), devnull ? fileno(devnull) : -1, &err) == 0 && err == 1;
}

}  // namespace keytest
