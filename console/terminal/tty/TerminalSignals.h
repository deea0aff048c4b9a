// Signals while the program owns the terminal. Ctrl-C, SIGTERM, SIGHUP,
// SIGQUIT and every other signal whose default action ends the process
// (SIGUSR1, SIGALRM, SIGXCPU, the real-time ones, ...) end the run by that
// action with the terminal given back; the fault handler of the run-time
// takes the faults and SIGABRT, and SIGPIPE stays ignored (a write to a
// closed pipe is an I/O error);
// a job-control stop gives the terminal back, and continuing (fg) takes it
// again and asks for a repaint; a resize is noted for the console to act on.
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

// A resize or a continue after a stop happened since the last call.
bool TakeResized();
bool TakeContinued();
bool RepaintDue();

// Takes sig's default action now, even from inside its own handler: the end
// of the process, or a stop (from which it returns once continued).
void RaiseDefault(int sig);
