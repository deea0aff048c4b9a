// What a running program is doing, read from /proc: for tests that must act
// only once the program waits (for a key, or in a pause), and for finding a
// program started under a shell or a tmux pane.
#pragma once
#include <string>

// The pid of the first process called `name` (as /proc/<pid>/comm has it)
// among rootPid and its descendants; -1 when there is none.
int FindProcess(int rootPid, const std::string& name);

// The process sleeps in the kernel waiting for input: in poll or read. Where
// the kernel shows the call's arguments (a child of the test, or ptrace not
// restricted), only a poll without a timeout counts, so a program that wakes
// every few milliseconds to look again never passes.
bool WaitsForInput(int pid);

// The process sleeps in a timed sleep (nanosleep).
bool Sleeps(int pid);

// The same two, asked until they hold or the deadline of PollUntil passes.
bool WaitUntilWaitingForInput(int pid);
bool WaitUntilSleeping(int pid);
