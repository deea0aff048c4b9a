// The line table is the program's DWARF debug information, read with GCC's
// libbacktrace. Its state cannot be freed, so "opening" the table creates the
// state once and later only marks the table open again; "closing" marks it
// closed. The library takes its memory with mmap, not malloc, so a lookup is
// safe on the hardware-fault path as well.
//
// The table is read from the debug file that the executable's debug link
// names, where one with the right CRC-32 is found (FindLineTableFile), and
// otherwise from the executable's own sections; without either, every lookup
// finds nothing and the back-trace lines hold addresses only. An executable
// stripped of its line table but not of its symbol table still names the
// routines, without lines.
//
// The library would follow the debug link and the build ID on its own, into
// folders where anything may lie under those names (a FIFO that hangs the
// open, a truncated file that faults when read). The link wraps its one
// opening function: it gets the file chosen here, opened under the same
// rules, and nothing else.
#include "LineInfo.h"

#include <backtrace.h>

#include <cstring>

#include "DebugFile.h"
#include "OwnCode.h"
#include "RoutineNames.h"

namespace {

backtrace_state* gState = nullptr;
bool gOpen = false;
bool gNoTable = false;   // the library found no debug information
// The file the table is read from; the library keeps the name for the
// whole process.
char gFile[4096] = "";

// Called by the library for a missing table or an unreadable file. It only
// notes the fact: nothing here may allocate or write.
void NoteError(void*, const char*, int errnum) {
    if (errnum == -1) gNoTable = true;
}

bool OpenLineTable() {
    if (gOpen) return true;
    if (!gState) {
        if (!gFile[0]) FindLineTableFile(OwnExecutablePath(), gFile, sizeof gFile);
        if (!gFile[0]) return false;
        gState = backtrace_create_state(gFile, 0, NoteError, nullptr);
        if (!gState) return false;
    }
    gOpen = true;
    return true;
}

// The frames of an address come innermost first; the last is the routine
// that really holds the code, with the line of the inlined call inside it.
struct Outermost {
    bool found = false;
    const char* function = nullptr;
    ShortString routine;
    ShortString source;
    int32_t line = 0;
};

int TakeFrame(void* data, uintptr_t, const char* filename, int lineno, const char* function) {
    auto* o = static_cast<Outermost*>(data);
    o->found = true;
    o->function = function;
    o->routine = RoutineDisplayName(function);
    o->source = SourceDisplayName(filename);
    o->line = lineno;
    return 0;
}

struct SymbolStart {
    bool found = false;
    uintptr_t start = 0;
};

void TakeSymbol(void* data, uintptr_t, const char* symname, uintptr_t symval, uintptr_t) {
    auto* s = static_cast<SymbolStart*>(data);
    if (symname) {
        s->found = true;
        s->start = symval;
    }
}

// The first instruction of a routine: from the symbol table where there is
// one; a stripped executable keeps only the debug file, so there the byte
// before must belong to another routine (or to none).
bool AtRoutineStart(uintptr_t a, const char* function) {
    SymbolStart sym;
    backtrace_syminfo(gState, a, TakeSymbol, NoteError, &sym);
    if (sym.found) return sym.start == a;
    Outermost before;
    backtrace_pcinfo(gState, a - 1, TakeFrame, NoteError, &before);
    return !before.function || std::strcmp(before.function, function) != 0;
}

}  // namespace

extern "C" int __wrap_backtrace_open(const char* filename, backtrace_error_callback, void*, int* doesNotExist) {
    int fd = gFile[0] && std::strcmp(filename, gFile) == 0 ? OpenLineTableFile(filename) : -1;
    if (fd < 0 && doesNotExist) *doesNotExist = 1;
    return fd;
}

void CloseLineTable() { gOpen = false; }

// A test hook (RuntimeSystemTestHooks.h).
bool LineTableOpen() { return gOpen; }

bool GetLineInfo(void* addr, ShortString& routine, ShortString& source, int32_t& line) {
    routine = ShortString();
    source = ShortString();
    line = 0;
    if (!OpenLineTable()) return false;
    auto a = reinterpret_cast<uintptr_t>(addr);
    // Other objects' code (the C library, the loader) is not the program's,
    // even where the system has debug information for it.
    if (!IsOwnCode(a)) return !gNoTable;

    Outermost o;
    backtrace_pcinfo(gState, a, TakeFrame, NoteError, &o);
    if (o.found) {
        routine = o.routine;
        source = o.source;
        line = o.line;
        if (o.function && AtRoutineStart(a, o.function)) line = 0;
    }
    return !gNoTable;
}
