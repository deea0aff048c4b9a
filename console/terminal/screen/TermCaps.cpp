// The capability set without a terminfo entry, and the filling in of a
// capability's parameters.
#include "TermCaps.h"

#include <curses.h>
#include <term.h>

namespace {

std::string StripPadding(const char* s) {
    std::string out;
    for (size_t i = 0; s[i] != '\0'; i++) {
        if (s[i] == '$' && s[i + 1] == '<') {
            size_t j = i + 2;
            while (s[j] != '\0' && s[j] != '>') j++;
            if (s[j] == '>') {
                i = j;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

}  // namespace

TermCaps AnsiFallbackCaps() {
    TermCaps c;
    c.cup = "\x1b[%i%p1%d;%p2%dH";
    c.cuf = "\x1b[%p1%dC";
    c.cuf1 = "\x1b[C";
    c.cub = "\x1b[%p1%dD";
    c.cub1 = "\b";
    c.cuu1 = "\x1b[A";
    c.cr = "\r";
    c.csr = "\x1b[%i%p1%d;%p2%dr";
    c.ind = "\n";
    c.ri = "\x1bM";
    c.sgr0 = "\x1b[m";
    c.bold = "\x1b[1m";
    c.blink = "\x1b[5m";
    c.setaf = "\x1b[3%p1%dm";
    c.setab = "\x1b[4%p1%dm";
    c.el = "\x1b[K";
    c.ed = "\x1b[J";
    c.clear = "\x1b[H\x1b[J";
    c.u7 = "\x1b[6n";
    c.colors = 8;
    // Assume the worst of an unknown terminal: no bce (spaces are painted
    // instead of erased) and a last column that may scroll when written.
    c.am = true;
    c.xenl = false;
    return c;
}

std::string ExpandCap(const std::string& cap, int p1, int p2) {
    if (cap.empty()) return cap;
    const char* s = tiparm(cap.c_str(), p1, p2);
    if (s == nullptr) return std::string();
    return StripPadding(s);
}
