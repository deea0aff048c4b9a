// Turns the bytes a terminal sends for key presses into PC keyboard events
// (virtual key, scan code, Windows-1250 character, modifier bits), as a US
// layout PC keyboard would give them. Free of I/O: bytes and a clock in,
// events out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Charset.h"
#include "KeyEscapes.h"
#include "KeySequences.h"
#include "PlatformConsole.h"

class KeyDecoder {
public:
    struct Options {
        // Input is not a terminal: CR, LF and CR LF are each one Enter.
        bool PlainInput = false;
        // Release events and lone modifiers arrive (kitty keyboard protocol on).
        bool Kitty = false;
        // A lone ESC (or an incomplete sequence) is given up after this long.
        int EscTimeoutMs = 50;
        // The terminal was asked for the cursor position and has not answered
        // yet: the first CSI row ; col R is that answer, never a key (a cursor
        // on row 1 would otherwise read as a modified F3).
        bool PositionReportPending = false;
        // What the application keypad's SS3 forms stand for on this terminal.
        Ss3Keypad Keypad = Ss3Keypad::Digits;
        // The start-up question's answers have not all come (the device
        // attributes, which come last, are missing): until they come or the
        // clock of Feed and Tick reaches this time (0: nothing awaited), a
        // pending start of an answer waits up to AnswerHoldMs between its
        // bytes instead of EscTimeoutMs, however it is split, and string
        // answers (DCS, OSC, APC, PM, SOS) are dropped whole. Held bytes
        // that turn out to be no answer mean what they meant at EscTimeoutMs.
        uint64_t AnswersAwaitedUntilMs = 0;
        int AnswerHoldMs = 1000;
    };

    KeyDecoder(std::vector<KeySequence> sequences, const Charset& charset, Options options);

    // Bytes that arrived at time nowMs (a monotonic clock in milliseconds).
    void Feed(const uint8_t* data, size_t n, uint64_t nowMs);
    // The clock moved on: a partial sequence older than the timeout becomes keys.
    void Tick(uint64_t nowMs);
    // The input ended for good: whatever is pending becomes keys.
    void Finish();
    // Milliseconds until Tick must be called to settle pending bytes; -1: nothing pending.
    int MsUntilDeadline(uint64_t nowMs) const;
    // Whether the start-up answers are still awaited at nowMs.
    bool AnswersAwaited(uint64_t nowMs) const;
    // The answers that tell the terminal's key modes (the kitty flags, the
    // terminal's type) which came while awaited, for the caller to act on;
    // taking them empties the store.
    std::string TakeLateAnswers();
    // The terminal's key modes changed meanwhile (a late answer switched
    // the kitty protocol on, or told which keypad it has).
    void UseKitty(bool on) { opt_.Kitty = on; }
    void UseKeypad(Ss3Keypad keypad) { opt_.Keypad = keypad; }
    // Bytes held back for the rest of a sequence: fewer than the longest
    // sequence, whatever arrives (what is longer is dropped as it comes).
    size_t Held() const { return pending_.size(); }
    static constexpr size_t MaxHeld = 64;

    // Decoded events, oldest first. Every key press gives a down event and,
    // unless the terminal reports releases, an up event right after it.
    size_t Available() const { return events_.size(); }
    bool Pop(InputRecord& out);
    // True when a Ctrl+C press waits among the decoded events. With the kitty
    // protocol or xterm's modifyOtherKeys the terminal sends Ctrl+C as a key
    // instead of raising SIGINT.
    bool HasCtrlC() const;

private:
    struct Unit;   // one decoded key, a sequence to drop, or "wait for more"
    // How long pending bytes wait for the next ones before they are settled.
    uint64_t TimeoutAt(uint64_t nowMs) const;
    void Decode(bool force);
    Unit DecodeUnit(const uint8_t* p, size_t n, bool force) const;
    Unit DecodeSequence(const uint8_t* p, size_t n, bool force) const;
    Unit DecodeTyped(const uint8_t* p, size_t n, bool force) const;
    void Emit(const Unit& u);
    void Push(const KeyEventRecord& ev);

    std::vector<KeySequence> seqs_;
    const Charset& charset_;
    Options opt_;
    // Dropping the rest of something too long to hold: a sequence's
    // parameters up to its final byte, or a string up to its terminator.
    enum class Skip { None, SequenceTail, String };
    bool Skipping() const { return skip_ != Skip::None; }

    std::string pending_;
    std::string lateAnswers_;   // at most MaxHeld bytes
    uint64_t pendingSince_ = 0;   // when the last byte arrived
    uint64_t now_ = 0;            // the clock of the last Feed or Tick
    bool lastWasCR_ = false;
    Skip skip_ = Skip::None;
    std::deque<InputRecord> events_;
};
