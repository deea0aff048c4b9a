// Escape sequences under the terminals the program meets, and the codes a
// key wait reads from the resulting events.
#include "KeyCases.h"
#include "KeyTestHarness.h"
#include "TerminalTypes.h"

using namespace keytest;

namespace {

constexpr uint32_t S = SHIFT_PRESSED, C = LEFT_CTRL_PRESSED, A = LEFT_ALT_PRESSED, E = ENHANCED_KEY;

// The usual terminals, and screen's entry, whose key strings differ again.
const char* const KeyTerms[] = {Terms[0], Terms[1], Terms[2], "screen-256color"};

// A key given by a terminfo capability name or by its bytes, and the press it means.
struct PressCase {
    const char* Key;
    uint16_t Vk, Scan;
    uint8_t Ch;
    uint32_t Mods;
};

// What each terminfo key string must decode to, whatever bytes the entry holds.
const PressCase Caps[] = {
    {"kcuu1", VK_UP, 72, 0, E},        {"kcud1", VK_DOWN, 80, 0, E},
    {"kcub1", VK_LEFT, 75, 0, E},      {"kcuf1", VK_RIGHT, 77, 0, E},
    {"khome", VK_HOME, 71, 0, E},      {"kend", VK_END, 79, 0, E},
    {"kich1", VK_INSERT, 82, 0, E},    {"kdch1", VK_DELETE, 83, 0, E},
    {"kpp", VK_PRIOR, 73, 0, E},       {"knp", VK_NEXT, 81, 0, E},
    {"kcbt", VK_TAB, 15, 9, S},        {"kent", VK_RETURN, 28, 13, E},
    {"kf1", 0x70, 59, 0, 0},           {"kf2", 0x71, 60, 0, 0},
    {"kf3", 0x72, 61, 0, 0},           {"kf4", 0x73, 62, 0, 0},
    {"kf5", 0x74, 63, 0, 0},           {"kf6", 0x75, 64, 0, 0},
    {"kf10", 0x79, 68, 0, 0},          {"kf11", 0x7A, 87, 0, 0},
    {"kf12", 0x7B, 88, 0, 0},          {"kf13", 0x70, 59, 0, S},
    {"kf25", 0x70, 59, 0, C},          {"kf49", 0x70, 59, 0, A},
    {"kUP", VK_UP, 72, 0, E | S},      {"kUP5", VK_UP, 72, 0, E | C},
    {"kLFT3", VK_LEFT, 75, 0, E | A},  {"kRIT6", VK_RIGHT, 77, 0, E | C | S},
    {"kHOM5", VK_HOME, 71, 0, E | C},  {"kEND", VK_END, 79, 0, E | S},
    {"kDC5", VK_DELETE, 83, 0, E | C}, {"kNXT7", VK_NEXT, 81, 0, E | C | A},
};

TEST(KeySequences, EveryTerminfoKeyStringDecodesToItsKey) {
    for (const char* term : KeyTerms) {
        SCOPED_TRACE(term);
        ASSERT_TRUE(LoadTerm(term)) << "terminfo entry missing";
        std::vector<KeySequence> table = KeySequencesFromTerminfo();
        int checked = 0;
        for (const PressCase& c : Caps) {
            char* s = tigetstr(const_cast<char*>(c.Key));
            if (s == nullptr || s == reinterpret_cast<char*>(-1)) continue;
            if (std::string(c.Key) == "kf13" && std::string(s).find(';') == std::string::npos) continue;
            SCOPED_TRACE(c.Key);
            EXPECT_EQ(Evs(Decode(s, {}, table)), Press(c.Vk, c.Scan, c.Ch, c.Mods));
            checked++;
        }
        EXPECT_GE(checked, 12);
    }
}

// The xterm/VT forms, which must work under every entry.
const PressCase Forms[] = {
    {"\x1b[A", VK_UP, 72, 0, E},          {"\x1bOB", VK_DOWN, 80, 0, E},
    {"\x1b[C", VK_RIGHT, 77, 0, E},       {"\x1bOD", VK_LEFT, 75, 0, E},
    {"\x1b[H", VK_HOME, 71, 0, E},        {"\x1bOF", VK_END, 79, 0, E},
    {"\x1b[1~", VK_HOME, 71, 0, E},       {"\x1b[7~", VK_HOME, 71, 0, E},
    {"\x1b[4~", VK_END, 79, 0, E},        {"\x1b[8~", VK_END, 79, 0, E},
    {"\x1b[2~", VK_INSERT, 82, 0, E},     {"\x1b[3~", VK_DELETE, 83, 0, E},
    {"\x1b[5~", VK_PRIOR, 73, 0, E},      {"\x1b[6~", VK_NEXT, 81, 0, E},
    {"\x1bOP", 0x70, 59, 0, 0},           {"\x1bOS", 0x73, 62, 0, 0},
    {"\x1b[11~", 0x70, 59, 0, 0},         {"\x1b[15~", 0x74, 63, 0, 0},
    {"\x1b[17~", 0x75, 64, 0, 0},         {"\x1b[21~", 0x79, 68, 0, 0},
    {"\x1b[23~", 0x7A, 87, 0, 0},         {"\x1b[24~", 0x7B, 88, 0, 0},
    {"\x1b[[A", 0x70, 59, 0, 0},          {"\x1b[[E", 0x74, 63, 0, 0},
    {"\x1b[1;2P", 0x70, 59, 0, S},        {"\x1b[1;5P", 0x70, 59, 0, C},
    {"\x1b[1;3P", 0x70, 59, 0, A},        {"\x1b[1;2R", 0x72, 61, 0, S},
    {"\x1b[1;5H", VK_HOME, 71, 0, E | C}, {"\x1b[1;6A", VK_UP, 72, 0, E | C | S},
    {"\x1b[3;5~", VK_DELETE, 83, 0, E | C}, {"\x1b[24;2~", 0x7B, 88, 0, S},
    {"\x1bO5C", VK_RIGHT, 77, 0, E | C},  {"\x1b[Z", VK_TAB, 15, 9, S},
    {"\x1bOM", VK_RETURN, 28, 13, E},     {"\x1bOo", VK_DIVIDE, 53, '/', E},
    {"\x1bOp", VK_NUMPAD0, 82, '0', 0},   {"\x1b[E", VK_CLEAR, 76, 0, 0},
    {"\x1b[27;5;97~", 'A', 30, 1, C},
};

TEST(KeySequences, XtermFormsDecodeUnderEveryTerminal) {
    for (const char* term : KeyTerms) {
        SCOPED_TRACE(term);
        ASSERT_TRUE(LoadTerm(term));
        std::vector<KeySequence> table = KeySequencesFromTerminfo();
        for (const PressCase& c : Forms) {
            SCOPED_TRACE(testing::PrintToString(std::string(c.Key)));
            EXPECT_EQ(Evs(Decode(c.Key, {}, table)), Press(c.Vk, c.Scan, c.Ch, c.Mods));
        }
    }
}

// Every key of the shared key table, in each of the forms terminals send,
// gives its codes at a key wait (no key releases reported).
TEST(KeySequences, KeyWaitCodes) {
    ASSERT_TRUE(LoadTerm("xterm-256color"));
    std::vector<KeySequence> table = KeySequencesFromTerminfo();
    for (const KeyCase& k : KeyCases)
        for (const std::string& bytes : k.Bytes) {
            SCOPED_TRACE(std::string(k.Key) + " as " + testing::PrintToString(bytes));
            EXPECT_EQ(ReadKeyCodes(Decode(bytes, {}, table), false), k.Codes);
        }
}

TEST(KeySequences, TypedBytesAreUsLayoutKeys) {
    const PressCase cases[] = {
        {"a", 'A', 30, 'a', 0},          {"A", 'A', 30, 'A', S},          {"z", 'Z', 44, 'z', 0},
        {"1", '1', 2, '1', 0},           {"0", '0', 11, '0', 0},          {"!", '1', 2, '!', S},
        {")", '0', 11, ')', S},          {"-", VK_OEM_MINUS, 12, '-', 0}, {"_", VK_OEM_MINUS, 12, '_', S},
        {"/", VK_OEM_2, 53, '/', 0},     {"?", VK_OEM_2, 53, '?', S},     {" ", VK_SPACE, 57, ' ', 0},
        {"~", VK_OEM_3, 41, '~', S},     {"\"", VK_OEM_7, 40, '"', S},    {"\x01", 'A', 30, 1, C},
        {"\x13", 'S', 31, 19, C},        {"\x1a", 'Z', 44, 26, C},        {"\r", VK_RETURN, 28, 13, 0},
        {"\n", VK_RETURN, 28, 10, C},    {"\t", VK_TAB, 15, 9, 0},        {"\x7f", VK_BACK, 14, 8, 0},
        {"\x08", VK_BACK, 14, 8, 0},     {"\x1c", VK_OEM_5, 43, 28, C},   {"\x1f", VK_OEM_MINUS, 12, 31, C | S},
    };
    for (const PressCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.Key)));
        EXPECT_EQ(Evs(Decode(c.Key)), Press(c.Vk, c.Scan, c.Ch, c.Mods));
    }
}

