// Helpers for the text file tests: opening files by name, an in-memory
// output sink, and a fixture with no pending I/O result.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Files.h"
#include "EndState.h"
#include "ShortString.h"
#include "PlatformFile.h"
#include "TextIO.h"

// Binds f to path and opens it for reading, with InOutRes left to the caller.
inline void OpenForReading(TextRec& f, const std::string& path) {
    Assign(f, ShortString(path));
    Reset(f);
}

inline void OpenForWriting(TextRec& f, const std::string& path) {
    Assign(f, ShortString(path));
    Rewrite(f);
}

// An output record whose transfers land in Sink::Bytes (or are only counted).
struct Sink {
    static inline std::string Bytes;
    static inline long long Count = 0;
    static inline long long Transfers = 0;
    static inline bool Store = true;
    static inline bool OnlyBlanks = true;

    static void Transfer(TextRec& f) {
        Transfers++;
        Count += f.BufferPos;
        static const std::string blanks(TextBufferSize, ' ');
        if (f.BufferPos > TextBufferSize || std::memcmp(f.BufferPtr, blanks.data(), static_cast<size_t>(f.BufferPos)) != 0)
            OnlyBlanks = false;
        if (Store) Bytes.append(reinterpret_cast<const char*>(f.BufferPtr), static_cast<size_t>(f.BufferPos));
        f.BufferPos = 0;
    }
    static void Reset(TextRec& f, bool store = true) {
        Bytes.clear();
        Count = 0;
        Transfers = 0;
        Store = store;
        OnlyBlanks = true;
        InitText(f);
        f.Mode = ModeOutput;
        f.TransferProc = Transfer;
    }
    // Everything written so far, the waiting bytes included.
    static std::string All(TextRec& f) {
        Transfer(f);
        return Bytes;
    }
};

// Every test starts and ends with no pending I/O result.
class TextIOTest : public ::testing::Test {
protected:
    void SetUp() override { InOutRes = 0; }
    void TearDown() override { InOutRes = 0; }
};
