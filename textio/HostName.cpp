// File names in the host's encoding.
#include "HostName.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Cp1250.h"

size_t Cp1250ToHostName(const char* in, size_t n, char* out, size_t outSize) {
    if (outSize == 0) return 0;
    bool lossless = true;
    std::string name = Cp1250ToEncoding(HostCodeset(), in, n, lossless);
    // Not expressible: a NUL makes the name invalid (a substitute such as '?'
    // could name some other, existing file).
    if (!lossless) name += '\0';
    size_t k = std::min(name.size(), outSize - 1);   // cut where the room ends
    std::memcpy(out, name.data(), k);
    out[k] = '\0';
    return k;
}
