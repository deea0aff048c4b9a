#include "textio/HostName.h"

#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <cerrno>
#include <cstring>

namespace {

// The C locale reports plain ASCII; names are then taken as UTF-8, as the
// terminal layer does, so that non-ASCII names still reach the disk.
const char* HostCodeset() {
    const char* cs = nl_langinfo(CODESET);
    if (cs == nullptr || *cs == '\0' || strcasecmp(cs, "ANSI_X3.4-1968") == 0 ||
        strcasecmp(cs, "ASCII") == 0 || strcasecmp(cs, "US-ASCII") == 0)
        return "UTF-8";
    return cs;
}

// Without a usable converter only ASCII passes; everything else is invalid.
size_t AsciiOnly(const char* in, size_t n, char* out, size_t outSize) {
    size_t k = 0;
    for (size_t i = 0; i < n && k + 1 < outSize; i++)
        out[k++] = (static_cast<unsigned char>(in[i]) < 0x80) ? in[i] : '\0';
    out[k] = '\0';
    return k;
}

}  // namespace

size_t Cp1250ToHostName(const char* in, size_t n, char* out, size_t outSize) {
    if (outSize == 0) return 0;
    bool ascii = true;
    for (size_t i = 0; i < n; i++)
        if (static_cast<unsigned char>(in[i]) >= 0x80) ascii = false;
    if (ascii) return AsciiOnly(in, n, out, outSize);

    // Opened per call: a name is converted only when a file is bound, and the
    // locale may have been set in between.
    iconv_t cd = iconv_open(HostCodeset(), "CP1250");
    if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(in, n, out, outSize);

    char* ip = const_cast<char*>(in);
    size_t il = n;
    char* op = out;
    size_t ol = outSize - 1;   // keep room for the terminator
    while (il > 0 && ol > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) break;
        if (errno == EILSEQ || errno == EINVAL) {
            // Not expressible: mark the name invalid and go on with the rest.
            *op++ = '\0';
            ol--;
            ip++;
            il--;
        } else {
            break;   // E2BIG: the name is cut where the room ends
        }
    }
    iconv_close(cd);
    size_t k = static_cast<size_t>(op - out);
    out[k] = '\0';
    return k;
}
