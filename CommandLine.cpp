// The command line, GNU style: --help and --version, "--" ending the
// options, and one operand, the data file's name. Everything but the name is
// settled before the terminal is set up.
#include "CommandLine.h"

#include <getopt.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Crt.h"
#include "Cp1250.h"

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
               "Usage: kelmarosz [OPTION]... [NAME]\n"
               "Find the largest empty rectangle (a block of cells that all hold 0) in a\n"
               "matrix of at most 9 x 9 integers read from a data file, and show the matrix,\n"
               "its prefix sums and the result on Hungarian text pages in the terminal.\n"
               "\n"
               "The program asks for the data file's name without \".dat\" and reads that\n"
               "file from the current folder; Enter alone opens 4x8_1,5x3,8_ures.dat.\n"
               "A name that cannot be opened brings the prompt back, without a message.\n"
               "A NAME on the command line is typed at the first prompt as if by hand,\n"
               "then Enter: kelmarosz pelda_2x3 opens pelda_2x3.dat.\n"
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
           "  --             end of the options: a NAME that starts with '-' follows\n"
           "\n"
           "Exit status:\n"
           "  0      the result was shown and a key pressed\n"
           "  1      the matrix has no empty cell\n"
           "  2      a wrong command line (an unknown option, more than one NAME)\n"
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

// A wrong command line, told the GNU way after what getopt or the caller
// said about it.
[[noreturn]] void Refuse() {
    fputs("Try 'kelmarosz --help' for more information.\n", stderr);
    _exit(2);
}

}  // namespace

const char* ReadCommandLine(int argc, char** argv) {
    // getopt names the program by argv[0]; its messages say "kelmarosz"
    // however the program was started. It reorders the copy, not argv.
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    if (argc > 0) args[0] = const_cast<char*>("kelmarosz");
    static const option longOptions[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 1;
    for (;;) {
        int opt = getopt_long(argc, args.data(), "hV", longOptions, nullptr);
        if (opt == -1) break;
        if (opt == 'h') Answer(HelpText());
        if (opt == 'V') Answer("kelmarosz " KELMAROSZ_VERSION "\n");
        Refuse();
    }
    if (optind >= argc) return nullptr;
    if (optind + 1 < argc) {
        fprintf(stderr, "kelmarosz: extra operand '%s'\n", args[optind + 1]);
        Refuse();
    }
    return args[optind];
}

void TypeDataFileName(const char* name) {
    // The name comes in the locale's encoding; the keys are Windows-1250.
    // Characters without a Windows-1250 form are dropped as typed ones are,
    // and so are control characters: typed, they would edit or end the line,
    // and what followed would answer the later key waits.
    std::string keys;
    const std::string codeset = HostCodeset();
    const auto* p = reinterpret_cast<const uint8_t*>(name);
    size_t left = strlen(name);
    while (left > 0) {
        uint32_t cp = InvalidCodePoint;
        size_t used = DecodeCharacter(codeset, p, left, cp);
        if (used == 0) break;   // cut off inside a character
        uint8_t ch;
        if (cp != InvalidCodePoint && cp >= 0x20 && cp != 0x7F && UnicodeToCp1250(cp, ch))
            keys += static_cast<char>(ch);
        p += used;
        left -= used;
    }
    keys += '\r';
    TypeAhead(keys);
}

