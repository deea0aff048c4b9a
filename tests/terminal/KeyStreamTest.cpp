// The decoder as a stream: timeouts, sequences arriving in pieces, typed
// UTF-8, reports and garbage, piped input. (Any byte stream settling into
// well-formed events is the key decoder fuzz target's, its corpus replayed
// by the suite.)

#include "KeyTestHarness.h"

using namespace keytest;

namespace {

constexpr uint32_t S = SHIFT_PRESSED, A = LEFT_ALT_PRESSED, E = ENHANCED_KEY;

TEST(KeyStream, SequencesFedByteByByteGiveOneKey) {
    ASSERT_TRUE(LoadTerm("xterm-256color"));
    const std::vector<KeySequence> table = KeySequencesFromTerminfo();
    const char* seqs[] = {"\x1b[A",   "\x1bOP",      "\x1b[1;5H",  "\x1b[24;2~", "\x1b[[C",
                          "\x1b\x1b[B", "\x1b[97;5u", "\x1bOM",     "\xc5\x91"};
    for (const char* s : seqs) {
        SCOPED_TRACE(testing::PrintToString(std::string(s)));
        const std::vector<Ev> whole = Evs(Decode(s, {}, table));
        ASSERT_EQ(whole.size(), 2u);
        KeyDecoder d(table, Utf8(), {});
        uint64_t now = 0;
        for (const char* p = s; *p; p++) {
            d.Tick(now);   // the clock runs between pieces, below the timeout
            d.Feed(reinterpret_cast<const uint8_t*>(p), 1, now);
            if (p[1]) {
                EXPECT_EQ(d.Available(), 0u);
            }
            now += 30;
        }
        d.Tick(now + 100);
        EXPECT_EQ(Evs(Drain(d)), whole);
    }
}

TEST(KeyStream, ReportsAndUnknownSequencesAreSwallowedWhole) {
    const char* swallowed[] = {
        "\x1b[12;40R",       // cursor position report
        "\x1b[1;1R",         // position report at row 1 column 1
        "\x1b[?1;2c",        // device attributes
        "\x1b[>41;379;0c",   // the terminal's type (xterm 379)
        "\x1b[?15u",         // kitty flags
        "\x1b[<0;12;5M",     // mouse
        "\x1b[200~",         // paste bracket
        "\x1b[99x",          // unknown final
        "\x1b[4;1$y",        // mode report: an intermediate byte
        "\x1b[57444u",       // Super alone: no key for this program
        "\x1bOz",            // unknown SS3
        "\x1b[I",            // focus in
    };
    for (const char* s : swallowed) {
        SCOPED_TRACE(testing::PrintToString(std::string(s)));
        EXPECT_EQ(ReadKeyCodes(Decode(std::string(s) + "q")), (std::vector<int>{'q'}));
    }
    // A report in the middle of keys does not disturb them.
    EXPECT_EQ(ReadKeyCodes(Decode("a\x1b[5;10Rb\x1b[?62;22cc")), (std::vector<int>{'a', 'b', 'c'}));
    // CSI 1 ; m R is the modified F3, not a position report; so is CSI 1 ;
    // 1 R with an event type (kitty's release), and CSI R alone is F3.
    EXPECT_EQ(ReadKeyCodes(Decode("\x1b[1;2R")), (std::vector<int>{0, 86}));
    EXPECT_EQ(Evs(Decode("\x1b[1;1:3R")), std::vector<Ev>{});
    KeyDecoder::Options kitty;
    kitty.Kitty = true;
    EXPECT_EQ(Evs(Decode("\x1b[R\x1b[1;1:3R", kitty)),
              (std::vector<Ev>{{true, 0x72, 61, 0, 0}, {false, 0x72, 61, 0, 0}}));
}

// Bytes arriving at the given times as the console reads them: between two
// arrivals the decoder is ticked whenever its deadline comes. Returns the
// codes a key wait reads and (maxHeld) the most bytes it ever held.
struct Piece {
    uint64_t At;
    std::string Bytes;
};
std::vector<int> Typed(const std::vector<Piece>& pieces, KeyDecoder::Options opt, size_t* maxHeld = nullptr) {
    KeyDecoder d(BuiltinKeySequences(), Utf8(), opt);
    std::vector<InputRecord> all;
    uint64_t now = 0;
    size_t held = 0;
    auto settle = [&](uint64_t until) {
        for (int left = d.MsUntilDeadline(now); left >= 0 && now + left <= until; left = d.MsUntilDeadline(now)) {
            now += left;
            d.Tick(now);
        }
        now = until;
        d.Tick(now);
    };
    for (const Piece& p : pieces) {
        settle(p.At);
        Feed(d, p.Bytes, now);
        held = std::max(held, d.Held());
        auto got = Drain(d);
        all.insert(all.end(), got.begin(), got.end());
    }
    settle(now + 60000);
    auto got = Drain(d);
    all.insert(all.end(), got.begin(), got.end());
    if (maxHeld) *maxHeld = held;
    return ReadKeyCodes(all);
}

std::vector<Piece> ByteByByte(uint64_t from, uint64_t gap, const std::string& bytes) {
    std::vector<Piece> out;
    for (size_t i = 0; i < bytes.size(); i++) out.push_back({from + i * gap, bytes.substr(i, 1)});
    return out;
}

// Keys and answers in pieces, with the bytes held always bounded. An ESC
// and a key within the timeout are Alt with the key, later two keys; typed
// UTF-8 arrives as Windows-1250, a letter split between reads is one
// letter, an incomplete one or one without a Windows-1250 form is dropped.
// A sequence broken by another, or by a control byte, is dropped; an
// overlong one up to its final byte or a timeout. A position report asked
// for at start is never a key, even with the modified F3's shape. While the
// start-up question's answers are awaited they are never typed, however
// late, split or garbled they come, and a key that only looked like the
// start of one means what it always means.
TEST(KeyStream, KeysAndAnswersArrivingInPieces) {
    auto then = [](std::vector<Piece> p, Piece last) {
        p.push_back(last);
        return p;
    };
    std::string endless = "\x1b[", endlessString = "\x1bP";
    for (int i = 0; i < 100; i++) endless += "1;", endlessString += "zz";
    const struct {
        const char* Name;
        bool AnswersOnly;   // typed when no answer is awaited
        std::vector<Piece> Pieces;
        std::vector<int> Codes;
    } cases[] = {
        {"Esc and x within the timeout", false, {{300, "\x1b"}, {320, "x"}}, {0, 45}},
        {"Esc, then x later", false, {{300, "\x1b"}, {600, "x"}}, {27, 'x'}},
        {"Esc alone", false, {{300, "\x1b"}}, {27}},
        {"Up at once", false, {{300, "\x1b[A"}}, {0, 72}},
        {"Hungarian letters", false, {{300, "\xc3\xa1\xc3\xa9\xc3\xad\xc3\xb3\xc3\xb6\xc5\x91\xc3\xba\xc3\xbc\xc5\xb1"
                                           "\xc3\x81\xc3\x89\xc3\x8d\xc3\x93\xc3\x96\xc5\x90\xc3\x9a\xc3\x9c\xc5\xb0"}},
         {0xE1, 0xE9, 0xED, 0xF3, 0xF6, 0xF5, 0xFA, 0xFC, 0xFB, 0xC1, 0xC9, 0xCD, 0xD3, 0xD6, 0xD5, 0xDA, 0xDC, 0xDB}},
        {"letters in bytes", false, ByteByByte(300, 10, "\xc3\xa1\xc5\x91"), {0xE1, 0xF5}},
        // A CJK letter, an emoji, a stray continuation byte, an overlong form.
        {"no Windows-1250 form", false, {{300, "a\xe4\xb8\xad" "b\xf0\x9f\x98\x80" "c\x80" "d\xc0\xaf" "e"}},
         {'a', 'b', 'c', 'd', 'e'}},
        {"half a letter", false, {{300, "a\xc5"}}, {'a'}},
        {"a sequence broken by another", false, {{300, "\x1b[1;\x1b[A"}}, {0, 72}},
        {"a sequence broken by a control byte", false, {{300, "\x1b[12\x01"}}, {1}},
        {"an overlong sequence", false, then(ByteByByte(300, 1, endless), {501, "Aq"}), {'q'}},
        {"a timeout ends an overlong sequence", false, {{300, endless}, {700, "5"}}, {'5'}},
        {"position reports", false, {{300, "a\x1b[1;5Rb\x1b[1;5R"}}, {'a', 'b', 0, 96}},
        {"a position report in bytes", false, then(ByteByByte(300, 0, "\x1b[1;12R"), {301, "q"}), {'q'}},
        // CSI R alone too (row 1, column 1 with the numbers left out); once
        // the report has come, it is F3.
        {"a position report without numbers", false, {{300, "\x1b[Rb\x1b[R"}}, {'b', 0, 61}},
        {"device attributes, 60 ms between bytes", true, then(ByteByByte(300, 60, "\x1b[?62;22c"), {1200, "a"}), {'a'}},
        {"kitty flags after their ESC", true, {{300, "\x1b"}, {700, "[?27u"}, {800, "b"}}, {'b'}},
        {"a position report in two", true, {{300, "\x1b[1;"}, {900, "5R"}, {1000, "c"}}, {'c'}},
        {"a garbled string answer", true, ByteByByte(300, 60, "\x1bPzjunk+qhello\x1b\\"), {}},
        {"a garbled device attributes answer", true, {{300, "\x1b[?62;"}, {400, "zjunk+qhello"}}, {}},
        {"an endless string answer", true, {{300, endlessString}, {400, endlessString}, {500, "\x1b\\q"}}, {'q'}},
    };
    for (bool awaited : {false, true}) {
        KeyDecoder::Options opt;
        opt.PositionReportPending = true;
        opt.AnswersAwaitedUntilMs = awaited ? 10000 : 0;
        for (const auto& c : cases)
            if (awaited || !c.AnswersOnly) {
                size_t held = 0;
                EXPECT_EQ(Typed(c.Pieces, opt, &held), c.Codes) << c.Name << ", " << awaited;
                EXPECT_LT(held, KeyDecoder::MaxHeld) << c.Name << ", " << awaited;
            }
    }
    // The answers that tell key modes are kept for the console, however
    // split; the device attributes come last: once they are in, nothing is
    // awaited or kept.
    KeyDecoder::Options opt;
    opt.AnswersAwaitedUntilMs = 10000;
    KeyDecoder d(BuiltinKeySequences(), Utf8(), opt);
    EXPECT_TRUE(d.AnswersAwaited(300));
    Feed(d, "\x1b[?0", 300);
    Feed(d, "u\x1b[>1;4000;26c", 400);
    EXPECT_EQ(d.TakeLateAnswers(), "\x1b[?0u\x1b[>1;4000;26c");
    EXPECT_EQ(d.TakeLateAnswers(), "");
    Feed(d, "\x1b[?62;22c\x1b[?1u", 500);
    EXPECT_FALSE(d.AnswersAwaited(501));
    EXPECT_EQ(d.TakeLateAnswers(), "");
}

TEST(KeyStream, PlainInputLineEnds) {
    KeyDecoder::Options opt;
    opt.PlainInput = true;
    EXPECT_EQ(ReadKeyCodes(Decode("ab\r\ncd\ref\n\n\r\r", opt)),
              (std::vector<int>{'a', 'b', 13, 'c', 'd', 13, 'e', 'f', 13, 13, 13, 13}));
    // CR at the end of one read and LF at the start of the next: one Enter.
    KeyDecoder d(BuiltinKeySequences(), Utf8(), opt);
    Feed(d, "x\r", 0);
    Feed(d, "\ny", 1);
    EXPECT_EQ(ReadKeyCodes(Drain(d)), (std::vector<int>{'x', 13, 'y'}));
    // Sequences decode as from a terminal; Finish settles the last ESC.
    Feed(d, "\x1b[Bz\x1b", 2);
    d.Finish();
    EXPECT_EQ(ReadKeyCodes(Drain(d)), (std::vector<int>{0, 80, 'z', 27}));
}

}  // namespace
