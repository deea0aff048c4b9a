// Reading the terminfo entry: the capability set the screen works from and
// the key strings the key decoder matches.
#include "Terminfo.h"

#include <unistd.h>

#include <string>

// term.h defines many short macros; keep it after everything else.
#include <curses.h>
#include <term.h>

namespace {

// A string capability, or empty when the entry lacks it: tigetstr gives
// NULL for an absent one and (char*)-1 for a name that is not a string.
std::string Str(const char* name) {
    const char* s = tigetstr(const_cast<char*>(name));
    if (s == nullptr || s == reinterpret_cast<const char*>(-1)) return std::string();
    return s;
}

bool Flag(const char* name) { return tigetflag(const_cast<char*>(name)) > 0; }

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
    c.ed = Str("ed");
    c.clear = Str("clear");
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

// A test hook (TtyTestHooks.h).
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

std::vector<KeySequence> KeySequencesFromTerminfo() { return KeySequencesFromCapabilities(Str); }
