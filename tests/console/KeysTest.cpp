// Key codes: extended keys, modifiers, Alt codes and the pending key.
#include <vector>

#include "CrtFixture.h"

namespace {

constexpr uint8_t ALT = LEFT_ALT_PRESSED, RALT = RIGHT_ALT_PRESSED, CTRL = LEFT_CTRL_PRESSED,
                  RCTRL = RIGHT_CTRL_PRESSED, SHIFT = SHIFT_PRESSED;

struct RemapCase {
    uint8_t scan;
    uint8_t none, shift, ctrl, alt;
    bool plain[4];   // none, shift, ctrl, alt
};

// The keys whose codes differ under some modifier; "plain" keys come
// without the leading 0.
const RemapCase RemapCases[] = {
    {15, 15, 15, 148, 15, {}},
    {28, 13, 13, 10, 166, {true, true, true, false}},
    {53, 53, 53, 149, 164, {}},
    {55, 55, 55, 150, 55, {}},
    {71, 71, 71, 119, 151, {}},
    {72, 72, 72, 141, 152, {}},
    {73, 73, 73, 132, 153, {}},
    {74, 74, 74, 142, 74, {}},
    {75, 75, 75, 115, 155, {}},
    {76, 76, 76, 143, 76, {}},
    {77, 77, 77, 116, 157, {}},
    {78, 78, 78, 78, 78, {}},
    {79, 79, 79, 117, 159, {}},
    {80, 80, 80, 145, 160, {}},
    {81, 81, 81, 118, 161, {}},
    {82, 82, 82, 146, 162, {}},
    {83, 83, 83, 147, 163, {}},
    {87, 133, 135, 137, 139, {}},
    {88, 134, 136, 138, 140, {}},
};

void ExpectRemap(uint8_t scan, uint8_t mods, uint8_t code, bool plain) {
    PendingExtended = true;
    EXPECT_EQ(RemapScanCode(scan, mods), code) << "scan " << int(scan) << " mods " << int(mods);
    EXPECT_EQ(PendingExtended, !plain) << "scan " << int(scan) << " mods " << int(mods);
}

TEST_F(CrtTest, RemapScanCodeTable) {
    for (const RemapCase& c : RemapCases) {
        ExpectRemap(c.scan, 0, c.none, c.plain[0]);
        ExpectRemap(c.scan, SHIFT, c.shift, c.plain[1]);
        ExpectRemap(c.scan, CTRL, c.ctrl, c.plain[2]);
        ExpectRemap(c.scan, RCTRL, c.ctrl, c.plain[2]);
        ExpectRemap(c.scan, ALT, c.alt, c.plain[3]);
        ExpectRemap(c.scan, RALT, c.alt, c.plain[3]);
    }
}

TEST_F(CrtTest, RemapScanCodeRanges) {
    for (uint8_t scan = 2; scan <= 13; scan++) {
        ExpectRemap(scan, 0, scan, false);
        ExpectRemap(scan, SHIFT, scan, false);
        ExpectRemap(scan, CTRL, scan, false);
        ExpectRemap(scan, ALT, static_cast<uint8_t>(scan + 118), false);
    }
    for (uint8_t scan = 59; scan <= 68; scan++) {
        ExpectRemap(scan, 0, scan, false);
        ExpectRemap(scan, SHIFT, static_cast<uint8_t>(scan + 25), false);
        ExpectRemap(scan, CTRL, static_cast<uint8_t>(scan + 35), false);
        ExpectRemap(scan, ALT, static_cast<uint8_t>(scan + 45), false);
    }
}

TEST_F(CrtTest, RemapModifierPrecedenceAndUnknownCodes) {
    ExpectRemap(59, ALT | CTRL | SHIFT, 104, false);   // Alt first
    ExpectRemap(59, CTRL | SHIFT, 94, false);          // then Ctrl
    ExpectRemap(28, CTRL | SHIFT, 10, true);
    for (uint8_t scan : {0, 1, 14, 16, 30, 54, 69, 84, 89, 200, 255})
        for (uint8_t mods : {0, int(SHIFT), int(CTRL), int(ALT)}) ExpectRemap(scan, mods, scan, false);
}

struct KeyCase {
    const char* name;
    KeyEventRecord key;
    std::vector<uint8_t> codes;
};

TEST_F(CrtTest, KeysGiveTheirCodes) {
    const KeyCase cases[] = {
        {"a", KeyDown('a', 30), {'a'}},
        {"F1", KeyDown(0, 59), {0, 59}},
        {"Shift+F1", KeyDown(0, 59, SHIFT), {0, 84}},
        {"Ctrl+F1", KeyDown(0, 59, CTRL), {0, 94}},
        {"Alt+F1", KeyDown(0, 59, ALT), {0, 104}},
        {"F12", KeyDown(0, 88), {0, 134}},
        {"Shift+Tab", KeyDown(9, 15, SHIFT), {0, 15}},
        {"Tab", KeyDown(9, 15), {9}},
        {"Ctrl+Home", KeyDown(0, 71, CTRL | ENHANCED_KEY), {0, 119}},
        {"left Alt+1", KeyDown('1', 2, ALT), {0, 120}},
        {"keypad Enter", KeyDown(13, 28, ENHANCED_KEY), {13}},
        {"Enter", KeyDown(13, 28), {13}},
        {"keypad /", KeyDown('/', 53, ENHANCED_KEY), {0, 53}},
        {"Left", KeyDown(0, 75, ENHANCED_KEY), {0, 75}},
        {"Alt+x", KeyDown('x', 45, ALT), {0, 45}},
        {"AltGr letter", KeyDown(0xB3, 38, RALT | CTRL), {0xB3}},
        {"high byte", KeyDown(0xE1, 40), {0xE1}},
    };
    for (const KeyCase& c : cases) {
        Con().PushKey(c.key);
        Con().PushKey(KeyUp(c.key));
        for (uint8_t code : c.codes) EXPECT_EQ(ReadKey(), code) << c.name;
        EXPECT_FALSE(KeyPressed()) << c.name;
    }
}

TEST_F(CrtTest, ModifiersAloneAndReleasesAreNoKeys) {
    for (uint16_t vk : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_CAPITAL, VK_NUMLOCK, VK_SCROLL}) {
        KeyEventRecord k = KeyDown(0, 42, 0, vk);
        Con().PushKey(k);
        Con().PushKey(KeyUp(k));
    }
    Con().PushKey(KeyUp(KeyDown('q', 16)));
    InputRecord other;
    other.EventType = WINDOW_BUFFER_SIZE_EVENT;
    Con().PushEvent(other);
    EXPECT_FALSE(KeyPressed());
    EXPECT_EQ(Con().QueuedEvents(), 0u);
}

