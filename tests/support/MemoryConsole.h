// A platform console held entirely in memory, for tests: a grid of cells, a
// cursor, an input queue the test fills, and sleeps that are only counted;
// the key events to fill it with, and the console layer's state as at a
// fresh start, for tests that run it over and over in one process.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "ConsoleTestHooks.h"   // SetPlatform installs one
#include "PlatformConsole.h"
#include "ScreenGrid.h"

class MemoryConsole : public PlatformConsole {
public:
    explicit MemoryConsole(int width = 80, int height = 25, Coord cursor = Coord{},
                           uint16_t attributes = 0x07);

    bool GetScreenBufferInfo(ScreenBufferInfo& info) override;
    void SetCursorPosition(Coord pos) override;
    void WriteOutputCharacter(uint8_t ch, Coord pos) override;
    void WriteOutputAttribute(uint16_t attr, Coord pos) override;
    void FillOutputCharacter(uint8_t ch, uint32_t length, Coord pos) override;
    void FillOutputAttribute(uint16_t attr, uint32_t length, Coord pos) override;
    void ScrollScreenBuffer(const SmallRect& source, const SmallRect& clip, Coord dest,
                            uint8_t fillChar, uint16_t fillAttr) override;
    uint32_t GetConsoleOutputCP() override { return outputCP_; }
    void SetConsoleOutputCP(uint32_t cp) override;
    uint32_t GetACP() override { return 1250; }
    void Sleep(uint32_t ms) override;
    uint32_t GetNumberOfInputEvents() override;
    bool ReadConsoleInput(InputRecord& rec) override;
    void WaitForInput() override;
    void Present() override { presents_++; }
    void Restore() override { restores_++; }
    void GiveBackNow() override {}
    bool ReportsKeyReleases() override { return releases_; }

    // Test side.
    void PushKey(const KeyEventRecord& key);
    void PushEvent(const InputRecord& rec);
    // Runs when WaitForInput finds the queue empty; it may push events. When
    // the queue is still empty afterwards (or no hook is set) WaitForInput
    // throws std::runtime_error instead of hanging the test.
    void SetOnEmptyWait(std::function<void()> hook) { onEmptyWait_ = std::move(hook); }
    // Runs at every sleep, before it is counted: the screen as it stands
    // during the pause.
    void SetOnSleep(std::function<void(uint32_t ms)> hook) { onSleep_ = std::move(hook); }
    // Simulates standard output that is not a console.
    void SetQueryable(bool queryable) { queryable_ = queryable; }
    // Simulates a terminal that reports no key releases.
    void SetReportsKeyReleases(bool releases) { releases_ = releases; }

    ScreenGrid& Grid() { return grid_; }
    const ScreenGrid& Grid() const { return grid_; }
    uint8_t CharAt(int x, int y) const { return grid_.At(x, y).ch; }
    uint8_t AttrAt(int x, int y) const { return grid_.At(x, y).attr; }
    uint64_t SleptMs() const { return sleptMs_; }
    uint32_t SleepCalls() const { return sleepCalls_; }
    uint32_t Presents() const { return presents_; }
    uint32_t Restores() const { return restores_; }
    uint32_t CodePageSets() const { return cpSets_; }
    uint32_t Waits() const { return waits_; }
    size_t QueuedEvents() const { return queue_.size(); }
    // Calls that named cells off the screen (a store, a fill that starts off
    // it or runs past its row's end, a scroll rectangle, a cursor position).
    // The console ignores those cells; tests count them as the caller's fault.
    uint32_t OutOfRangeCalls() const { return outOfRange_; }

private:
    ScreenGrid grid_;
    uint16_t attributes_;
    bool queryable_ = true;
    bool releases_ = true;
    uint32_t outputCP_ = 852;
    uint32_t cpSets_ = 0;
    uint64_t sleptMs_ = 0;
    uint32_t sleepCalls_ = 0;
    uint32_t presents_ = 0;
    uint32_t restores_ = 0;
    uint32_t waits_ = 0;
    uint32_t outOfRange_ = 0;
    void CheckCell(Coord pos);
    void CheckRect(const SmallRect& r);
    std::deque<InputRecord> queue_;
    std::function<void()> onEmptyWait_;
    std::function<void(uint32_t)> onSleep_;
};

// Key events as the platform console reports them.
inline KeyEventRecord KeyDown(uint8_t ch, uint16_t scan, uint32_t state = 0, uint16_t vk = 0) {
    KeyEventRecord k;
    k.KeyDown = true;
    k.VirtualKeyCode = vk;
    k.VirtualScanCode = scan;
    k.AsciiChar = ch;
    k.ControlKeyState = state;
    return k;
}

inline KeyEventRecord KeyUp(KeyEventRecord k) {
    k.KeyDown = false;
    return k;
}

// The window is the whole width x height screen in attribute 0x07; no key
// is pending, no Alt code is being typed, Ctrl-Z is ignored in line input.
void ResetConsoleState(int width, int height);

// What a key wait makes of key events: the codes successive ReadKey calls
// return, read by the console's own key layer (KeyPressed, ReadKey) from a
// MemoryConsole queued with the events, which reports key releases or not
// (without them, Alt makes no Alt-code digits). For the key decoder's tests,
// which check the codes of the keys they decode without restating that layer.
std::vector<int> ReadKeyCodes(const std::vector<InputRecord>& events, bool releases = true);
