// The run-time error report on the standard error file.
#pragma once
#include "textio/TextRec.h"

// "Runtime error <code> at $<address>", the failing routine's line, the
// caller lines and an empty line, each ended by CR LF. Never raises an I/O
// error of its own: a closed or full standard error just loses the text.
void WriteErrorReport();

// The caller lines: walks the frame chain outward from frame, one line per
// return address. The walk reads only frames that lie on the main stack above
// the previous one, stops after the main line (whose caller counts as none),
// after max_frame_dump + 1 lines on a terminal device or 257 otherwise, and
// ends quietly if a run-time error is raised inside it.
void dump_stack(TextRec& f, void* frame, void* addr);