TEST_F(CrtTest, RepeatCountCountsOnce) {
    KeyEventRecord k = KeyDown('r', 19);
    k.RepeatCount = 5;
    Con().PushKey(k);
    EXPECT_EQ(ReadKey(), 'r');
    EXPECT_FALSE(KeyPressed());
}

TEST_F(CrtTest, ExtendedKeyLeavesItsCodeForTheNextRead) {
    Con().PushKey(KeyDown(0, 60));   // F2
    Con().PushKey(KeyDown('b', 48));
    EXPECT_EQ(ReadKey(), 0);
    EXPECT_TRUE(KeyPressed());
    EXPECT_EQ(PendingKey, 60);
    uint32_t waits = Con().Waits();
    EXPECT_EQ(ReadKey(), 60);
    EXPECT_EQ(Con().Waits(), waits);
    EXPECT_EQ(ReadKey(), 'b');
}

TEST_F(CrtTest, ReadKeyWaitsOnThePlatform) {
    int calls = 0;
    Con().SetOnEmptyWait([&] {
        if (++calls == 2) Con().PushKey(KeyDown('w', 17));
        else Con().PushKey(KeyUp(KeyDown('w', 17)));   // a release alone is no key
    });
    EXPECT_EQ(ReadKey(), 'w');
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Con().SleepCalls(), 0u);
}

void PushAltCode(MemoryConsole& con, std::initializer_list<uint16_t> scans, uint32_t alt = ALT) {
    KeyEventRecord altKey = KeyDown(0, 56, alt, VK_MENU);
    con.PushKey(altKey);
    for (uint16_t scan : scans) {
        KeyEventRecord digit = KeyDown(0, scan, alt);
        con.PushKey(digit);
        con.PushKey(KeyUp(digit));
    }
    con.PushKey(KeyUp(altKey));
}

TEST_F(CrtTest, AltCodes) {
    PushAltCode(Con(), {77, 76});   // 6, 5
    EXPECT_EQ(ReadKey(), 65);
    EXPECT_FALSE(AltCodeMode);
    EXPECT_EQ(AltCodeValue, 0);

    PushAltCode(Con(), {82});   // 0 alone gives no key
    EXPECT_FALSE(KeyPressed());

    PushAltCode(Con(), {79, 80, 82}, RALT);   // 1 2 0 with the right Alt
    EXPECT_EQ(ReadKey(), 120);

    PushAltCode(Con(), {81, 81, 76});   // 335 kept to 8 bits
    EXPECT_EQ(ReadKey(), 335 % 256);

    PushAltCode(Con(), {71, 72, 73, 75});   // every position counts as its digit
    EXPECT_EQ(ReadKey(), 7894 % 256);
}

// Where the terminal reports no releases, Alt at a keypad-digit position is
// the extended key it is (an Alt code could never end): each gives 0 and its
// Alt code, and no Alt-code state is left behind.
TEST_F(CrtTest, AltWithKeypadPositionsWithoutReleasesAreExtendedKeys) {
    Con().SetReportsKeyReleases(false);
    struct {
        uint16_t Scan;
        uint8_t Ch;
        uint32_t Mods;
        uint8_t Code;
    } cases[] = {
        {72, 0, ALT | ENHANCED_KEY, 152},   // Alt+Up
        {71, 0, ALT | ENHANCED_KEY, 151},   // Alt+Home
        {82, 0, ALT | ENHANCED_KEY, 162},   // Alt+Ins
        {79, '1', ALT, 159},                // Alt with keypad 1
        {76, '5', ALT, 76},                 // keypad 5 keeps its scan code
    };
    for (const auto& c : cases) {
        KeyEventRecord key = KeyDown(c.Ch, c.Scan, c.Mods);
        Con().PushKey(key);
        Con().PushKey(KeyUp(key));
        EXPECT_EQ(ReadKey(), 0) << "scan " << c.Scan;
        EXPECT_EQ(ReadKey(), c.Code) << "scan " << c.Scan;
        EXPECT_FALSE(AltCodeMode);
        EXPECT_EQ(AltCodeValue, 0);
    }
    EXPECT_FALSE(KeyPressed());
}

}  // namespace
