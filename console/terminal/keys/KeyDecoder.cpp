#include "KeyDecoder.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "KeyEscapes.h"
#include "KeyLayout.h"

namespace {

constexpr uint8_t ESC = 0x1B;
// Longer than any key sequence; more is garbage and must not grow memory.
constexpr size_t MaxPending = KeyDecoder::MaxHeld;

// ESC P (DCS), ESC X (SOS), ESC ] (OSC), ESC ^ (PM), ESC _ (APC): strings
// that end with ST (ESC \), or BEL; CAN and SUB cancel them.
bool StringIntroducer(uint8_t b) { return b == 'P' || b == 'X' || b == ']' || b == '^' || b == '_'; }
bool StringEnd(uint8_t b) { return b == 0x07 || b == 0x18 || b == 0x1A; }

// Whether p[0..n) can be the start of a terminal's answer, or one whole:
// ESC, ESC [, a CSI with a private marker (device attributes, the kitty
// flags, mode reports), a string, or with cpr a cursor position report.
bool MayBeAnswer(const uint8_t* p, size_t n, bool cpr) {
    if (n == 0 || p[0] != ESC) return false;
    if (n == 1) return true;
    if (StringIntroducer(p[1])) return true;
    if (p[1] != '[') return false;
    if (n == 2) return true;
    if (p[2] == '?' || p[2] == '>' || p[2] == '=') {
        for (size_t i = 3; i < n; i++) {
            if (p[i] >= 0x40 && p[i] <= 0x7E) return i == n - 1;
            if (p[i] < 0x20 || p[i] > 0x3F) return false;
        }
        return true;
    }
    if (!cpr) return false;
    for (size_t i = 2; i < n; i++) {
        if (p[i] == 'R') return i == n - 1;
        if ((p[i] < '0' || p[i] > '9') && p[i] != ';') return false;
    }
    return true;
}

// The primary device attributes, which every terminal sends, and last.
bool DeviceAttributes(const uint8_t* p, size_t n) { return n >= 4 && p[1] == '[' && p[2] == '?' && p[n - 1] == 'c'; }

// An answer that tells a key mode: the kitty flags (CSI ? flags u) or the
// terminal's type (CSI > type ; version ; ... c).
bool KeyModeAnswer(const uint8_t* p, size_t n) {
    return n >= 4 && p[1] == '[' && ((p[2] == '?' && p[n - 1] == 'u') || (p[2] == '>' && p[n - 1] == 'c'));
}

// A CSI with a private marker that ends as no answer ends (device
// attributes c, kitty flags u, modes y, status n, position R, key modifier
// options m): garbage on the line, such as a garbled answer.
bool GarbledAnswer(const uint8_t* p, size_t n) {
    if (n < 4 || p[1] != '[' || (p[2] != '?' && p[2] != '>' && p[2] != '=')) return false;
    const uint8_t f = p[n - 1];
    return f != 'c' && f != 'u' && f != 'y' && f != 'n' && f != 'R' && f != 'm';
}

}  // namespace

struct KeyDecoder::Unit {
    enum Kind {
        None,   // not an escape sequence: the caller tries the next reading
        Key,
        Skip,   // bytes that mean nothing to us (reports, unknown sequences, unmappable characters)
        Wait,   // could still become a longer sequence or character
    };
    Kind K = None;
    size_t Used = 0;
    KeyEventRecord Ev;
    int EventType = 0;     // kitty: 0 not given, 1 press, 2 repeat, 3 release
    bool FromCsi = false;  // a CSI form: with the kitty protocol on, its release is reported

    static Unit Make(Kind k, size_t used) {
        Unit u;
        u.K = k;
        u.Used = used;
        return u;
    }
    static Unit MakeKey(const KeyEventRecord& ev, size_t used) {
        Unit u = Make(Key, used);
        u.Ev = ev;
        u.Ev.KeyDown = true;
        return u;
    }
};

