#include "MemoryConsole.h"

#include <stdexcept>

#include "Crt.h"
#include "CrtKeys.h"

MemoryConsole::MemoryConsole(int width, int height, Coord cursor, uint16_t attributes)
    : grid_(width, height, Cell{' ', static_cast<uint8_t>(attributes), true}), attributes_(attributes) {
    grid_.Cursor = cursor;
}

bool MemoryConsole::GetScreenBufferInfo(ScreenBufferInfo& info) {
    if (!queryable_) return false;
    info.Size = Coord{static_cast<int16_t>(grid_.Width()), static_cast<int16_t>(grid_.Height())};
    info.CursorPosition = grid_.Cursor;
    info.Attributes = attributes_;
    info.Window = SmallRect{0, 0, static_cast<int16_t>(grid_.Width() - 1),
                            static_cast<int16_t>(grid_.Height() - 1)};
    info.MaximumWindowSize = info.Size;
    return true;
}

void MemoryConsole::CheckCell(Coord pos) {
    if (!grid_.Inside(pos.X, pos.Y)) outOfRange_++;
}

void MemoryConsole::CheckRect(const SmallRect& r) {
    if (!grid_.Inside(r.Left, r.Top) || !grid_.Inside(r.Right, r.Bottom)) outOfRange_++;
}

void MemoryConsole::SetCursorPosition(Coord pos) {
    CheckCell(pos);
    // A position off the screen fails and changes nothing, as on the console.
    if (grid_.Inside(pos.X, pos.Y)) grid_.Cursor = pos;
}

void MemoryConsole::WriteOutputCharacter(uint8_t ch, Coord pos) {
    CheckCell(pos);
    grid_.StoreChar(ch, pos);
}

void MemoryConsole::WriteOutputAttribute(uint16_t attr, Coord pos) {
    CheckCell(pos);
    grid_.StoreAttr(static_cast<uint8_t>(attr), pos);
}

void MemoryConsole::FillOutputCharacter(uint8_t ch, uint32_t length, Coord pos) {
    CheckCell(pos);
    if (pos.X + static_cast<int64_t>(length) > grid_.Width()) outOfRange_++;
    grid_.FillChar(ch, length, pos);
}

void MemoryConsole::FillOutputAttribute(uint16_t attr, uint32_t length, Coord pos) {
    CheckCell(pos);
    if (pos.X + static_cast<int64_t>(length) > grid_.Width()) outOfRange_++;
    grid_.FillAttr(static_cast<uint8_t>(attr), length, pos);
}

void MemoryConsole::ScrollScreenBuffer(const SmallRect& source, const SmallRect& clip, Coord dest,
                                       uint8_t fillChar, uint16_t fillAttr) {
    CheckRect(source);
    CheckRect(clip);
    grid_.Scroll(source, clip, dest, fillChar, static_cast<uint8_t>(fillAttr));
}

void MemoryConsole::SetConsoleOutputCP(uint32_t cp) {
    outputCP_ = cp;
    cpSets_++;
}

void MemoryConsole::Sleep(uint32_t ms) {
    if (onSleep_) onSleep_(ms);
    sleptMs_ += ms;
    sleepCalls_++;
}

uint32_t MemoryConsole::GetNumberOfInputEvents() { return static_cast<uint32_t>(queue_.size()); }

bool MemoryConsole::ReadConsoleInput(InputRecord& rec) {
    if (queue_.empty()) return false;
    rec = queue_.front();
    queue_.pop_front();
    return true;
}

void MemoryConsole::WaitForInput() {
    waits_++;
    if (queue_.empty() && onEmptyWait_) onEmptyWait_();
    if (queue_.empty())
        throw std::runtime_error("MemoryConsole::WaitForInput: the test queued no more input");
}

void MemoryConsole::PushKey(const KeyEventRecord& key) {
    InputRecord rec;
    rec.EventType = KEY_EVENT;
    rec.Key = key;
    queue_.push_back(rec);
}

void MemoryConsole::PushEvent(const InputRecord& rec) { queue_.push_back(rec); }

void ResetConsoleState(int width, int height) {
    WindMinX = WindMinY = 1;
    WindMaxX = static_cast<uint32_t>(width);
    WindMaxY = static_cast<uint32_t>(height);
    TextAttr = 0x07;
    PendingKey = 0;
    PendingExtended = false;
    AltCodeMode = false;
    AltCodeValue = 0;
    CheckEOF = false;
}

std::vector<int> ReadKeyCodes(const std::vector<InputRecord>& events, bool releases) {
    MemoryConsole con;
    con.SetReportsKeyReleases(releases);
    SetPlatform(&con);
    ResetConsoleState(80, 25);
    for (const InputRecord& e : events) con.PushEvent(e);
    std::vector<int> codes;
    while (KeyPressed()) codes.push_back(ReadKey());
    SetPlatform(nullptr);
    return codes;
}
