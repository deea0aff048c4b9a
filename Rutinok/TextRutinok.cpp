#include "Rutinok/TextRutinok.h"

#include "textio/TextIO.h"

__attribute__((noinline, noclone)) bool OLVASASRANYIT(TextRec& F, const ShortString& FN) {
    Assign(F, FN);
    Reset(F);
    return IOResult() == 0;
}
