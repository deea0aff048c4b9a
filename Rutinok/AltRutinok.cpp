// The page and key routines of the program's screens.
#include "AltRutinok.h"

#include "Crt.h"
#include "Errors.h"
#include "ShortString.h"
#include "TextIO.h"

// Both stay routines of their own, so that a run-time error report names them.
ROUTINE void BILLREVAR() { (void)ReadKey(); }

ROUTINE void UJLAP(ShortString CIM, int16_t VARAKOZAS) {
    Window(1, 1, 80, 25);
    // Background 15 keeps only its low three bits: light grey, so 0x70 in all.
    TextBackground(15);
    TextColor(0);
    // The wait comes before the clearing: the previous page stays visible.
    if (VARAKOZAS < 1)
        BILLREVAR();
    else
        Delay(static_cast<uint16_t>(CheckRange(int32_t{VARAKOZAS} * 100, 0, 65535)));
    ClrScr();
    TextWriteStr(CIM.Length() / 2 + 40, Output, CIM);
    IOCheck();
    TextWritelnEnd(Output);
    IOCheck();
}
