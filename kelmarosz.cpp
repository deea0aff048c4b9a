// Largest empty rectangle: reads a matrix of at most 9 x 9 integers from a
// data file, shows it in three forms and its prefix sums, and reports the
// largest rectangle of zeros with its corners and area.
#include "kelmarosz.h"

#include "AltRutinok.h"
#include "Crt.h"
#include "Modules.h"
#include "TextIO.h"
#include "TextRutinok.h"

#ifndef KELMAROSZ_NO_MAIN
#include "CommandLine.h"
#include "RuntimeSystem.h"
#endif

ShortString FN;
int16_t N, M;
TMATRIX MAT;
TRESZMATRIX MAXRM;
int16_t MAXERT;
int16_t MAXMERET;

// The routines below stay ROUTINEs, so that the run-time error report names
// each of them; the helpers here are always inlined, so a failed check inside
// them is blamed on the routine using them.
#define ITEM static inline __attribute__((always_inline))

namespace {

const ShortString FN0{"4x8_1,5x3,8_ures"};   // default base name
const ShortString FNEXT{".dat"};

}  // namespace

// One item of a write statement to the screen, each checked at once.
ITEM void WrStr(int32_t width, const ShortString& s) {
    TextWriteStr(width, Output, s);
    IOCheck();
}
ITEM void WrInt(int32_t width, int32_t v) {
    TextWriteInt(width, Output, v);
    IOCheck();
}
ITEM void WrChar(int32_t width, char c) {
    TextWriteChar(width, Output, c);
    IOCheck();
}
// Statement ends: Write flushes to the window, Writeln adds CR LF first.
ITEM void WrEnd() {
    TextWriteEnd(Output);
    IOCheck();
}
ITEM void WrLn() {
    TextWritelnEnd(Output);
    IOCheck();
}

// The table both displays share: a line end, the column numbers, then one
// line per row with its number and the cells as `cell` writes them, an empty
// line, and the key wait. Row and column numbers are in high intensity.
template <typename WriteCell>
ITEM void TABLA(const TRESZMATRIX& RM, WriteCell cell) {
    WrLn();
    HighVideo();
    WrStr(4, "");
    WrEnd();
    for (int32_t J = RM.BFJ; J <= RM.JAJ; J++) {
        WrInt(4, J);
        WrEnd();
    }
    WrLn();
    LowVideo();
    for (int32_t I = RM.BFI; I <= RM.JAI; I++) {
        HighVideo();
        WrInt(4, I);
        WrEnd();
        LowVideo();
        for (int32_t J = RM.BFJ; J <= RM.JAJ; J++) {
            cell(I, J);
            WrEnd();
        }
        WrLn();
    }
    WrLn();
    BILLREVAR();
}

ROUTINE void KIIRMATRIX(const TRESZMATRIX& RM, const TMATRIX& MAT) {
    TABLA(RM, [&MAT](int32_t I, int32_t J) __attribute__((always_inline)) { WrInt(4, MAT.At(I, J)); });
}

// Each cell as a mark: four spaces when empty, three and a "*" when not.
ROUTINE void KIIRMATRIXBINARIS(const TRESZMATRIX& RM, const TMATRIX& MAT) {
    TABLA(RM, [&MAT](int32_t I, int32_t J) __attribute__((always_inline)) {
        WrChar(4, MAT.At(I, J) == 0 ? ' ' : '*');
    });
}

ROUTINE void BEOLVAS(ShortString& FN) {
    // Stays open to the end of the run; nothing is ever closed.
    static TextRec F;

    UJLAP(CIM + " -- beolvas\xE1s", 1);
    do {
        WrStr(0, "F\xE1jln\xE9v (*.dat, opcion\xE1lis: ");
        WrStr(0, FN0);
        WrStr(0, "):");
        WrEnd();
        TextReadStr(Input, FN, ShortString::MaxLen);
        IOCheck();
        TextReadlnEnd(Input);
        IOCheck();
        if (FN.Length() == 0) FN = FN0;
    } while (!OLVASASRANYIT(F, FN + FNEXT));

    bool VANMO = false;
    int32_t v;
    TextReadInt(F, v);
    IOCheck();
    N = RangeCheck16(v);
    TextReadInt(F, v);
    IOCheck();
    M = RangeCheck16(v);
    TextReadlnEnd(F);
    IOCheck();

    for (int32_t I = 1; I <= N; I++) {
        for (int32_t J = 1; J <= M; J++) {
            // The number comes first, then the cell's indexes, then its range:
            // a 10th row fails only after its first number has been read.
            TextReadInt(F, v);
            IOCheck();
            int16_t& cell = MAT.At(I, J);
            cell = RangeCheck16(v);
            TextReadEnd(F);
            IOCheck();
            if (cell == 0) VANMO = true;
        }
        TextReadlnEnd(F);
        IOCheck();
    }

    WrStr(0, "A beolvas\xE1s siker\xFClt.");
    WrLn();

    MAXRM = TRESZMATRIX{1, 1, N, M};
    KIIRMATRIX(MAXRM, MAT);

    WrStr(0, "\xDCres-nem \xFCres:");
    WrLn();
    KIIRMATRIXBINARIS(MAXRM, MAT);

    if (!VANMO) {
        WrStr(0, CRLF);
        WrStr(0, CRLF);
        WrStr(0, "Nincs \xFCres elem, Nincs megold\xE1s.");
        WrLn();
        BILLREVAR();
        Halt(1);
    }

    // An occupied cell becomes -N*M: a rectangle then sums to 0 exactly when
    // it is all empty, and to at most -N*M otherwise, which the search uses.
    for (int32_t I = 1; I <= N; I++)
        for (int32_t J = 1; J <= M; J++)
            if (MAT.At(I, J) != 0) MAT.At(I, J) = RangeCheck16(-(int32_t{N} * M));

    WrStr(0, "Alapkonverzi\xF3 ut\xE1n:");
    WrLn();
    KIIRMATRIX(MAXRM, MAT);
}

