// Turning the names that the debug information holds into the names the
// report shows: routines as written in the source, files relative to the
// source tree, in printable ASCII (any other byte shows as '?').
#pragma once
#include "ShortString.h"

// A C++ routine's linkage name ("_Z7BEOLVASv") becomes its written name
// ("BEOLVAS"); a namespace or class qualifies it ("Rutinok::UJLAP"); an
// anonymous namespace is left out. Plain names ("main") stay as they are, and
// so does any name this cannot read (constructors, operators, templates).
// Allocates nothing: it runs on the fault path too.
ShortString RoutineDisplayName(const char* name);

// The build records source files relative to the source tree's root; a
// leading "./" goes, and an absolute path (a file compiled without that
// mapping) keeps only its last component, so that no build path shows.
ShortString SourceDisplayName(const char* name);
