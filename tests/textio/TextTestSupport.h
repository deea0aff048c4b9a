// Helpers for the text file tests: a temporary directory, whole-file
// reading and writing, and an in-memory output sink.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Runtime.h"
#include "PlatformFile.h"
#include "TextIO.h"

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/textio-XXXXXX";
        char* p = mkdtemp(tmpl);
        if (p != nullptr) path_ = p;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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
