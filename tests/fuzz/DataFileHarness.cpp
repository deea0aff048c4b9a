// The program's own reading of a data file, then its search and result page,
// on an in-memory console with a key supply that never runs out: the name of
// a scratch file holding the input is typed at the prompt, every later key
// wait gets Enter. The end sequence jumps back here instead of ending the
// process, and the outcome (exit code 0 or 1, or the run-time error) must be
// the one a model of the data file rules predicts; on a normal end the matrix
// and the rectangle found are checked as well.
#include <setjmp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Crt.h"
#include "MemoryConsole.h"
#include "kelmarosz.h"
#include "EndState.h"
#include "Errors.h"
#include "Files.h"
#include "LargestEmptyRectangle.h"
#include "Modules.h"
#include "RuntimeTestHooks.h"
#include "ShortString.h"
#include "FuzzSupport.h"
#include "Harnesses.h"
#include "ReferenceNumber.h"
#include "TextIO.h"

namespace {

// What a run with a given file must end in.
struct Outcome {
    int ExitCode = 0;
    bool RunError = false;
    int N = 0, M = 0;
    int16_t Cell[10][10] = {};
    bool CountsKnown = false;
};

void RefSkipLine(const std::string& s, size_t& p) {
    if (RefAtEnd(s, p, true)) return;
    for (;;) {
        char b = s[p++];
        if (b == '\n') return;
        if (RefAtEnd(s, p, true)) return;
        if (b == '\r') {
            if (s[p] == '\n') p++;
            return;
        }
    }
}

Outcome Predict(const std::string& s) {
    Outcome o;
    auto fail = [&](int code) {
        o.ExitCode = code;
        o.RunError = true;
        return o;
    };
    auto fits16 = [](int32_t v) { return v >= -32768 && v <= 32767; };
    size_t p = 0;
    int32_t counts[2];
    for (int32_t& c : counts) {
        RefRead r = RefReadInt(s, p, true);
        if (r.Error) return fail(106);
        if (!fits16(r.Value)) return fail(201);
        c = r.Value;
    }
    o.N = counts[0];
    o.M = counts[1];
    o.CountsKnown = true;
    RefSkipLine(s, p);
    bool anyEmpty = false;
    for (int i = 1; i <= o.N; i++) {
        for (int j = 1; j <= o.M; j++) {
            RefRead r = RefReadInt(s, p, true);
            if (r.Error) return fail(106);
            if (i > 9 || j > 9 || !fits16(r.Value)) return fail(201);
            o.Cell[i][j] = static_cast<int16_t>(r.Value);
            if (r.Value == 0) anyEmpty = true;
        }
        RefSkipLine(s, p);
    }
    o.ExitCode = anyEmpty ? 0 : 1;
    return o;
}

sigjmp_buf gBackToHarness;
int32_t gExitCode = -1;

void InterceptExit(int32_t code) {
    gExitCode = code;
    siglongjmp(gBackToHarness, 1);
}

void ResetProgramState() {
    InOutRes = 0;
    ExitCode = 0;
    ErrorCode = 0;
    ErrorAddr = nullptr;
    ErrorBase = nullptr;
    FN = ShortString();
    N = M = 0;
    MAT = TMATRIX{};
    MAXRM = TRESZMATRIX{};
    MAXERT = MAXMERET = 0;
    ResetConsoleState(80, 25);
    WriteReportProc = nullptr;   // outcomes are checked here, not printed
    FlushStdIOProc = nullptr;
}

// The program never closes its data file, so each run would leak a
// descriptor; close the ones left pointing at the scratch file.
void CloseLeftOpen(const std::string& path, int from) {
    for (int fd = from; fd < from + 32; fd++) {
        char link[64], target[4096];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        ssize_t n = readlink(link, target, sizeof target - 1);
        if (n <= 0) continue;
        target[n] = 0;
        if (path == target) close(fd);
    }
}

int LowestFreeDescriptor() {
    int fd = dup(0);
    if (fd >= 0) close(fd);
    return fd < 0 ? 3 : fd;
}

std::string Describe(const Outcome& o) {
    return o.RunError ? "run-time error " + std::to_string(o.ExitCode) : "exit code " + std::to_string(o.ExitCode);
}

// Kept out of line so that no local of the caller lives across the jump.
__attribute__((noinline)) int32_t RunProgram() {
    gExitCode = -1;
    ExitInterceptProc = InterceptExit;
    if (sigsetjmp(gBackToHarness, 0) == 0) {
        CrtModule.Init();
        BEOLVAS(FN);
        FELDOLGOZ();
        KIIR(FN);
        Do_Exit();
    }
    ExitInterceptProc = nullptr;
    return gExitCode;
}

}  // namespace

