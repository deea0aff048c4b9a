// The caller lines of the run-time error report.
#pragma once
#include "TextIO.h"

// Walks the frame chain outward from frame, one line per return address. The
// walk reads only frames that lie on the main stack above the previous one,
// stops after the main line (whose caller counts as none), after
// max_frame_dump + 1 lines on a terminal device or 257 otherwise, and ends
// quietly if a run-time error is raised inside it.
void dump_stack(TextRec& f, void* frame, void* addr);