TEST(KeySequences, AltPrefix) {
    EXPECT_EQ(Evs(Decode("\x1b" "a")), Press('A', 30, 'a', A));
    EXPECT_EQ(Evs(Decode("\x1b" "A")), Press('A', 30, 'A', A | S));
    EXPECT_EQ(Evs(Decode("\x1b\x1b[A")), Press(VK_UP, 72, 0, E | A));
    EXPECT_EQ(Evs(Decode("\x1b\x7f")), Press(VK_BACK, 14, 8, A));
    // Alt with a letter no PC key types is the letter: never a lone 0.
    EXPECT_EQ(Evs(Decode("\x1b\xc3\xa1")), Press(0, 0, 0xE1, 0));
    EXPECT_EQ(ReadKeyCodes(Decode("a\x1b\xc3\xa1G")), (std::vector<int>{'a', 0xE1, 'G'}));
    // ESC ESC with nothing after it: two Esc presses, not Alt+Esc; with a
    // key after it, Esc and then Alt with that key.
    auto esc = Press(VK_ESCAPE, 1, 27, 0);
    std::vector<Ev> twice = esc;
    twice.insert(twice.end(), esc.begin(), esc.end());
    EXPECT_EQ(Evs(Decode("\x1b\x1b")), twice);
    EXPECT_EQ(ReadKeyCodes(Decode("\x1b\x1bq")), (std::vector<int>{27, 0, 16}));
    // ESC [ or ESC O alone: Alt with the bracket or the letter, once the wait is over.
    EXPECT_EQ(Evs(Decode("\x1b[")), Press(VK_OEM_4, 26, '[', A));
    EXPECT_EQ(Evs(Decode("\x1bO")), Press('O', 24, 'O', A | S));
}

