// Finding the file that holds the executable's line table.
#pragma once
#include <cstddef>
#include <cstdint>

// The system's debug directory: below it, a debug file sits under the
// executable's own directory (/usr/lib/debug/usr/bin/x.debug for /usr/bin/x).
extern const char SystemDebugDirectory[];

// The file the line table is read from: where the executable's
// .gnu_debuglink names a debug file, the first of these whose CRC-32 matches
// the recorded one: the name as it stands, the name in the executable's
// directory, the name under the system's debug directory followed by the
// executable's directory, and the same under the debug directory of the
// executable's own prefix (/opt/k/lib/debug/opt/k/bin/x.debug for
// /opt/k/bin/x: where an install into any prefix puts it). Otherwise the
// executable itself. Writes the path into out; allocates nothing (it runs on
// the fault path).
void FindLineTableFile(const char* exe, char* out, size_t outSize);

// The standard CRC-32 (as .gnu_debuglink records it) of a whole file; false
// if it cannot be read.
bool FileCrc32(const char* path, uint32_t& crc);
// The CRC-32 of a block, going on from crc (0 to start).
uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n);
