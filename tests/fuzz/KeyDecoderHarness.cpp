// The terminal key decoder on arbitrary byte streams, fed in pieces on a
// fake clock, with terminal or piped input, the kitty protocol on or off,
// a UTF-8 or a single-byte locale. Every event must be well formed; without
// release reports every press is followed at once by its own release; no
// more events than two per byte; a pending piece is settled once its
// deadline passes, and after Finish() nothing stays pending.
#include <curses.h>
#include <term.h>

#include <memory>
#include <string>
#include <vector>

#include "Charset.h"
#include "KeyDecoder.h"
#include "Terminfo.h"
#include "FuzzSupport.h"
#include "Harnesses.h"

namespace {

constexpr uint32_t KnownModifierBits = RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED | RIGHT_CTRL_PRESSED |
                                       LEFT_CTRL_PRESSED | SHIFT_PRESSED | NUMLOCK_ON | SCROLLLOCK_ON |
                                       CAPSLOCK_ON | ENHANCED_KEY;

// xterm-256color's key strings when the terminfo entry is there, and the
// built-in forms in any case.
const std::vector<KeySequence>& TableWithTerminfo() {
    static const std::vector<KeySequence> table = [] {
        std::vector<KeySequence> seqs;
        int err = 0;
        if (setupterm(const_cast<char*>("xterm-256color"), -1, &err) == OK) seqs = KeySequencesFromTerminfo();
        for (KeySequence& s : BuiltinKeySequences()) seqs.push_back(std::move(s));
        return seqs;
    }();
    return table;
}

std::string Describe(const KeyEventRecord& k) {
    return std::string(k.KeyDown ? "down" : "up") + " vk " + std::to_string(k.VirtualKeyCode) + " scan " +
           std::to_string(k.VirtualScanCode) + " char " + std::to_string(k.AsciiChar) + " state " +
           std::to_string(k.ControlKeyState);
}

struct Checker {
    bool kitty = false;
    size_t bytesFed = 0;
    size_t events = 0;
    bool haveDown = false;   // without release reports: the press waiting for its release
    KeyEventRecord down;

    void Take(KeyDecoder& d) {
        InputRecord r;
        while (d.Pop(r)) {
            events++;
            FUZZ_CHECK(events <= 2 * bytesFed, "more events than two per byte fed");
            const KeyEventRecord& k = r.Key;
            const std::string what = Describe(k);
            FUZZ_CHECK(r.EventType == KEY_EVENT, "event type " + std::to_string(r.EventType));
            FUZZ_CHECK(k.RepeatCount >= 1, "repeat count 0: " + what);
            FUZZ_CHECK(k.VirtualKeyCode <= 0xFE, "virtual key out of range: " + what);
            FUZZ_CHECK(k.VirtualScanCode <= 0x7F, "scan code out of range: " + what);
            FUZZ_CHECK((k.ControlKeyState & ~KnownModifierBits) == 0, "unknown modifier bits: " + what);
            if (kitty) continue;   // releases come when the terminal reports them
            if (k.KeyDown) {
                FUZZ_CHECK(!haveDown, "a press without its release: " + what);
                haveDown = true;
                down = k;
            } else {
                FUZZ_CHECK(haveDown, "a release without a press: " + what);
                KeyEventRecord pressed = down;
                pressed.KeyDown = false;
                FUZZ_CHECK(pressed.VirtualKeyCode == k.VirtualKeyCode &&
                               pressed.VirtualScanCode == k.VirtualScanCode &&
                               pressed.AsciiChar == k.AsciiChar && pressed.ControlKeyState == k.ControlKeyState,
                           "the release differs from its press: " + Describe(down) + " / " + what);
                haveDown = false;
            }
        }
    }
};

}  // namespace

int FuzzKeyDecoder(const uint8_t* data, size_t size) {
    static const Charset utf8("UTF-8");
    static const Charset latin2("ISO-8859-2");

    FuzzBytes in(data, size);
    const uint8_t flags = in.Take();
    KeyDecoder::Options opt;
    opt.PlainInput = (flags & 1) != 0;
    opt.Kitty = (flags & 2) != 0;
    opt.EscTimeoutMs = (flags & 16) ? 0 : 50;
    // Start-up answers still awaited for a while, a position report too.
    opt.AnswersAwaitedUntilMs = (flags & 32) ? 3000 : 0;
    opt.PositionReportPending = (flags & 64) != 0;
    opt.Keypad = (flags & 128) ? Ss3Keypad::CursorKeys : Ss3Keypad::Digits;   // urxvt's
    std::vector<KeySequence> table = (flags & 8) ? TableWithTerminfo() : BuiltinKeySequences();
    KeyDecoder decoder(std::move(table), (flags & 4) ? latin2 : utf8, opt);

    Checker check;
    check.kitty = opt.Kitty;
    uint64_t now = 1000;
    static const uint64_t Steps[4] = {49, 50, 51, 200};
    while (!in.Empty()) {
        const uint8_t c = in.Take();
        const unsigned arg = c >> 2;
        switch (c & 3) {
            case 0: {   // bytes arrive; an exact-size copy lets ASan see any read past them
                std::string piece = in.TakeString(arg + 1);
                std::unique_ptr<uint8_t[]> bytes(new uint8_t[piece.size()]);
                std::copy(piece.begin(), piece.end(), bytes.get());
                check.bytesFed += piece.size();
                decoder.Feed(bytes.get(), piece.size(), now);
                break;
            }
            case 1:
                now += arg;
                decoder.Tick(now);
                break;
            case 2: {   // the deadline passes: whatever waited must be settled
                now += Steps[arg & 3];
                int before = decoder.MsUntilDeadline(now);
                decoder.Tick(now);
                if (before == 0)
                    FUZZ_CHECK(decoder.MsUntilDeadline(now) == -1, "bytes still pending after their deadline");
                break;
            }
            default:
                (void)decoder.HasCtrlC();
                check.Take(decoder);
                break;
        }
        int left = decoder.MsUntilDeadline(now);
        FUZZ_CHECK(left >= -1 && left <= std::max(opt.EscTimeoutMs, opt.AnswerHoldMs),
                   "deadline " + std::to_string(left) + " ms");
        FUZZ_CHECK(decoder.Held() < KeyDecoder::MaxHeld, "holds " + std::to_string(decoder.Held()) + " bytes");
    }
    decoder.Finish();
    FUZZ_CHECK(decoder.MsUntilDeadline(now) == -1, "bytes still pending after Finish()");
    check.Take(decoder);
    FUZZ_CHECK(opt.Kitty || !check.haveDown, "the last press has no release");
    return 0;
}
