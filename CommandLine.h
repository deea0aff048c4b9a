// The command line: --help and --version are answered before anything else
// runs; every other argument is ignored.
#pragma once

// Answers -h/--help or -V/--version on standard output and ends the process
// (status 0, or 1 when the text cannot be written); returns for any other
// command line. The terminal is never touched.
void AnswerCommandLine(int argc, char** argv);
