// Window, colours, cursor placement, clearing and the pause.
#include "Crt.h"
#include "CrtScreen.h"
#include "PlatformRegistry.h"

uint8_t TextAttr = 0;
uint32_t WindMinX = 1, WindMinY = 1, WindMaxX = 1, WindMaxY = 1;
uint16_t WindMin = 0, WindMax = 0;

void Window32(uint32_t X1, uint32_t Y1, uint32_t X2, uint32_t Y2) {
    if (X1 > X2 || X2 > GetScreenWidth() || Y1 > Y2 || Y2 > GetScreenHeight()) return;
    // A corner at 0 would put the window's first column or row off the
    // screen; it is refused like any other invalid window.
    if (X1 == 0 || Y1 == 0) return;
    WindMinY = Y1;
    WindMaxY = Y2;
    WindMinX = X1;
    WindMaxX = X2;
    WindMin = static_cast<uint16_t>((Y1 - 1) * 256 + (X1 - 1));
    WindMax = static_cast<uint16_t>((Y2 - 1) * 256 + (X2 - 1));
    GotoXY32(1, 1);
}

void Window(uint8_t X1, uint8_t Y1, uint8_t X2, uint8_t Y2) { Window32(X1, Y1, X2, Y2); }

void GotoXY32(uint32_t X, uint32_t Y) {
    if (X == 0 || X > WindMaxX - WindMinX + 1 || Y == 0 || Y > WindMaxY - WindMinY + 1) return;
    SetScreenCursor(X + WindMinX - 1, Y + WindMinY - 1);
}

void GotoXY(uint8_t X, uint8_t Y) { GotoXY32(X, Y); }

void TextColor(uint8_t Color) { TextAttr = static_cast<uint8_t>((TextAttr & 0x70) | (Color & 0x8F)); }

void TextBackground(uint8_t Color) {
    TextAttr = static_cast<uint8_t>(((Color & 7) << 4) | (TextAttr & 0x8F));
}

void HighVideo() { TextColor(static_cast<uint8_t>(TextAttr | 0x08)); }

// The blink bit goes together with the intensity bit.
void LowVideo() { TextColor(static_cast<uint8_t>(TextAttr & 0x77)); }

void ClrScr() {
    uint32_t width = WindMaxX - WindMinX + 1;
    for (uint32_t row = WindMinY; row <= WindMaxY; row++) {
        Coord start = ScreenCell(WindMinX, row);
        Platform().FillOutputAttribute(TextAttr, width, start);
        Platform().FillOutputCharacter(' ', width, start);
    }
    GotoXY32(1, 1);
}

void Delay(uint16_t MS) { Platform().Sleep(MS); }
