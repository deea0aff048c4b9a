// Signals while the program owns the terminal. Ctrl-C, SIGTERM, SIGHUP,
// SIGQUIT and every other signal whose default action ends the process
// (SIGUSR1, SIGALRM, SIGXCPU, the real-time ones, ...) end the run by that
// action with the terminal given back; the fault handler of the run-time
// takes the faults and SIGABRT, and SIGPIPE stays ignored (a write to a
// closed pipe is an I/O error, and pages whose reader has gone are no
// longer drawn);
// a job-control stop gives the terminal back, and continuing (fg) takes it
// again; a continue and a resize are counted for the console to repaint.
// Everything a handler writes is prepared in advance, so the handlers need
// only write(), poll() and tcsetattr().
#pragma once
#include <termios.h>

#include <string>

// Handlers for the signals above; a signal the program was started with
// ignored (nohup) stays ignored. The resize handler only with a terminal
// for output.
void InstallTerminalSignals(bool outputIsTerminal, bool inputIsTerminal);

// What giving the terminal back takes: its modes as found (and the
// program's, to take it again after a stop), the bytes that reset it and
// those that set the program's keyboard modes again.
void PrepareGiveBack(const termios* found, const termios* keyModes);
void PrepareGiveBackBytes(const std::string& leave, const std::string& resume);
// Whether a signal still has to give the terminal back (false once the
// console has done it itself).
void SetGiveBackDue(bool due);
bool GiveBackDue();
// Gives the terminal back now, once; async-signal-safe.
void GiveBackInEmergency();

// How many resizes, and continues after a stop, have happened so far. The
// console compares them with the counts its last written repaint answered,
// so one that arrives at any moment, during a repaint included, is seen.
unsigned ResizeCount();
unsigned ContinueCount();

// What woke a wait for input.
enum class Woken { Input, Signal, Timeout };
// Waits until fd has input (or has ended) or a resize or a continue
// happens, for at most timeoutMs (-1: no limit). The handlers also write to
// a pipe polled here, so a signal that lands just before the wait still
// ends it at once.
Woken WaitForInputOrSignal(int fd, int timeoutMs);

// Takes sig's default action now, even from inside its own handler: the end
// of the process, or a stop (from which it returns once continued).
void RaiseDefault(int sig);
