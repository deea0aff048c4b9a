#include "RoutineNames.h"

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// <source-name> ::= <length> <identifier>; advances p past it.
bool ReadSourceName(const char*& p, const char*& id, size_t& len) {
    if (!IsDigit(*p)) return false;
    size_t n = 0;
    while (IsDigit(*p)) {
        n = n * 10 + static_cast<size_t>(*p - '0');
        if (n > 4096) return false;
        p++;
    }
    if (std::strlen(p) < n) return false;
    id = p;
    len = n;
    p += n;
    return true;
}

bool IsAnonymousNamespace(const char* id, size_t len) {
    static const char anon[] = "_GLOBAL__N_";
    return len >= sizeof anon - 1 && std::memcmp(id, anon, sizeof anon - 1) == 0;
}

void Append(ShortString& out, const char* s, size_t n) { out = Concat(out, ShortString(s, n)); }

// Reads the (possibly nested) name after "_Z"; false if it uses anything
// beyond plain identifiers.
bool DemangleName(const char* p, ShortString& out) {
    const char* id;
    size_t len;
    if (*p != 'N') {
        if (p[0] == 'L') p++;   // internal linkage
        if (!ReadSourceName(p, id, len)) return false;
        Append(out, id, len);
        return true;
    }
    p++;
    while (*p == 'r' || *p == 'V' || *p == 'K' || *p == 'R' || *p == 'O') p++;   // qualifiers of a method
    if (p[0] == 'S' && p[1] == 't') {
        Append(out, "std", 3);
        p += 2;
    }
    bool any = out.Len > 0;
    while (*p != 'E') {
        if (p[0] == 'L') p++;
        if (!ReadSourceName(p, id, len)) return false;
        if (IsAnonymousNamespace(id, len)) continue;
        if (any) Append(out, "::", 2);
        Append(out, id, len);
        any = true;
    }
    return any;
}

ShortString ReadName(const char* name) {
    if (name[0] == '_' && name[1] == 'Z') {
        ShortString out;
        if (DemangleName(name + 2, out)) return out;
    }
    return ShortString(name);
}

const char* SourceName(const char* name) {
    // Files of the source tree are recorded under "/@/" (see the top CMakeLists).
    if (std::strncmp(name, "/@/", 3) == 0) return name + 3;
    if (name[0] == '/') return std::strrchr(name, '/') + 1;
    while (name[0] == '.' && name[1] == '/') name += 2;
    return name;
}

// The names come from a file that may be anyone's: a control character (an
// escape sequence, a line end) must not reach the terminal with the report.
// The program's own names are printable ASCII; anything else shows as '?'.
ShortString Printable(ShortString s) {
    for (int i = 0; i < s.Len; i++) {
        const auto c = static_cast<unsigned char>(s.Ch[i]);
        if (c < 0x20 || c > 0x7E) s.Ch[i] = '?';
    }
    return s;
}

}  // namespace

ShortString RoutineDisplayName(const char* name) { return name ? Printable(ReadName(name)) : ShortString(); }

ShortString SourceDisplayName(const char* name) {
    return name ? Printable(ShortString(SourceName(name))) : ShortString();
}
