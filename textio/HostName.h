// File names: the program's Windows-1250 bytes turned into the bytes the host's
// file system takes (the locale's encoding).
#pragma once
#include <cstddef>

// Converts n Windows-1250 bytes into out (room for outSize bytes, always
// zero-terminated) and returns the number of bytes written, without the
// terminator. A character the locale cannot express becomes a NUL byte, which
// makes the name invalid when it is opened: a substitute such as '?' could
// name some other, existing file.
size_t Cp1250ToHostName(const char* in, size_t n, char* out, size_t outSize);
