// Largest empty rectangle of a small integer matrix: the program's constants,
// types, shared state and phases.
#pragma once
#include <cstdint>

#include "Errors.h"
#include "ShortString.h"

inline const ShortString CRLF{"\r\n"};
constexpr int MAXN = 9;   // highest row index of a TMATRIX
constexpr int MAXM = 9;   // highest column index of a TMATRIX
inline const ShortString CIM{"Kelmarosz keres\xE9se"};

// A matrix index, 0..9 (run-time error 201 outside); inlined like every
// check, so that the routine that indexed gets the blame.
__attribute__((always_inline)) inline int32_t CheckIndex(int32_t i) { return CheckRange(i, 0, 9); }

// 10 x 10 cells, rows 0..MAXN and columns 0..MAXM; row 0 and column 0 only
// hold the zero border of the prefix sums. Every index is checked (run-time
// error 201 outside 0..9); At is always inlined so that the failing check is
// blamed on the routine that indexed.
struct TMATRIX {
    int16_t Cell[MAXN + 1][MAXM + 1];

    __attribute__((always_inline)) int16_t& At(int32_t I, int32_t J) {
        int32_t i = CheckIndex(I);
        int32_t j = CheckIndex(J);
        return Cell[i][j];
    }
    __attribute__((always_inline)) int16_t At(int32_t I, int32_t J) const {
        int32_t i = CheckIndex(I);
        int32_t j = CheckIndex(J);
        return Cell[i][j];
    }
};

// A rectangle of cells, inclusive and 1-based: top row, left column, bottom
// row, right column.
struct TRESZMATRIX {
    int16_t BFI, BFJ, JAI, JAJ;
};

// Shared state, written by one phase and read by the later ones.
extern ShortString FN;   // base name of the data file, without ".dat"
extern int16_t N, M;     // rows, columns
extern TMATRIX MAT;      // as read; after the conversion 0 or -N*M
extern TRESZMATRIX MAXRM;   // the whole matrix, then the best rectangle
extern int16_t MAXERT;      // sum of the best rectangle
extern int16_t MAXMERET;    // its area

// The phases.
void BEOLVAS(ShortString& FN);
void FELDOLGOZ();
void KIIR(const ShortString& FN);

// Tables of a rectangle of a matrix, each ending with a key wait.
void KIIRMATRIX(const TRESZMATRIX& RM, const TMATRIX& MAT);
void KIIRMATRIXBINARIS(const TRESZMATRIX& RM, const TMATRIX& MAT);
