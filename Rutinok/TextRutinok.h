// Text-file routines shared by the program.
#pragma once
#include "ShortString.h"
#include "TextIO.h"

// Binds F to FN and opens it for reading without stopping on failure; true
// when it opened. Reading the I/O result clears it, so a failed try leaves no
// error behind for the next checked operation.
bool OLVASASRANYIT(TextRec& F, const ShortString& FN);
