// Key codes: extended keys, modifiers, Alt codes and the pending key.
#include <string>
#include <vector>

#include "CrtFixture.h"

namespace {

constexpr uint8_t ALT = LEFT_ALT_PRESSED, RALT = RIGHT_ALT_PRESSED, CTRL = LEFT_CTRL_PRESSED,
                  RCTRL = RIGHT_CTRL_PRESSED, SHIFT = SHIFT_PRESSED;

// The code each extended key gives after its 0, by modifier group, as the
// keyboard table has them; Plain marks a code that comes without the 0. Any
// other scan code stays as it is.
constexpr int Plain = 0x100;

struct RemapRow {
    int Scan, None, Shift, Ctrl, Alt;
};

const RemapRow RemapTable[] = {
    {2, 2, 2, 2, 120},        {3, 3, 3, 3, 121},        {4, 4, 4, 4, 122},        {5, 5, 5, 5, 123},
    {6, 6, 6, 6, 124},        {7, 7, 7, 7, 125},        {8, 8, 8, 8, 126},        {9, 9, 9, 9, 127},
    {10, 10, 10, 10, 128},    {11, 11, 11, 11, 129},    {12, 12, 12, 12, 130},    {13, 13, 13, 13, 131},
    {15, 15, 15, 148, 15},    {28, Plain | 13, Plain | 13, Plain | 10, 166},      {53, 53, 53, 149, 164},
    {55, 55, 55, 150, 55},    {59, 59, 84, 94, 104},    {60, 60, 85, 95, 105},    {61, 61, 86, 96, 106},
    {62, 62, 87, 97, 107},    {63, 63, 88, 98, 108},    {64, 64, 89, 99, 109},    {65, 65, 90, 100, 110},
    {66, 66, 91, 101, 111},   {67, 67, 92, 102, 112},   {68, 68, 93, 103, 113},   {71, 71, 71, 119, 151},
    {72, 72, 72, 141, 152},   {73, 73, 73, 132, 153},   {74, 74, 74, 142, 74},    {75, 75, 75, 115, 155},
    {76, 76, 76, 143, 76},    {77, 77, 77, 116, 157},   {78, 78, 78, 78, 78},     {79, 79, 79, 117, 159},
    {80, 80, 80, 145, 160},   {81, 81, 81, 118, 161},   {82, 82, 82, 146, 162},   {83, 83, 83, 147, 163},
    {87, 133, 135, 137, 139}, {88, 134, 136, 138, 140},
};

// Every scan code under every modifier group, with the lock keys' bits
// (which belong to no group) and combinations that show the order Alt,
// Ctrl, Shift.
TEST_F(CrtTest, RemapScanCodeGivesTheCodesOfTheKeyboardTable) {
    const struct {
        int RemapRow::*Code;
        std::vector<uint8_t> Mods;
    } groups[] = {
        {&RemapRow::None, {0, NUMLOCK_ON | CAPSLOCK_ON | SCROLLLOCK_ON}},
        {&RemapRow::Shift, {SHIFT, SHIFT | CAPSLOCK_ON}},
        {&RemapRow::Ctrl, {CTRL, RCTRL, CTRL | SHIFT}},
        {&RemapRow::Alt, {ALT, RALT, ALT | CTRL | SHIFT, RALT | RCTRL}},
    };
    for (int scan = 0; scan <= 255; scan++) {
        RemapRow row{scan, scan, scan, scan, scan};
        for (const RemapRow& r : RemapTable)
            if (r.Scan == scan) row = r;
        for (const auto& g : groups)
            for (uint8_t mods : g.Mods) {
                PendingExtended = true;
                EXPECT_EQ(RemapScanCode(static_cast<uint8_t>(scan), mods), row.*g.Code & 0xFF)
                    << "scan " << scan << ", mods " << int(mods);
                EXPECT_EQ(PendingExtended, !(row.*g.Code & Plain)) << "scan " << scan << ", mods " << int(mods);
            }
    }
}

// Which key events are extended keys (a 0 first, then RemapScanCode's code)
// and which give their character.
TEST_F(CrtTest, KeysGiveTheirCodes) {
    const struct {
        const char* Name;
        KeyEventRecord Key;
        std::vector<uint8_t> Codes;
    } cases[] = {
        {"a", KeyDown('a', 30), {'a'}},
        {"F1: no character", KeyDown(0, 59), {0, 59}},
        {"Shift+Tab", KeyDown(9, 15, SHIFT), {0, 15}},
        {"Tab", KeyDown(9, 15), {9}},
        {"keypad Enter", KeyDown(13, 28, ENHANCED_KEY), {13}},
        {"keypad /: enhanced", KeyDown('/', 53, ENHANCED_KEY), {0, 53}},
        {"Alt+x: left Alt", KeyDown('x', 45, ALT), {0, 45}},
        {"AltGr letter", KeyDown(0xB3, 38, RALT | CTRL), {0xB3}},
        {"high byte", KeyDown(0xE1, 40), {0xE1}},
    };
    for (const auto& c : cases) {
        Con().PushKey(c.Key);
        Con().PushKey(KeyUp(c.Key));
        for (uint8_t code : c.Codes) EXPECT_EQ(ReadKey(), code) << c.Name;
        EXPECT_FALSE(KeyPressed()) << c.Name;
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
