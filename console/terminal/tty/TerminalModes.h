// The terminal's modes while the program reads keys, and the modes it found.
#pragma once
#include <termios.h>

class TerminalModes {
public:
    // Keys one by one and unechoed, with only Ctrl-C still making a signal.
    // False when fd is not a terminal or refuses; nothing is changed then.
    bool Enter(int fd);
    // The modes the terminal had before Enter.
    void Leave();

    bool Changed() const { return changed_; }
    const termios& Found() const { return found_; }
    const termios& KeyModes() const { return keys_; }

private:
    int fd_ = -1;
    bool changed_ = false;
    termios found_{};
    termios keys_{};
};
