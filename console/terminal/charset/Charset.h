// The terminal's side of the character set: how each of the program's
// Windows-1250 bytes is written to the terminal, and which Windows-1250
// character a typed character is, in the terminal's encoding.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class Charset {
public:
    // The encoding of the host's locale (LC_CTYPE; UTF-8 in the plain C locale).
    Charset();
    // A named encoding, as iconv names it.
    explicit Charset(std::string codeset);

    bool IsUtf8() const { return utf8_; }

    // How one Windows-1250 byte is written to the terminal; "?" for a byte
    // the encoding cannot show (callers decide about control bytes themselves).
    const std::string& Out(uint8_t ch) const { return out_[ch]; }

    // Decodes one character typed in the terminal's encoding from p[0..n).
    // Returns the bytes it takes (0: incomplete, wait for more). ok is false
    // when the character has no Windows-1250 form (it is then dropped).
    size_t In(const uint8_t* p, size_t n, uint8_t& ch, bool& ok) const;

private:
    std::string codeset_;
    bool utf8_ = false;
    std::string out_[256];
};
