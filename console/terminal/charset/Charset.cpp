#include "Charset.h"

#include <strings.h>

#include <utility>

#include "Cp1250.h"

Charset::Charset() : Charset(HostCodeset()) {}

Charset::Charset(std::string codeset) : codeset_(std::move(codeset)) {
    utf8_ = strcasecmp(codeset_.c_str(), "UTF-8") == 0 || strcasecmp(codeset_.c_str(), "UTF8") == 0;
    for (int c = 0; c < 256; c++) {
        char b = static_cast<char>(c);
        bool lossless = true;
        std::string s = Cp1250ToEncoding(codeset_, &b, 1, lossless);
        if (!lossless || s.empty()) s = (c < 128) ? std::string(1, b) : std::string("?");
        out_[c] = s;
    }
}

size_t Charset::In(const uint8_t* p, size_t n, uint8_t& ch, bool& ok) const {
    ch = 0;
    ok = false;
    uint32_t cp = InvalidCodePoint;
    size_t used = DecodeCharacter(codeset_, p, n, cp);
    if (used > 0 && cp != InvalidCodePoint) ok = UnicodeToCp1250(cp, ch);
    return used;
}
