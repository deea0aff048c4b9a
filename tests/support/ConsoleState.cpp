#include "ConsoleState.h"

#include <cstdint>

#include "Crt.h"
#include "CrtKeys.h"

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
