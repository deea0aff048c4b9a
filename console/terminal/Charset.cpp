#include "console/terminal/Charset.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

bool SameName(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Converts with iconv; empty result on failure.
std::string Convert(iconv_t cd, const char* in, size_t n) {
    std::string out(n * 4 + 8, '\0');
    char* ip = const_cast<char*>(in);
    size_t il = n;
    char* op = out.data();
    size_t ol = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) return std::string();
    out.resize(out.size() - ol);
    return out;
}

}  // namespace

Charset::Charset(const std::string& codeset) : codeset_(codeset) {
    if (codeset_.empty() || SameName(codeset_, "ANSI_X3.4-1968") || SameName(codeset_, "ASCII") ||
        SameName(codeset_, "US-ASCII") || SameName(codeset_, "POSIX"))
        codeset_ = "UTF-8";
    utf8_ = SameName(codeset_, "UTF-8") || SameName(codeset_, "UTF8");

    iconv_t to = iconv_open(codeset_.c_str(), "CP1250");
    for (int c = 0; c < 256; c++) {
        char b = static_cast<char>(c);
        std::string s;
        if (to != reinterpret_cast<iconv_t>(-1)) s = Convert(to, &b, 1);
        if (s.empty()) s = (c < 128) ? std::string(1, b) : std::string("?");
        out_[c] = s;
    }
    if (to != reinterpret_cast<iconv_t>(-1)) iconv_close(to);

    // A single-byte locale codeset maps byte for byte; build the reverse table.
    singleByte_ = !utf8_;
    if (singleByte_) {
        iconv_t from = iconv_open("CP1250", codeset_.c_str());
        for (int c = 0; c < 256; c++) {
            char b = static_cast<char>(c);
            std::string s;
            if (from != reinterpret_cast<iconv_t>(-1)) s = Convert(from, &b, 1);
            if (s.size() == 1) {
                fromSingle_[c] = static_cast<uint8_t>(s[0]);
                fromSingleOk_[c] = true;
            } else if (c < 128) {
                fromSingle_[c] = static_cast<uint8_t>(c);
                fromSingleOk_[c] = true;
            }
        }
        if (from != reinterpret_cast<iconv_t>(-1)) iconv_close(from);
    }
}

Charset Charset::FromLocale() { return Charset(nl_langinfo(CODESET)); }

size_t Charset::In(const uint8_t* p, size_t n, uint8_t& ch, bool& ok) const {
    ch = 0;
    ok = false;
    if (n == 0) return 0;
    if (!utf8_) {
        ch = fromSingle_[p[0]];
        ok = fromSingleOk_[p[0]];
        return 1;
    }
    uint8_t b = p[0];
    if (b < 0x80) {
        ch = b;
        ok = true;
        return 1;
    }
    size_t len = (b >= 0xF0 && b <= 0xF4) ? 4 : (b >= 0xE0) ? 3 : (b >= 0xC2 && b <= 0xDF) ? 2 : 0;
    if (len == 0 || b > 0xF4) return 1;   // stray byte: dropped
    for (size_t i = 1; i < len; i++) {
        if (i >= n) return 0;              // wait for the rest
        if ((p[i] & 0xC0) != 0x80) return i;   // broken sequence: drop what we saw
    }
    static iconv_t from = iconv_open("CP1250", "UTF-8");
    if (from == reinterpret_cast<iconv_t>(-1)) return len;
    std::string s = Convert(from, reinterpret_cast<const char*>(p), len);
    if (s.size() == 1) {
        ch = static_cast<uint8_t>(s[0]);
        ok = true;
    }
    return len;
}

std::string Charset::ToLocale(const char* s, size_t n) const {
    std::string r;
    for (size_t i = 0; i < n; i++) r += out_[static_cast<uint8_t>(s[i])];
    return r;
}
