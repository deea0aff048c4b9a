// The kitty keyboard protocol: press, repeat and release, lone modifiers,
// Alt codes typed on the keypad, and its functional key codes.
#include "KeyCases.h"
#include "KeyTestHarness.h"

using namespace keytest;

namespace {

constexpr uint32_t S = SHIFT_PRESSED, C = LEFT_CTRL_PRESSED, A = LEFT_ALT_PRESSED, E = ENHANCED_KEY;

KeyDecoder::Options Kitty() {
    KeyDecoder::Options o;
    o.Kitty = true;
    return o;
}

std::vector<Ev> KittyEvs(const std::string& bytes) { return Evs(Decode(bytes, Kitty())); }

TEST(KeyKitty, PressRepeatRelease) {
    EXPECT_EQ(KittyEvs("\x1b[97u"), (std::vector<Ev>{{true, 'A', 30, 'a', 0}}));
    EXPECT_EQ(KittyEvs("\x1b[97;1:1u"), (std::vector<Ev>{{true, 'A', 30, 'a', 0}}));
    EXPECT_EQ(KittyEvs("\x1b[97;1:2u"), (std::vector<Ev>{{true, 'A', 30, 'a', 0}}));
    EXPECT_EQ(KittyEvs("\x1b[97;1:3u"), (std::vector<Ev>{{false, 'A', 30, 'a', 0}}));
    // Legacy forms carry event types too.
    EXPECT_EQ(KittyEvs("\x1b[1;1:3A"), (std::vector<Ev>{{false, VK_UP, 72, 0, E}}));
    EXPECT_EQ(KittyEvs("\x1b[1;5:2H"), (std::vector<Ev>{{true, VK_HOME, 71, 0, E | C}}));
    EXPECT_EQ(KittyEvs("\x1b[3;1:3~"), (std::vector<Ev>{{false, VK_DELETE, 83, 0, E}}));
    // A held key read by a key wait counts once per repeat event.
    EXPECT_EQ(ReadKeyCodes(Decode("\x1b[97u\x1b[97;1:2u\x1b[97;1:3u", Kitty())), (std::vector<int>{'a', 'a'}));
    // Typed bytes still come with no release report: down and up at once.
    EXPECT_EQ(KittyEvs("\r"), Press(VK_RETURN, 28, 13, 0));
}

TEST(KeyKitty, WithoutTheProtocolReleasesAreNotDoubled) {
    EXPECT_EQ(Evs(Decode("\x1b[97;1:1u")), Press('A', 30, 'a', 0));
    EXPECT_EQ(Evs(Decode("\x1b[97;1:3u")), std::vector<Ev>{});
}

TEST(KeyKitty, LoneModifiersEndNoWait) {
    struct Case {
        const char* Bytes;
        uint16_t Vk, Scan;
        uint32_t Mods;
    } cases[] = {
        {"\x1b[57441;2u", VK_SHIFT, 42, S},   {"\x1b[57447;2u", VK_SHIFT, 54, S},
        {"\x1b[57442;5u", VK_CONTROL, 29, C}, {"\x1b[57448;5u", VK_CONTROL, 29, E | RIGHT_CTRL_PRESSED},
        {"\x1b[57443;3u", VK_MENU, 56, A},    {"\x1b[57449;3u", VK_MENU, 56, E | RIGHT_ALT_PRESSED},
        {"\x1b[57358u", VK_CAPITAL, 58, 0},   {"\x1b[57360u", VK_NUMLOCK, 69, E},
        {"\x1b[57359u", VK_SCROLL, 70, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.Bytes)));
        EXPECT_EQ(KittyEvs(c.Bytes), (std::vector<Ev>{{true, c.Vk, c.Scan, 0, c.Mods}}));
        std::string release = std::string(c.Bytes);
        release.insert(release.size() - 1, release.find(';') == std::string::npos ? ";1:3" : ":3");
        EXPECT_EQ(KittyEvs(release), (std::vector<Ev>{{false, c.Vk, c.Scan, 0, c.Mods}}));
        EXPECT_EQ(ReadKeyCodes(Decode(std::string(c.Bytes) + release, Kitty())), std::vector<int>{});
    }
}

TEST(KeyKitty, AltCodesOnTheKeypad) {
    const std::string altDown = "\x1b[57443;3u", altUp = "\x1b[57443;3:3u";
    const std::string kp6 = "\x1b[57405;3u\x1b[57405;3:3u", kp5 = "\x1b[57404;3u\x1b[57404;3:3u";
    auto evs = Decode(altDown + kp6 + kp5 + altUp, Kitty());
    ASSERT_EQ(evs.size(), 6u);
    EXPECT_EQ(ToEv(evs[1]), (Ev{true, VK_NUMPAD0 + 6, 77, '6', A}));
    EXPECT_EQ(ToEv(evs[5]), (Ev{false, VK_MENU, 56, 0, A}));
    EXPECT_EQ(ReadKeyCodes(evs), (std::vector<int>{65}));
    // Keypad 0 alone gives no key; Num Lock off (cursor codes) counts too.
    EXPECT_EQ(ReadKeyCodes(Decode(altDown + "\x1b[57399;3u" + altUp, Kitty())), std::vector<int>{});
    EXPECT_EQ(ReadKeyCodes(Decode(altDown + "\x1b[57417;3u\x1b[57423;3u" + altUp, Kitty())),
              (std::vector<int>{47}));
    // Alt with the cursor keys at keypad positions makes digits too: Up is
    // 8, Left 4, and with the release of Alt the code 84 ("T").
    EXPECT_EQ(ReadKeyCodes(Decode(altDown + "\x1b[1;3A\x1b[1;3:3A\x1b[1;3D\x1b[1;3:3D" + altUp, Kitty())),
              (std::vector<int>{84}));
    // Num Lock on reported in the modifiers does not disturb it.
    EXPECT_EQ(ReadKeyCodes(Decode("\x1b[57443;131u\x1b[57400;131u\x1b[57399;131u\x1b[57443;129:3u", Kitty())),
              (std::vector<int>{10}));
}

