// Routines of the failure probe that live in a file of their own, so that the
// report's source names can be told apart.
#pragma once

// Fails a range check on the line marked "@other-fail".
void OTHERFILE(int depth);