ROUTINE void FELDOLGOZ() {
    TMATRIX KUMMAT{};

    for (int32_t I = 0; I <= N; I++) KUMMAT.At(I, 0) = 0;
    for (int32_t J = 1; J <= M; J++) KUMMAT.At(0, J) = 0;
    for (int32_t I = 1; I <= N; I++)
        for (int32_t J = 1; J <= M; J++) {
            int32_t s = int32_t{KUMMAT.At(I - 1, J)} - KUMMAT.At(I - 1, J - 1) +
                        KUMMAT.At(I, J - 1) + MAT.At(I, J);
            KUMMAT.At(I, J) = RangeCheck16(s);
        }

    WrStr(0, "R\xE9sz-\xF6sszegek m\xE1trixa:");
    WrLn();
    KIIRMATRIX(MAXRM, KUMMAT);

    MAXERT = KUMMAT.At(1, 1);
    MAXMERET = 1;
    MAXRM = TRESZMATRIX{1, 1, 1, 1};
    // Strict comparisons: among equal sums and areas the first rectangle in
    // this loop order stays (smallest top row, left column, bottom row, right
    // column).
    for (int32_t I = 1; I <= N; I++)
        for (int32_t J = 1; J <= M; J++)
            for (int32_t K = I; K <= N; K++)
                for (int32_t L = J; L <= M; L++) {
                    int32_t S = int32_t{KUMMAT.At(K, L)} - KUMMAT.At(K, J - 1) -
                                KUMMAT.At(I - 1, L) + KUMMAT.At(I - 1, J - 1);
                    int32_t A = (K - I + 1) * (L - J + 1);
                    if (S > MAXERT || (S == MAXERT && A > MAXMERET)) {
                        MAXERT = RangeCheck16(S);
                        MAXRM = TRESZMATRIX{static_cast<int16_t>(I), static_cast<int16_t>(J),
                                            static_cast<int16_t>(K), static_cast<int16_t>(L)};
                        MAXMERET = RangeCheck16(A);
                    }
                }
}

ROUTINE void KIIR(const ShortString& FN) {
    UJLAP(CIM + " -- eredm\xE9ny:" + FN, 2);

    WrStr(0, "A keresett r\xE9szm\xE1trix: (");
    WrInt(0, MAXRM.BFI);
    WrChar(0, ',');
    WrInt(0, MAXRM.BFJ);
    WrStr(0, ")..(");
    WrInt(0, MAXRM.JAI);
    WrChar(0, ',');
    WrInt(0, MAXRM.JAJ);
    WrChar(0, ')');
    WrLn();

    WrStr(0, "A r\xE9szm\xE1trix ter\xFClete:");
    WrInt(0, (int32_t{MAXRM.JAI} - MAXRM.BFI + 1) * (int32_t{MAXRM.JAJ} - MAXRM.BFJ + 1));
    WrLn();

    KIIRMATRIXBINARIS(MAXRM, MAT);
}

#ifndef KELMAROSZ_NO_MAIN
int main(int argc, char** argv) {
    const char* name = ReadCommandLine(argc, argv);   // ends here on --help, --version or an error
    // Base services first, then the line table, the console last (it binds
    // Output and Input to the window).
    const ModuleInfo modules[] = {SystemModule, LineInfoModule, CrtModule};
    InitModules(modules, 3);
    if (name != nullptr) TypeDataFileName(name);
    BEOLVAS(FN);
    FELDOLGOZ();
    KIIR(FN);
    Do_Exit();
}
#endif
