// The line editor behind console-bound Input.
#pragma once
#include "TextIO.h"

// Reads one line typed with echo into the file's buffer, with its CR LF.
void CrtRead(TextRec& F);
