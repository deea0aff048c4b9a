// The command line: --help and --version, and the data file's name.
#pragma once

// Reads the command line before anything else runs, never touching the
// terminal. Answers -h/--help or -V/--version on standard output and ends
// (status 0, or 1 when the text cannot be written); ends with status 2 and
// the reason on standard error for an unknown option or a second operand.
// Otherwise returns the one operand, the data file's name, or nullptr.
const char* ReadCommandLine(int argc, char** argv);

// Types name and Enter at the first prompt, as a user would; call it once
// the console has started.
void TypeDataFileName(const char* name);
