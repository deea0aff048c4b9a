// Writing to the terminal: the one write loop, for the console and for the
// signal handlers alike.
#pragma once
#include <cstddef>

// Writes all of bytes to fd. Safe in a signal handler. A terminal that
// stops taking bytes (a stalled link, Scroll Lock, a descriptor someone made
// non-blocking) is waited for in poll, woken by signals but never spinning:
// for as long as it takes with waitMs -1, else for at most waitMs at a
// time. False only when the terminal is gone (hung up, an I/O error, a
// closed pipe or descriptor), or waitMs ran out.
bool WriteAllTo(int fd, const char* bytes, size_t length, int waitMs = -1);
