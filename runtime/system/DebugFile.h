// Finding the file that holds the executable's line table, and opening it
// safely: the names tried lie partly in the user's folders.
#pragma once
#include <cstddef>
#include <cstdint>

// The system's debug directory: below it, a debug file sits under the
// executable's own directory (/usr/lib/debug/usr/bin/x.debug for /usr/bin/x)
// or under its build ID (/usr/lib/debug/.build-id/ab/cdef....debug).
extern const char SystemDebugDirectory[];

// The largest file the line lookup reads (debug files of this program are a
// few megabytes; its sanitizer build's some tens).
constexpr int64_t MaxLineTableFileSize = 64 * 1024 * 1024;

// The file the line table is read from: where the executable's
// .gnu_debuglink names a debug file, the first of these whose CRC-32 matches
// the recorded one: the name as it stands, the name in the executable's
// directory, in its ".debug" subdirectory, the file named by the
// executable's build ID under the system's debug directory, the name under
// the system's debug directory followed by the executable's directory, and
// the same under the debug directory of the executable's own prefix
// (/opt/k/lib/debug/opt/k/bin/x.debug for /opt/k/bin/x: where an install
// into any prefix puts it). Otherwise the executable itself; "" when even
// that is no file the lookup may read (OpenLineTableFile). Writes the path
// into out; allocates nothing (it runs on the fault path).
void FindLineTableFile(const char* exe, char* out, size_t outSize);

// Opens a file for the line lookup, or gives -1: a regular file (opened
// without waiting, so that a FIFO or a device under the name cannot hang the
// report), at most MaxLineTableFileSize bytes long, and an ELF file whose
// section headers and sections all lie inside it (so that reading one cannot
// fault).
int OpenLineTableFile(const char* path);

// The standard CRC-32 (as .gnu_debuglink records it) of a block, going on from crc (0 to start).
uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n);
