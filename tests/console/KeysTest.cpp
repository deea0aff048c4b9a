// Key codes: extended keys, modifiers, Alt codes and the pending key.
#include <string>
#include <vector>

#include "CrtFixture.h"

namespace {

constexpr uint8_t ALT = LEFT_ALT_PRESSED, RALT = RIGHT_ALT_PRESSED, CTRL = LEFT_CTRL_PRESSED,
                  RCTRL = RIGHT_CTRL_PRESSED, SHIFT = SHIFT_PRESSED;

// The code an extended key gives after its 0, by modifier group: "=" the
// scan code itself, "+n" the scan code plus n, a number that code, and
// "plain" a code that comes without the 0.
struct RemapRow {
    int First, Last;   // scan codes
    const char* Key;
    const char* None;
    const char* Shift;
    const char* Ctrl;
    const char* Alt;
};

const RemapRow RemapTable[] = {
    {2, 13, "1 ... 9, 0, -, = of the top row", "=", "=", "=", "+118"},
    {15, 15, "Tab", "=", "=", "148", "="},
    {28, 28, "Enter", "13 plain", "13 plain", "10 plain", "166"},
    {53, 53, "/", "=", "=", "149", "164"},
    {55, 55, "keypad *", "=", "=", "150", "="},
    {59, 68, "F1-F10", "=", "+25", "+35", "+45"},
    {71, 71, "Home, keypad 7", "=", "=", "119", "151"},
    {72, 72, "Up, keypad 8", "=", "=", "141", "152"},
    {73, 73, "PgUp, keypad 9", "=", "=", "132", "153"},
    {74, 74, "keypad -", "=", "=", "142", "="},
    {75, 75, "Left, keypad 4", "=", "=", "115", "155"},
    {76, 76, "keypad 5", "=", "=", "143", "="},
    {77, 77, "Right, keypad 6", "=", "=", "116", "157"},
    {78, 78, "keypad +", "=", "=", "=", "="},
    {79, 79, "End, keypad 1", "=", "=", "117", "159"},
    {80, 80, "Down, keypad 2", "=", "=", "145", "160"},
    {81, 81, "PgDn, keypad 3", "=", "=", "118", "161"},
    {82, 82, "Ins, keypad 0", "=", "=", "146", "162"},
    {83, 83, "Del, keypad .", "=", "=", "147", "163"},
    {87, 87, "F11", "133", "135", "137", "139"},
    {88, 88, "F12", "134", "136", "138", "140"},
};

struct Expected {
    int Code;
    bool Plain;
};

Expected Read(const char* cell, int scan) {
    const std::string s = cell;
    const bool plain = s.find("plain") != std::string::npos;
    if (s == "=") return {scan, false};
    if (s[0] == '+') return {scan + std::stoi(s.substr(1)), plain};
    return {std::stoi(s), plain};
}

// The modifier bits of each group, the lock keys' bits (which belong to no
// group) and combinations that show the order Alt, Ctrl, Shift.
struct Group {
    const char* RemapRow::*Cell;
    std::vector<uint8_t> Mods;
};

const Group Groups[] = {
    {&RemapRow::None, {0, NUMLOCK_ON | CAPSLOCK_ON | SCROLLLOCK_ON}},
    {&RemapRow::Shift, {SHIFT, SHIFT | CAPSLOCK_ON}},
    {&RemapRow::Ctrl, {CTRL, RCTRL, CTRL | SHIFT}},
    {&RemapRow::Alt, {ALT, RALT, ALT | CTRL | SHIFT, RALT | RCTRL}},
};

// Every scan code under every modifier group: the codes of the table, and
// the scan code unchanged for a key the table does not name.
TEST_F(CrtTest, RemapScanCodeGivesTheCodesOfTheTable) {
    for (int scan = 0; scan <= 255; scan++) {
        const RemapRow* row = nullptr;
        for (const RemapRow& r : RemapTable)
            if (scan >= r.First && scan <= r.Last) row = &r;
        for (const Group& g : Groups) {
            const Expected want = row ? Read(row->*g.Cell, scan) : Expected{scan, false};
            for (uint8_t mods : g.Mods) {
                PendingExtended = true;
                EXPECT_EQ(RemapScanCode(static_cast<uint8_t>(scan), mods), want.Code)
                    << (row ? row->Key : "unnamed") << ", scan " << scan << ", mods " << int(mods);
                EXPECT_EQ(PendingExtended, !want.Plain) << "scan " << scan << ", mods " << int(mods);
            }
        }
    }
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