KeyDecoder::KeyDecoder(std::vector<KeySequence> sequences, const Charset& charset, Options options)
    : charset_(charset), opt_(options) {
    if (opt_.EscTimeoutMs < 0) opt_.EscTimeoutMs = 0;
    // Only escape sequences belong in the table: a single byte or a
    // sequence starting otherwise is typed text. The first meaning of a
    // string wins, so terminfo's reading goes before the built-in one.
    std::set<std::string> seen;
    for (KeySequence& s : sequences) {
        if (s.Bytes.size() < 2 || static_cast<uint8_t>(s.Bytes[0]) != ESC) continue;
        // A bare introducer would cut every longer sequence short.
        if (s.Bytes.size() == 2 && (s.Bytes[1] == '[' || s.Bytes[1] == 'O')) continue;
        if (!seen.insert(s.Bytes).second) continue;
        seqs_.push_back(std::move(s));
    }
}

bool KeyDecoder::AnswersAwaited(uint64_t nowMs) const {
    return opt_.AnswersAwaitedUntilMs != 0 && nowMs < opt_.AnswersAwaitedUntilMs;
}

std::string KeyDecoder::TakeLateAnswers() {
    std::string taken;
    taken.swap(lateAnswers_);
    return taken;
}

uint64_t KeyDecoder::TimeoutAt(uint64_t nowMs) const {
    // A string being dropped, or the start of an answer while answers are
    // awaited, waits longer for its next piece than a key's sequence.
    const bool held = skip_ == Skip::String ||
                      (!pending_.empty() && AnswersAwaited(nowMs) &&
                       MayBeAnswer(reinterpret_cast<const uint8_t*>(pending_.data()), pending_.size(),
                                   opt_.PositionReportPending));
    return static_cast<uint64_t>(held ? opt_.AnswerHoldMs : opt_.EscTimeoutMs);
}

void KeyDecoder::Feed(const uint8_t* data, size_t n, uint64_t nowMs) {
    if (data == nullptr || n == 0) return;
    now_ = nowMs;
    if (!pending_.empty() && AnswersAwaited(nowMs) && nowMs >= pendingSince_ &&
        nowMs - pendingSince_ >= static_cast<uint64_t>(opt_.EscTimeoutMs)) {
        // Held past the timeout as a possible answer: if these bytes do not
        // go on with it, it was what the timeout would have made of it.
        std::string probe = pending_ + static_cast<char>(data[0]);
        if (!MayBeAnswer(reinterpret_cast<const uint8_t*>(probe.data()), probe.size(), opt_.PositionReportPending))
            Decode(true);
    }
    pendingSince_ = nowMs;
    pending_.append(reinterpret_cast<const char*>(data), n);
    Decode(false);
}

void KeyDecoder::Tick(uint64_t nowMs) {
    now_ = std::max(now_, nowMs);
    if (pending_.empty() && !Skipping()) return;
    if (nowMs < pendingSince_ || nowMs - pendingSince_ < TimeoutAt(nowMs)) return;
    Decode(true);
    skip_ = Skip::None;
}

void KeyDecoder::Finish() {
    Decode(true);
    skip_ = Skip::None;
}

int KeyDecoder::MsUntilDeadline(uint64_t nowMs) const {
    if (pending_.empty() && !Skipping()) return -1;
    uint64_t elapsed = nowMs > pendingSince_ ? nowMs - pendingSince_ : 0;
    uint64_t timeout = TimeoutAt(nowMs);
    return elapsed >= timeout ? 0 : static_cast<int>(timeout - elapsed);
}

bool KeyDecoder::Pop(InputRecord& out) {
    if (events_.empty()) return false;
    out = events_.front();
    events_.pop_front();
    return true;
}

bool KeyDecoder::HasCtrlC() const {
    for (const InputRecord& r : events_) {
        const KeyEventRecord& k = r.Key;
        if (r.EventType == KEY_EVENT && k.KeyDown && k.AsciiChar == 3 &&
            (k.ControlKeyState & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) &&
            !(k.ControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)))
            return true;
    }
    return false;
}