int FuzzDataFile(const uint8_t* data, size_t size) {
    const std::string contents(reinterpret_cast<const char*>(data), size);
    static const TempDir scratch;
    const std::string base = scratch.File("d");
    const std::string path = base + ".dat";
    FUZZ_CHECK(WriteWholeFile(path, contents), "cannot write " + path);
    const Outcome want = Predict(contents);
    // Thousands of rows without columns only list row numbers, scrolling the
    // screen twice per row: seconds per run under the sanitizers for a path
    // that a dozen rows cover as well (the end is exit code 1 either way).
    if (want.CountsKnown && want.N > 2000 && want.M <= 0) return 0;

    ResetProgramState();
    MemoryConsole con(80, 25);
    SetPlatform(&con);
    bool nameTyped = false;
    int waits = 0;
    con.SetOnEmptyWait([&] {
        FUZZ_CHECK(++waits <= 64, "the run keeps waiting for keys");
        if (!nameTyped) {
            for (unsigned char c : base) con.PushKey(KeyDown(c, 30));
            nameTyped = true;
        }
        con.PushKey(KeyDown(13, 28));
    });

    const int firstFd = LowestFreeDescriptor();
    const int32_t exitCode = RunProgram();
    CloseLeftOpen(path, firstFd);
    SetPlatform(nullptr);

    Outcome got;
    got.ExitCode = exitCode;
    got.RunError = ErrorAddr != nullptr;
    const std::string what = "ended in " + Describe(got) + ", expected " + Describe(want);
    if (std::getenv("KELMAROSZ_FUZZ_VERBOSE")) std::fprintf(stderr, "data file: %s\n", what.c_str());
    FUZZ_CHECK(got.RunError == want.RunError && got.ExitCode == want.ExitCode, what);
    if (got.RunError) FUZZ_CHECK(ErrorCode == got.ExitCode, what + " (ErrorCode differs)");
    FUZZ_CHECK(FN.Str() == base, "the typed name was not kept");
    if (want.CountsKnown) FUZZ_CHECK(N == want.N && M == want.M, "counts differ");

    if (!want.RunError && want.ExitCode == 0) {
        const int16_t occupied = static_cast<int16_t>(-want.N * want.M);
        for (int i = 1; i <= want.N; i++)
            for (int j = 1; j <= want.M; j++)
                FUZZ_CHECK(MAT.Cell[i][j] == (want.Cell[i][j] == 0 ? 0 : occupied),
                           "converted cell " + std::to_string(i) + "," + std::to_string(j));
        const Rectangle best =
            LargestEmptyRectangle(want.N, want.M, [&](int i, int j) { return want.Cell[i][j] == 0; });
        FUZZ_CHECK((Rectangle{MAXRM.BFI, MAXRM.BFJ, MAXRM.JAI, MAXRM.JAJ, MAXMERET}) == best,
                   "rectangle (" + std::to_string(MAXRM.BFI) + "," + std::to_string(MAXRM.BFJ) + ")..(" +
                       std::to_string(MAXRM.JAI) + "," + std::to_string(MAXRM.JAJ) +
                       ") is not the largest empty one, or its area is wrong");
        FUZZ_CHECK(MAXERT == 0, "sum of the best rectangle");
    }
    ErrorAddr = nullptr;
    ErrorCode = 0;
    ExitCode = 0;
    InOutRes = 0;
    return 0;
}
