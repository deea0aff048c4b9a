// Opening a text file without stopping on failure.
#include "TextRutinok.h"

#include "Errors.h"
#include "TextIO.h"

ROUTINE bool OLVASASRANYIT(TextRec& F, const ShortString& FN) {
    Assign(F, FN);
    Reset(F);
    return IOResult() == 0;
}
