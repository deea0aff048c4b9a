// Writing to the terminal: the one write loop, for the console and for the
// signal handlers alike.
#pragma once
#include <cstddef>

// Writes all of bytes to fd. Safe in a signal handler. Waits (at most 5 s at
// a time) when someone made the terminal non-blocking. False when the
// terminal refused the rest: hung up, closed, or not draining.
bool WriteAllTo(int fd, const char* bytes, size_t length);