TEST(KeyKitty, KeyCodes) {
    struct Case {
        const char* Bytes;
        uint16_t Vk, Scan;
        uint8_t Ch;
        uint32_t Mods;
    } cases[] = {
        {"\x1b[27u", VK_ESCAPE, 1, 27, 0},         {"\x1b[13u", VK_RETURN, 28, 13, 0},
        {"\x1b[13;5u", VK_RETURN, 28, 10, C},      {"\x1b[9u", VK_TAB, 15, 9, 0},
        {"\x1b[9;2u", VK_TAB, 15, 9, S},           {"\x1b[9;5u", VK_TAB, 15, 0, C},
        {"\x1b[127u", VK_BACK, 14, 8, 0},          {"\x1b[57414u", VK_RETURN, 28, 13, E},
        {"\x1b[57410u", VK_DIVIDE, 53, '/', E},    {"\x1b[57411u", VK_MULTIPLY, 55, '*', 0},
        {"\x1b[57399u", VK_NUMPAD0, 82, '0', 0},   {"\x1b[57409u", VK_DECIMAL, 83, '.', 0},
        {"\x1b[57364u", 0x70, 59, 0, 0},           {"\x1b[57375;2u", 0x7B, 88, 0, S},
        {"\x1b[97;5u", 'A', 30, 1, C},             {"\x1b[97;2u", 'A', 30, 'A', S},
        {"\x1b[97:65;2u", 'A', 30, 'A', S},        {"\x1b[97;3u", 'A', 30, 'a', A},
        {"\x1b[49;2u", '1', 2, '!', S},            {"\x1b[97;65u", 'A', 30, 'A', CAPSLOCK_ON},
        {"\x1b[97;2;65u", 'A', 30, 'A', S},        {"\x1b[225u", 0, 0, 0xE1, 0},
        {"\x1b[337;2u", 0, 0, 0xD5, S},            {"\x1b[225:193;2u", 0, 0, 0xC1, S},
        {"\x1b[2;1:1~", VK_INSERT, 82, 0, E},      {"\x1b[P", 0x70, 59, 0, 0},
        {"\x1b[97;;97u", 'A', 30, 'a', 0},         {"\x1b[0;;337u", 0, 0, 0xF5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.Bytes)));
        EXPECT_EQ(KittyEvs(c.Bytes), (std::vector<Ev>{{true, c.Vk, c.Scan, c.Ch, c.Mods}}));
    }
    // Alt with a letter no PC key types is the letter alone.
    EXPECT_EQ(KittyEvs("\x1b[225;3u"), (std::vector<Ev>{{true, 0, 0, 0xE1, 0}}));
    EXPECT_EQ(ReadKeyCodes(Decode("\x1b[225;3u\x1b[225;3:3u", Kitty())), (std::vector<int>{0xE1}));
    // A code point with no Windows-1250 form is no key.
    EXPECT_EQ(KittyEvs("\x1b[20013u"), std::vector<Ev>{});
    EXPECT_EQ(KittyEvs("\x1b[0u"), std::vector<Ev>{});
}

// The keys of the shared key table typed on a kitty terminal, press and
// release, give their codes at a key wait as on any other.
TEST(KeyKitty, KeyWaitCodes) {
    for (const KeyCase& k : KeyCases)
        if (!k.Kitty.empty()) {
            EXPECT_EQ(ReadKeyCodes(Decode(k.Kitty + KittyRelease(k.Kitty), Kitty())), k.Codes) << k.Key;
        }
}

// Ctrl-C reported as a key ends the run; with Alt too it is another key.
TEST(KeyKitty, CtrlCIsToldFromCtrlAltC) {
    const struct {
        const char* Bytes;
        bool CtrlC;
    } cases[] = {{"\x1b[99;5u", true}, {"\x1b[99;7u", false}, {"\x1b[99;5:3u", false}, {"\x1b[99u", false}};
    for (const auto& c : cases) {
        KeyDecoder d(BuiltinKeySequences(), Utf8(), Kitty());
        Feed(d, c.Bytes, 0);
        EXPECT_EQ(d.HasCtrlC(), c.CtrlC) << testing::PrintToString(std::string(c.Bytes));
    }
}

}  // namespace
