// The report's test hook; the program never calls it.
#pragma once

// Whether the line table is open (the line-information module's life cycle).
bool LineTableOpen();