void KeyDecoder::Decode(bool force) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(pending_.data());
    const size_t size = pending_.size();
    size_t pos = 0;
    while (pos < size) {
        const uint8_t* p = data + pos;
        const size_t n = size - pos;
        if (skip_ == Skip::SequenceTail) {
            // The tail of an overlong sequence: parameters, then its final byte.
            if (p[0] >= 0x20 && p[0] <= 0x3F) {
                pos++;
                continue;
            }
            skip_ = Skip::None;
            if (p[0] >= 0x40 && p[0] <= 0x7E) pos++;
            continue;
        }
        if (skip_ == Skip::String) {
            // The rest of an overlong string, up to its terminator. An ESC
            // ends it: with \\ as ST, else it starts what follows.
            if (p[0] != ESC) {
                if (StringEnd(p[0])) skip_ = Skip::None;
                pos++;
                continue;
            }
            if (n == 1 && !force) break;
            skip_ = Skip::None;
            if (n == 1 || p[1] == '\\') pos += n == 1 ? 1 : 2;
            continue;
        }
        if (opt_.PlainInput && (p[0] == 13 || p[0] == 10)) {
            // Piped text: CR, LF and CR LF each end one line.
            if (p[0] == 10 && lastWasCR_) {
                lastWasCR_ = false;
                pos++;
                continue;
            }
            Emit(Unit::MakeKey(NamedKeyEvent(NamedKey::Enter, 0), 1));
            lastWasCR_ = p[0] == 13;
            pos++;
            continue;
        }
        if (opt_.PositionReportPending && n >= 3 && p[0] == ESC && p[1] == '[') {
            size_t k = 2;
            while (k < n && ((p[k] >= '0' && p[k] <= '9') || p[k] == ';')) k++;
            if (k == n && !force) {   // wait for the rest, within bounds
                if (n < MaxPending) break;
                skip_ = Skip::SequenceTail;
                pos = size;
                break;
            }
            // (CSI R alone is the report of row 1, column 1 too.)
            if (k < n && p[k] == 'R') {
                opt_.PositionReportPending = false;
                pos += k + 1;
                continue;
            }
        }
        Unit u = DecodeUnit(p, n, force);
        if (u.K == Unit::Wait) {
            if (!force && n < MaxPending) break;
            if (!force) {
                // A sequence or string that never ends: drop it and what follows of it.
                skip_ = n >= 2 && p[0] == ESC && StringIntroducer(p[1]) ? Skip::String : Skip::SequenceTail;
                pos = size;
                if (skip_ == Skip::String && data[size - 1] == ESC) pos--;   // perhaps the start of ST
                break;
            }
            u = Unit::Make(Unit::Skip, 1);   // cannot happen when forced; keeps progress certain
        }
        lastWasCR_ = false;
        if (u.K == Unit::Key) Emit(u);
        const size_t used = std::clamp<size_t>(u.Used, 1, n);
        if (u.K == Unit::Skip && p[0] == ESC && AnswersAwaited(now_)) {
            if (KeyModeAnswer(p, used) && lateAnswers_.size() + used <= MaxHeld)
                lateAnswers_.append(reinterpret_cast<const char*>(p), used);
            if (DeviceAttributes(p, used)) opt_.AnswersAwaitedUntilMs = 0;   // the last answer came
            if (GarbledAnswer(p, used)) {
                // A garbled answer: what came with it is garbage too, not keys.
                pos = size;
                break;
            }
        }
        pos += used;
    }
    pending_.erase(0, pos);
}

KeyDecoder::Unit KeyDecoder::DecodeUnit(const uint8_t* p, size_t n, bool force) const {
    if (p[0] != ESC) return DecodeTyped(p, n, force);
    if (n == 1) return force ? Unit::MakeKey(NamedKeyEvent(NamedKey::Escape, 0), 1) : Unit::Make(Unit::Wait, 0);
    // (ESC and the introducer alone, given up, are Alt with that key.)
    if (StringIntroducer(p[1]) && AnswersAwaited(now_) && !(force && n == 2)) {
        // A string answer: dropped whole, up to its terminator; one that
        // never ends (garbled) is dropped as far as it came.
        for (size_t i = 2; i < n; i++) {
            if (StringEnd(p[i])) return Unit::Make(Unit::Skip, i + 1);
            if (p[i] != ESC) continue;
            if (i + 1 == n) break;
            return Unit::Make(Unit::Skip, p[i + 1] == '\\' ? i + 2 : i);
        }
        return force ? Unit::Make(Unit::Skip, n) : Unit::Make(Unit::Wait, 0);
    }
    Unit u = DecodeSequence(p, n, force);
    if (u.K != Unit::None) return u;

    // ESC before a key is Alt with that key.
    Unit v;
    if (p[1] == ESC) {
        if (n == 2) return force ? Unit::MakeKey(NamedKeyEvent(NamedKey::Escape, 0), 1) : Unit::Make(Unit::Wait, 0);
        v = DecodeSequence(p + 1, n - 1, force);
        // ESC ESC and no sequence: two Esc presses.
        if (v.K == Unit::None) return Unit::MakeKey(NamedKeyEvent(NamedKey::Escape, 0), 1);
    } else {
        v = DecodeTyped(p + 1, n - 1, force);
    }
    if (v.K == Unit::Wait) return v;
    v.Used += 1;
    // Alt with a character no PC key types (Alt+á on a Hungarian
    // layout) is that character: Alt with a key of no scan code would be
    // an extended key with no code.
    if (v.K == Unit::Key && v.Ev.VirtualScanCode != 0) v.Ev.ControlKeyState |= LEFT_ALT_PRESSED;
    return v;
}

