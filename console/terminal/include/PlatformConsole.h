// The platform console the text window is built on: a screen buffer of cells
// (an 8-bit Windows-1250 character and an 8-bit attribute each), a cursor,
// store, fill and scroll operations, code pages, sleep, and a queue of key
// events. Coordinates are zero-based. Implemented on the real terminal and in
// memory (tests). Nothing here knows about text files.
#pragma once
#include <cstdint>

struct Coord {
    int16_t X = 0, Y = 0;
};
struct SmallRect {
    int16_t Left = 0, Top = 0, Right = 0, Bottom = 0;   // inclusive
};
struct ScreenBufferInfo {
    Coord Size;
    Coord CursorPosition;
    uint16_t Attributes = 0;
    SmallRect Window;   // the visible region
    Coord MaximumWindowSize;
};

// Modifier bits of a key event.
constexpr uint32_t RIGHT_ALT_PRESSED = 0x0001;
constexpr uint32_t LEFT_ALT_PRESSED = 0x0002;
constexpr uint32_t RIGHT_CTRL_PRESSED = 0x0004;
constexpr uint32_t LEFT_CTRL_PRESSED = 0x0008;
constexpr uint32_t SHIFT_PRESSED = 0x0010;
constexpr uint32_t NUMLOCK_ON = 0x0020;
constexpr uint32_t SCROLLLOCK_ON = 0x0040;
constexpr uint32_t CAPSLOCK_ON = 0x0080;
constexpr uint32_t ENHANCED_KEY = 0x0100;

// Virtual key codes used by the key layer.
constexpr uint16_t VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18, VK_CAPITAL = 20,
                   VK_NUMLOCK = 144, VK_SCROLL = 145;

struct KeyEventRecord {
    bool KeyDown = false;
    uint16_t RepeatCount = 1;
    uint16_t VirtualKeyCode = 0;
    uint16_t VirtualScanCode = 0;
    uint8_t AsciiChar = 0;          // Windows-1250 character, 0 for none
    uint32_t ControlKeyState = 0;
};

constexpr uint16_t KEY_EVENT = 0x0001;
constexpr uint16_t WINDOW_BUFFER_SIZE_EVENT = 0x0004;

struct InputRecord {
    uint16_t EventType = KEY_EVENT;
    KeyEventRecord Key;
};

class PlatformConsole {
public:
    virtual ~PlatformConsole() = default;

    // False when the screen cannot be queried (standard output not a terminal).
    virtual bool GetScreenBufferInfo(ScreenBufferInfo& info) = 0;
    virtual void SetCursorPosition(Coord pos) = 0;
    // One cell each; the character is stored as it is, the cursor stays.
    virtual void WriteOutputCharacter(uint8_t ch, Coord pos) = 0;
    virtual void WriteOutputAttribute(uint16_t attr, Coord pos) = 0;
    // A run of cells of one row from pos (cut at the row's end).
    virtual void FillOutputCharacter(uint8_t ch, uint32_t length, Coord pos) = 0;
    virtual void FillOutputAttribute(uint16_t attr, uint32_t length, Coord pos) = 0;
    // Moves the source rectangle so its top-left lands on dest; only cells
    // inside clip change; cells left behind inside clip get the fill.
    virtual void ScrollScreenBuffer(const SmallRect& source, const SmallRect& clip, Coord dest,
                                    uint8_t fillChar, uint16_t fillAttr) = 0;

    virtual uint32_t GetConsoleOutputCP() = 0;
    virtual void SetConsoleOutputCP(uint32_t cp) = 0;
    virtual uint32_t GetACP() = 0;   // 1250

    virtual void Sleep(uint32_t ms) = 0;

    // Events waiting now; never blocks.
    virtual uint32_t GetNumberOfInputEvents() = 0;
    // Takes one event off the queue; false when the queue is empty.
    virtual bool ReadConsoleInput(InputRecord& rec) = 0;
    // Blocks until at least one event waits; it never returns empty. When
    // the input is used up for good the terminal console runs the
    // input-ended action it was created with, or without one ends the run as
    // Ctrl-C ends it (status 130).
    virtual void WaitForInput() = 0;
    // Whether key-up events are real releases (the console's own, a terminal
    // with the kitty keyboard protocol) rather than made up right after each
    // press, so that a held Alt can be seen let go.
    virtual bool ReportsKeyReleases() = 0;

    // Makes the screen current (end of a write statement, before a wait).
    virtual void Present() = 0;
    // Gives the terminal back as it was found; the screen keeps its contents.
    virtual void Restore() = 0;
    // The same at once, with bytes prepared in advance (the screen's last
    // changes may stay unsent): no allocation, safe in a signal handler, for
    // an end on a heap that may be damaged. Restore then has nothing to do.
    virtual void GiveBackNow() = 0;
};
