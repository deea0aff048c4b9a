#include "Rutinok/AltRutinok.h"

#include "console/Crt.h"
#include "runtime/core/Errors.h"
#include "textio/TextIO.h"

// The routines stay real frames (no inlining, no clones) so that a run-time
// error report can name them in its back trace.
__attribute__((noinline, noclone)) void BILLREVAR() { (void)ReadKey(); }

__attribute__((noinline, noclone)) void UJLAP(ShortString CIM, int16_t VARAKOZAS) {
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
