// Shared pieces of the fuzz harnesses: the failure report, and a reader that
// turns the fuzzer's bytes into choices without ever running dry.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Prints what broke and aborts, so libFuzzer keeps the input as a crash and
// the corpus replay test fails loudly.
// Name of the input being replayed, printed with a failure (may be null).
extern const char* FuzzInputName;

[[noreturn]] void FuzzFail(const char* file, int line, const char* condition,
                           const std::string& detail);

#define FUZZ_CHECK(cond, detail)                                      \
    do {                                                              \
        if (!(cond)) FuzzFail(__FILE__, __LINE__, #cond, (detail));   \
    } while (0)

class FuzzBytes {
public:
    FuzzBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    size_t Left() const { return size_ - pos_; }
    // 0 once the input is used up: every choice has a defined outcome.
    uint8_t Take() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t Take16() {
        uint16_t lo = Take();
        return static_cast<uint16_t>(lo | (Take() << 8));
    }
    // Up to n bytes, fewer at the end of the input.
    std::string TakeString(size_t n) {
        if (n > Left()) n = Left();
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::string Rest() { return TakeString(Left()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};
