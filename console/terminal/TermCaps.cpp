#include "TermCaps.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

namespace {

std::string Str(const char* name) {
    const char* s = tigetstr(const_cast<char*>(name));
    if (s == nullptr || s == reinterpret_cast<const char*>(-1)) return std::string();
    return s;
}

bool Flag(const char* name) { return tigetflag(const_cast<char*>(name)) > 0; }

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

TermCaps TermCapsFromCurrentTerminal() {
    TermCaps c;
    c.cup = Str("cup");
    c.hpa = Str("hpa");
    c.vpa = Str("vpa");
    c.cuf = Str("cuf");
    c.cuf1 = Str("cuf1");
    c.cub = Str("cub");
    c.cub1 = Str("cub1");
    c.cud = Str("cud");
    c.cud1 = Str("cud1");
    c.cuu = Str("cuu");
    c.cuu1 = Str("cuu1");
    c.cr = Str("cr");
    c.csr = Str("csr");
    c.ind = Str("ind");
    c.ri = Str("ri");
    c.sgr0 = Str("sgr0");
    c.bold = Str("bold");
    c.blink = Str("blink");
    c.setaf = Str("setaf");
    c.setab = Str("setab");
    c.el = Str("el");
    c.cnorm = Str("cnorm");
    c.smkx = Str("smkx");
    c.rmkx = Str("rmkx");
    c.u7 = Str("u7");
    int colors = tigetnum(const_cast<char*>("colors"));
    c.colors = colors > 0 ? colors : 0;
    c.bce = Flag("bce");
    c.am = Flag("am");
    c.xenl = Flag("xenl");
    return c;
}

bool TermCapsForName(const char* term, TermCaps& caps) {
    TERMINAL* saved = cur_term;
    int err = 0;
    if (setupterm(term, STDOUT_FILENO, &err) != OK) {
        set_curterm(saved);
        return false;
    }
    caps = TermCapsFromCurrentTerminal();
    TERMINAL* loaded = set_curterm(saved);
    if (loaded != saved) del_curterm(loaded);
    return true;
}

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
