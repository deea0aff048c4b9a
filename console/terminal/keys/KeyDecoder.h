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
    void Decode(bool force);
    Unit DecodeUnit(const uint8_t* p, size_t n, bool force) const;
    Unit DecodeSequence(const uint8_t* p, size_t n, bool force) const;
    Unit DecodeTyped(const uint8_t* p, size_t n, bool force) const;
    void Emit(const Unit& u);
    void Push(const KeyEventRecord& ev);

    std::vector<KeySequence> seqs_;
    const Charset& charset_;
    Options opt_;
    std::string pending_;
    uint64_t pendingSince_ = 0;   // when the last byte arrived
    bool lastWasCR_ = false;
    bool skipping_ = false;       // dropping the rest of an overlong sequence
    std::deque<InputRecord> events_;
};
