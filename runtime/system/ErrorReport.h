// The run-time error report on the standard error file.
#pragma once

// "Runtime error <code> at $<address>", the failing routine's line, the
// caller lines and an empty line, each ended by CR LF. Never raises an I/O
// error of its own: a closed or full standard error just loses the text.
void WriteErrorReport();
