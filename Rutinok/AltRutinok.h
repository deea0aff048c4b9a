// General page and key routines shared by the program's screens.
#pragma once
#include <cstdint>

#include "ShortString.h"

// Waits for one key and drops it; nothing is echoed.
void BILLREVAR();
// New page: the 80 x 25 window in black on light grey, a pause of VARAKOZAS
// tenths of a second (a key wait when below 1), a cleared window and CIM
// centred on the first line.
void UJLAP(ShortString CIM, int16_t VARAKOZAS);
