// The one place where the program's Windows-1250 bytes meet other encodings:
// the host's (the locale's) for file names and the terminal, and Unicode code
// points for keys that terminals report by code point. Every conversion goes
// through iconv.
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <array>
#include <cerrno>
#include <map>
#include <string>
#include <utility>

#include "Cp1250.h"

namespace {

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

// Code points of the bytes 0x80..0xFF (0: unassigned); the lower half is ASCII.
const std::array<uint32_t, 128>& UpperHalf() {
    static const std::array<uint32_t, 128> table = [] {
        std::array<uint32_t, 128> t{};
        iconv_t cd = iconv_open("UTF-32LE", "CP1250");
        if (cd == NoConverter) return t;
        for (int i = 0; i < 128; i++) {
            char in = static_cast<char>(0x80 + i);
            unsigned char out[4] = {};
            char* ip = &in;
            size_t il = 1;
            char* op = reinterpret_cast<char*>(out);
            size_t ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && ol == 0)
                t[i] = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<uint32_t>(out[3]) << 24);
        }
        iconv_close(cd);
        return t;
    }();
    return table;
}

// Converters are opened once per pair of encodings and kept for the run.
// The table is never destroyed: the end may still convert, and at exit the
// converters stay reachable instead of counting as leaked.
iconv_t Converter(const std::string& to, const std::string& from) {
    static auto& open = *new std::map<std::pair<std::string, std::string>, iconv_t>;
    auto key = std::make_pair(to, from);
    auto it = open.find(key);
    if (it == open.end()) it = open.emplace(key, iconv_open(to.c_str(), from.c_str())).first;
    if (it->second != NoConverter) iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    return it->second;
}

}  // namespace

const char* HostCodeset() {
    const char* cs = nl_langinfo(CODESET);
    if (cs == nullptr || *cs == '\0' || strcasecmp(cs, "ANSI_X3.4-1968") == 0 || strcasecmp(cs, "ASCII") == 0 ||
        strcasecmp(cs, "US-ASCII") == 0 || strcasecmp(cs, "POSIX") == 0)
        return "UTF-8";
    return cs;
}

uint32_t Cp1250ToUnicode(uint8_t b) { return b < 0x80 ? b : UpperHalf()[b - 0x80]; }

bool UnicodeToCp1250(uint32_t cp, uint8_t& b) {
    if (cp < 0x80) {
        b = static_cast<uint8_t>(cp);
        return true;
    }
    const auto& t = UpperHalf();
    for (int i = 0; i < 128; i++)
        if (t[i] == cp) {
            b = static_cast<uint8_t>(0x80 + i);
            return true;
        }
    return false;
}

std::string Cp1250ToEncoding(const std::string& codeset, const char* s, size_t n, bool& lossless) {
    lossless = true;
    std::string out;
    iconv_t cd = Converter(codeset, "CP1250");
    if (cd == NoConverter) {
        // Without a converter only ASCII passes.
        for (size_t i = 0; i < n; i++) {
            if (static_cast<unsigned char>(s[i]) < 0x80) out += s[i];
            else lossless = false;
        }
        return out;
    }
    out.resize(n * 4 + 8);   // no encoding takes more than 4 bytes a character
    char* ip = const_cast<char*>(s);
    size_t il = n;
    char* op = out.data();
    size_t ol = out.size();
    while (il > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        lossless = false;   // not expressible: left out
        ip++;
        il--;
    }
    out.resize(out.size() - ol);
    return out;
}

size_t DecodeCharacter(const std::string& codeset, const uint8_t* p, size_t n, uint32_t& cp) {
    cp = InvalidCodePoint;
    if (n == 0) return 0;
    if (p[0] < 0x80) {
        cp = p[0];
        return 1;
    }
    iconv_t cd = Converter("UTF-32LE", codeset);
    if (cd == NoConverter) return 1;
    // Room for exactly one character: iconv stops after the first.
    unsigned char out[4];
    char* ip = reinterpret_cast<char*>(const_cast<uint8_t*>(p));
    size_t il = n;
    char* op = reinterpret_cast<char*>(out);
    size_t ol = sizeof out;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    if (ol == 0) {
        cp = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<uint32_t>(out[3]) << 24);
        return n - il;
    }
    if (r == static_cast<size_t>(-1) && errno == EINVAL) return 0;   // incomplete: wait for the rest
    return 1;   // not a character of the encoding: one byte dropped
}
