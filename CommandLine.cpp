// The GNU-style --help and --version. The program itself takes nothing from
// the command line, so these answer and end before the terminal is set up,
// and any other argument is ignored as it always was.
#include "CommandLine.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Where the sample data is: installed under the program's own prefix, or
// the data/ folder of the source tree when run from build/ there; otherwise
// where an install would put it.
std::string SampleDataDir() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = '\0';
        std::string dir(exe);
        dir.erase(dir.rfind('/') + 1);
        for (const char* rel : {KELMAROSZ_DATA_FROM_BIN, "../data"}) {
            char real[PATH_MAX];
            if (realpath((dir + rel).c_str(), real) != nullptr) return real;
        }
    }
    return KELMAROSZ_DATA_INSTALL_DIR;
}

std::string HelpText() {
    return std::string(
               "Usage: kelmarosz [OPTION]\n"
               "Find the largest empty rectangle (a block of cells that all hold 0) in a\n"
               "matrix of at most 9 x 9 integers read from a data file, and show the matrix,\n"
               "its prefix sums and the result on Hungarian text pages in the terminal.\n"
               "\n"
               "The program asks for the data file's name without \".dat\" and reads that\n"
               "file from the current folder; Enter alone opens 4x8_1,5x3,8_ures.dat.\n"
               "A name that cannot be opened brings the prompt back, without a message.\n"
               "The file holds the row count, the column count, then one line of integers\n"
               "per row; 0 marks an empty cell. Sample data:\n  ") +
           SampleDataDir() +
           "\n(cd there and press Enter at the prompt).\n"
           "\n"
           "Keys: after each table any key goes on; at the prompt Backspace, Esc,\n"
           "Home, End, Left and Right edit the line; Ctrl-C ends the run. When standard\n"
           "input is not a terminal its bytes are the keys (CR or LF is Enter).\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "  -V, --version  show the version and exit\n"
           "Any other argument is ignored.\n"
           "\n"
           "Exit status:\n"
           "  0      the result was shown and a key pressed\n"
           "  1      the matrix has no empty cell\n"
           "  130    ended by Ctrl-C, or standard input ended\n"
           "  other  a run-time error, reported on standard error, such as 201 (a\n"
           "         number outside -32768..32767, or a 10th row or column) or 106\n"
           "         (a number that is not an integer)\n"
           "\n"
           "See kelmarosz(1) for the data file's format and more.\n";
}

[[noreturn]] void Answer(const std::string& text) {
    // A text that cannot be written (standard output closed, a full disk) is
    // a failure, as GNU programs report it.
    if (fputs(text.c_str(), stdout) == EOF || fflush(stdout) != 0) {
        int err = errno;
        fprintf(stderr, "kelmarosz: write error: %s\n", strerror(err));
        _exit(1);
    }
    _exit(0);
}

}  // namespace

void AnswerCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--") break;
        if (arg == "-h" || arg == "--help") Answer(HelpText());
        if (arg == "-V" || arg == "--version") Answer("kelmarosz " KELMAROSZ_VERSION "\n");
    }
}
