// The output driver of console-bound text files: bytes placed cell by cell
// into the window, wrapping at its right edge and scrolling at its bottom.
#include "CrtDriver.h"

#include <algorithm>

#include "Crt.h"
#include "CrtScreen.h"
#include "PlatformRegistry.h"

uint32_t CursorX = 1, CursorY = 1;

namespace {

constexpr uint32_t MaxRun = 255;

bool IsControl(uint8_t b) { return b == 7 || b == 8 || b == 10 || b == 13; }

// Wrap at the right edge, then scroll while below the bottom. A position far
// below the window (a screen that grew, a cursor left low) never needs more
// scrolls than the window has rows: after that many the window is blank.
void WrapAndScroll() {
    if (CursorX > WindMaxX) {
        CursorX = WindMinX;
        CursorY++;
    }
    if (CursorY > WindMaxY) {
        uint32_t n = std::min(CursorY - WindMaxY, WindMaxY - WindMinY + 1);
        for (uint32_t i = 0; i < n; i++) RemoveLine(1);
        CursorY = WindMaxY;
    }
}

void PlaceByte(uint8_t b) {
    Coord cell = ScreenCell(CursorX, CursorY);
    Platform().WriteOutputCharacter(b, cell);
    Platform().WriteOutputAttribute(TextAttr, cell);
    CursorX++;
    WrapAndScroll();
}

}  // namespace

void RemoveLine(uint32_t L) {
    if (L == 0) L = 1;
    uint32_t top = WindMinY + L - 1;   // the row that is overwritten
    if (top > WindMaxY) return;
    Coord left = ScreenCell(WindMinX, top);
    Coord right = ScreenCell(WindMaxX, WindMaxY);
    if (top == WindMaxY) {
        // Nothing below to move up: the row only becomes blank.
        uint32_t width = WindMaxX - WindMinX + 1;
        Platform().FillOutputAttribute(TextAttr, width, left);
        Platform().FillOutputCharacter(' ', width, left);
        return;
    }
    SmallRect source{left.X, static_cast<int16_t>(left.Y + 1), right.X, right.Y};
    SmallRect clip{left.X, left.Y, right.X, right.Y};
    Platform().ScrollScreenBuffer(source, clip, left, ' ', TextAttr);
}

void WriteStr(const uint8_t* S, uint32_t Len) {
    for (uint32_t i = 0; i < Len; i++) PlaceByte(S[i]);
}

void WriteChar(uint8_t Ch) {
    switch (Ch) {
        case 7:   // bell: no sound
            break;
        case 8:   // backspace: nothing erased, never to the row above
            if (CursorX > WindMinX) CursorX--;
            break;
        case 10:
            CursorY++;
            break;
        case 13:
            CursorX = WindMinX;
            break;
        default:
            PlaceByte(Ch);
            return;
    }
    WrapAndScroll();
}

void CrtWrite(TextRec& F) {
    PlatformConsole& con = Platform();
    uint32_t savedCP = con.GetConsoleOutputCP();
    con.SetConsoleOutputCP(con.GetACP());
    GetScreenCursor(CursorX, CursorY);

    int32_t count = std::clamp<int32_t>(F.BufferPos, 0, TextBufferSize);
    uint8_t run[MaxRun];
    uint32_t runLen = 0;
    for (int32_t i = 0; i < count; i++) {
        uint8_t b = F.Buffer[i];
        if (IsControl(b)) {
            if (runLen) WriteStr(run, runLen);
            runLen = 0;
            WriteChar(b);
            continue;
        }
        if (runLen == MaxRun) {
            WriteStr(run, runLen);
            runLen = 0;
        }
        run[runLen++] = b;
    }
    if (runLen) WriteStr(run, runLen);

    SetScreenCursor(CursorX, CursorY);
    con.SetConsoleOutputCP(savedCP);
    F.BufferPos = 0;
    con.Present();
}