struct FunctionKeyCase {
    const char* Cap;
    std::vector<int> Codes;
};

// The modified F-keys each entry names (kf13 and up), as that terminal
// sends them: xterm counts twelve per modifier group with the modifier in
// the string; the VT220 numbering (the linux console, rxvt) has Shift+F1
// and Shift+F2 on F11 and F12, so its kf13 is Shift+F3.
TEST(KeySequences, ModifiedFunctionKeysOfEachEntry) {
    const struct {
        const char* Term;
        std::vector<FunctionKeyCase> Keys;
    } entries[] = {
        {"linux",
         {{"kf11", {0, 133}}, {"kf12", {0, 134}}, {"kf13", {0, 86}}, {"kf14", {0, 87}},
          {"kf15", {0, 88}}, {"kf16", {0, 89}}, {"kf17", {0, 90}}, {"kf18", {0, 91}},
          {"kf19", {0, 92}}, {"kf20", {0, 93}}}},
        {"xterm-256color",
         {{"kf13", {0, 84}}, {"kf22", {0, 93}}, {"kf23", {0, 135}}, {"kf24", {0, 136}},
          {"kf25", {0, 94}}, {"kf36", {0, 138}}, {"kf37", {0, 94}}, {"kf49", {0, 104}},
          {"kf59", {0, 139}}, {"kf60", {0, 140}}, {"kf61", {0, 104}}}},
        {"tmux-256color", {{"kf13", {0, 84}}, {"kf30", {0, 99}}, {"kf52", {0, 107}}}},
        {"rxvt",
         {{"kf13", {0, 86}}, {"kf20", {0, 93}}, {"kf21", {0, 135}}, {"kf22", {0, 136}},
          {"kf23", {0, 94}}, {"kf34", {0, 138}}, {"kf35", {0, 96}}, {"kf43", {0, 137}},
          {"kf44", {0, 138}}}},
        {"vt220", {{"kf13", {0, 86}}, {"kf17", {0, 90}}, {"kf20", {0, 93}}}},
        {"cons25", {{"kf13", {0, 84}}, {"kf24", {0, 136}}, {"kf25", {0, 94}}, {"kf48", {0, 138}}}},
    };
    int loaded = 0;
    for (const auto& e : entries) {
        SCOPED_TRACE(e.Term);
        if (!LoadTerm(e.Term)) continue;   // not every entry is installed everywhere
        loaded++;
        std::vector<KeySequence> table = KeySequencesFromTerminfo();
        for (const FunctionKeyCase& k : e.Keys) {
            SCOPED_TRACE(k.Cap);
            char* s = tigetstr(const_cast<char*>(k.Cap));
            ASSERT_TRUE(s != nullptr && s != reinterpret_cast<char*>(-1));
            EXPECT_EQ(ReadKeyCodes(Decode(s, {}, table)), k.Codes);
        }
    }
    EXPECT_GE(loaded, 3);
}

}  // namespace
