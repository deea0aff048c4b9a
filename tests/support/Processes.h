// What a running program is doing, read from /proc: for tests that must act
// only once the program waits (for a key, or in a pause), that check that a
// wait costs nothing, and for finding a program started under a shell or a
// tmux pane.
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

// The time limit in ms of the poll the process sleeps in (-1: none); -2 when
// it is in no poll or the kernel does not show the call's arguments.
int PollTimeoutMs(int pid);

// The process sleeps in a timed sleep (nanosleep).
bool Sleeps(int pid);

// The same two, asked until they hold or the deadline of PollUntil passes.
bool WaitUntilWaitingForInput(int pid);
bool WaitUntilSleeping(int pid);

// What a waiting program does over windowMs from now: the CPU time it uses
// and how often it wakes (voluntary context switches). A program that
// sleeps in its wait uses neither; one that spins burns the window, one that
// polls again and again wakes each time. Says so in why when the program is
// not idle (or could not be watched); measuring across a window of its own,
// after the program's start, keeps the figure free of the machine's speed.
bool StaysIdle(int pid, std::string& why, int windowMs = 200);
