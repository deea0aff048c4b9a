// The five standard text files on the process's standard descriptors.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "CodePages.h"
#include "EndState.h"
#include "Errors.h"
#include "PlatformFile.h"

// The POSIX standard descriptors are fixed numbers, so there is nothing to
// fetch at start; 0 is a real descriptor here, not "not yet known".
THandle StdInputHandle = STDIN_FILENO;
THandle StdOutputHandle = STDOUT_FILENO;
THandle StdErrorHandle = STDERR_FILENO;

TextRec Input, Output, ErrOutput, StdOut, StdErr;

namespace {

// A standard descriptor the process was started without is tied to
// /dev/null, so that no file opened later gets its number and is then taken
// for a standard file (never closed, flushed at every statement).
void KeepStandardDescriptor(int fd, int flags) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) return;
    int n = ::open("/dev/null", flags);
    if (n >= 0 && n != fd) {
        ::dup2(n, fd);
        ::close(n);
    }
}

}  // namespace

void OpenStdIO(TextRec& f, int32_t mode, THandle h) {
    Assign(f, ShortString());
    f.Handle = h;
    f.Mode = mode;
    f.CloseProc = FileCloseFunc;
    switch (mode) {
        case ModeInput:
            f.TransferProc = FileReadFunc;
            f.CodePage = ConsoleCodePage;
            break;
        case ModeOutput:
            f.TransferProc = FileWriteFunc;
            f.CodePage = ConsoleCodePage;
            f.FlushProc = FileWriteFunc;
            break;
        default:
            RunError(FileNotAssigned);
    }
}

void SysInitStdIO() {
    KeepStandardDescriptor(STDIN_FILENO, O_RDONLY);
    KeepStandardDescriptor(STDOUT_FILENO, O_WRONLY);
    KeepStandardDescriptor(STDERR_FILENO, O_WRONLY);
    // A reader that went away must give the writer 101, not kill the process.
    std::signal(SIGPIPE, SIG_IGN);

    OpenStdIO(Input, ModeInput, StdInputHandle);
    OpenStdIO(Output, ModeOutput, StdOutputHandle);
    OpenStdIO(ErrOutput, ModeOutput, StdErrorHandle);
    OpenStdIO(StdOut, ModeOutput, StdOutputHandle);
    OpenStdIO(StdErr, ModeOutput, StdErrorHandle);
}

void SysFlushStdIO() {
    // Each file is written out on its own: a pending code or a broken output
    // must not cost the others their waiting text. The first failure is kept.
    uint16_t first = InOutRes;
    TextRec* files[] = {&Output, &ErrOutput, &StdOut, &StdErr};
    for (TextRec* f : files) {
        if (f->Mode != ModeOutput) continue;
        InOutRes = 0;
        Flush(*f);
        if (first == 0) first = InOutRes;
    }
    InOutRes = first;
}
