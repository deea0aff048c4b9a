// The mode test every write operation starts with.
#pragma once
#include "EndState.h"
#include "TextIO.h"

// True when f is open for writing; otherwise records FileNotOpenForOutput
// (open for reading) or FileNotOpen and the write does nothing.
inline bool OpenForWriting(TextRec& f) {
    if (f.Mode == ModeOutput) return true;
    InOutRes = f.Mode == ModeInput ? FileNotOpenForOutput : FileNotOpen;
    return false;
}