KeyDecoder::Unit KeyDecoder::DecodeSequence(const uint8_t* p, size_t n, bool force) const {
    // The longest table string that p starts with, and whether a longer one
    // could still arrive.
    const KeySequence* best = nullptr;
    bool longer = false;
    for (const KeySequence& s : seqs_) {
        const size_t len = s.Bytes.size();
        if (len <= n) {
            if ((best == nullptr || len > best->Bytes.size()) && std::memcmp(p, s.Bytes.data(), len) == 0)
                best = &s;
        } else if (!longer && std::memcmp(p, s.Bytes.data(), n) == 0) {
            longer = true;
        }
    }
    if (longer && !force) return Unit::Make(Unit::Wait, 0);

    EscapeParse g = ParseEscape(p, n, opt_.Keypad);
    if (best != nullptr && !(g.St == EscapeParse::Complete && g.Length > best->Bytes.size())) {
        Unit u = Unit::MakeKey(best->Event, best->Bytes.size());
        u.FromCsi = p[1] == '[';
        return u;
    }
    switch (g.St) {
    case EscapeParse::Complete:
        if (g.IsKey) {
            Unit u = Unit::MakeKey(g.Event, g.Length);
            u.EventType = g.EventType;
            u.FromCsi = p[1] == '[';
            return u;
        }
        return Unit::Make(Unit::Skip, g.Length);
    case EscapeParse::Broken:
        return Unit::Make(Unit::Skip, g.Length);
    case EscapeParse::Incomplete:
        if (!force) return Unit::Make(Unit::Wait, 0);
        // Given up: ESC [ or ESC O alone was Alt with [ or O; a started
        // sequence with parameters is dropped.
        return n == 2 ? Unit::Make(Unit::None, 0) : Unit::Make(Unit::Skip, n);
    case EscapeParse::NotASequence:
        break;
    }
    return Unit::Make(Unit::None, 0);
}

KeyDecoder::Unit KeyDecoder::DecodeTyped(const uint8_t* p, size_t n, bool force) const {
    if (p[0] < 0x80) return Unit::MakeKey(ByteKeyEvent(p[0], opt_.PlainInput), 1);
    uint8_t ch = 0;
    bool ok = false;
    size_t used = std::min(charset_.In(p, n, ch, ok), n);
    if (used == 0) return force ? Unit::Make(Unit::Skip, 1) : Unit::Make(Unit::Wait, 0);
    if (!ok) return Unit::Make(Unit::Skip, used);   // no Windows-1250 form
    return Unit::MakeKey(ByteKeyEvent(ch, opt_.PlainInput), used);
}

void KeyDecoder::Push(const KeyEventRecord& ev) {
    InputRecord rec;
    rec.EventType = KEY_EVENT;
    rec.Key = ev;
    rec.Key.RepeatCount = 1;
    events_.push_back(rec);
}

void KeyDecoder::Emit(const Unit& u) {
    KeyEventRecord ev = u.Ev;
    // Without the kitty protocol on, every press gives its own up event at
    // once, and a stray release report would be a second one: dropped.
    if (u.EventType == 3) {
        if (!opt_.Kitty) return;
        ev.KeyDown = false;
        Push(ev);
        return;
    }
    ev.KeyDown = true;
    Push(ev);
    // With it on, CSI forms report their release later (an absent event
    // type means press); the other forms and typed bytes do not.
    const bool releaseFollows = opt_.Kitty && (u.FromCsi || u.EventType != 0);
    if (!releaseFollows) {
        ev.KeyDown = false;
        Push(ev);
    }
}
