// The screen under the window: its size, the cursor, and the platform cell of
// a 1-based position.
#include "CrtScreen.h"

#include <algorithm>

#include "PlatformRegistry.h"

namespace {

constexpr uint32_t FallbackWidth = 80, FallbackHeight = 25;

int16_t CellIndex(uint32_t v) {
    if (v == 0) return 0;
    return static_cast<int16_t>(std::min<uint32_t>(v - 1, INT16_MAX));
}

}  // namespace

Coord ScreenCell(uint32_t X, uint32_t Y) { return Coord{CellIndex(X), CellIndex(Y)}; }

uint32_t GetScreenWidth() {
    ScreenBufferInfo info{};
    if (!Platform().GetScreenBufferInfo(info) || info.Size.X <= 0) return FallbackWidth;
    return static_cast<uint32_t>(info.Size.X);
}

uint32_t GetScreenHeight() {
    ScreenBufferInfo info{};
    if (!Platform().GetScreenBufferInfo(info) || info.Size.Y <= 0) return FallbackHeight;
    return static_cast<uint32_t>(info.Size.Y);
}

void GetScreenCursor(uint32_t& X, uint32_t& Y) {
    ScreenBufferInfo info{};
    bool ok = Platform().GetScreenBufferInfo(info);
    int x = std::max<int>(info.CursorPosition.X, 0);
    int y = std::max<int>(info.CursorPosition.Y, 0);
    // A terminal that shrank may report a cursor beyond its new size.
    if (ok && info.Size.X > 0) x = std::min<int>(x, info.Size.X - 1);
    if (ok && info.Size.Y > 0) y = std::min<int>(y, info.Size.Y - 1);
    X = static_cast<uint32_t>(x) + 1;
    Y = static_cast<uint32_t>(y) + 1;
}

void SetScreenCursor(uint32_t X, uint32_t Y) { Platform().SetCursorPosition(ScreenCell(X, Y)); }
