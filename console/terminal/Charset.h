// Conversion between the program's Windows-1250 bytes and the terminal's
// encoding (the locale's codeset; UTF-8 in the plain C/POSIX locale).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class Charset {
public:
    // codeset as nl_langinfo(CODESET) gives it; "ANSI_X3.4-1968" (C locale) means UTF-8.
    explicit Charset(const std::string& codeset);
    // The locale's own codeset after setlocale(LC_ALL, "").
    static Charset FromLocale();

    const std::string& Codeset() const { return codeset_; }
    bool IsUtf8() const { return utf8_; }

    // How one Windows-1250 byte is written to the terminal. Bytes without a
    // printable form (control bytes, unassigned) give a single '?'... except
    // that callers decide about control bytes themselves.
    const std::string& Out(uint8_t ch) const { return out_[ch]; }

    // Decodes one character typed in the terminal's encoding from p[0..n).
    // Returns the bytes it takes (0: incomplete, wait for more). ok is false
    // when the character has no Windows-1250 form (it is then dropped).
    size_t In(const uint8_t* p, size_t n, uint8_t& ch, bool& ok) const;

    // A whole text, for file names: Windows-1250 to the locale's encoding.
    // Characters without a form in the target are kept as '?'.
    std::string ToLocale(const char* s, size_t n) const;

private:
    std::string codeset_;
    bool utf8_ = false;
    bool singleByte_ = false;
    std::string out_[256];
    uint8_t fromSingle_[256] = {};   // locale byte -> 1250 for single-byte codesets
    bool fromSingleOk_[256] = {};
};
