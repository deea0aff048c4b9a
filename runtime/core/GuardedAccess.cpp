// What the fault handler reads about a fault may itself not be there: the
// faulting address, a corrupted stack, code that is not mapped. Such reads run
// guarded, so that a second fault only ends the read, not the process.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <csetjmp>

#include "Faults.h"

namespace {

sigjmp_buf* gGuard = nullptr;

sigset_t FaultSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : FaultSignals) sigaddset(&set, s);
    return set;
}

struct Copy {
    uintptr_t From;
    uint8_t* To;
    size_t Count;
};

// The source may be anything: the sanitizer must not vet it.
__attribute__((no_sanitize("address", "undefined"))) void CopyBytes(void* arg) {
    auto* c = static_cast<Copy*>(arg);
    auto* from = reinterpret_cast<const volatile uint8_t*>(c->From);
    for (size_t i = 0; i < c->Count; i++) c->To[i] = from[i];
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }
uintptr_t HexValue(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// One line of /proc/self/maps: "start-end perms ...". Reads the part it needs.
struct MapLine {
    uintptr_t Start = 0, End = 0;
    int Field = 0;        // 0 start, 1 end, 2 permissions, 3 the rest
    int PermIndex = 0;
    bool Exec = false;
};

}  // namespace

bool RunGuarded(void (*fn)(void*), void* arg) {
    sigjmp_buf here;
    sigjmp_buf* outer = gGuard;
    // The mask saved here is the handler's, with the fault signals blocked;
    // the jump back restores it.
    if (sigsetjmp(here, 1) != 0) {
        gGuard = outer;
        return false;
    }
    gGuard = &here;
    sigset_t faults = FaultSignalSet(), before;
    pthread_sigmask(SIG_UNBLOCK, &faults, &before);
    fn(arg);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    gGuard = outer;
    return true;
}

void LeaveGuard() {
    if (gGuard) siglongjmp(*gGuard, 1);
}

bool ReadWithoutFaulting(uintptr_t addr, void* out, size_t n) {
    Copy c{addr, static_cast<uint8_t*>(out), n};
    return RunGuarded(CopyBytes, &c);
}

bool IsMappedCode(uintptr_t addr) {
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // No memory map to ask: code that cannot even be read is surely none.
        uint8_t b;
        return ReadWithoutFaulting(addr, &b, 1);
    }
    char buf[4096];
    MapLine line;
    bool found = false;
    ssize_t n;
    while (!found && (n = read(fd, buf, sizeof buf)) > 0) {
        for (ssize_t i = 0; i < n && !found; i++) {
            char c = buf[i];
            if (c == '\n') {
                if (line.Exec && addr >= line.Start && addr < line.End) found = true;
                line = MapLine();
                continue;
            }
            switch (line.Field) {
                case 0:
                    if (IsHexDigit(c)) line.Start = line.Start << 4 | HexValue(c);
                    else line.Field = 1;
                    break;
                case 1:
                    if (IsHexDigit(c)) line.End = line.End << 4 | HexValue(c);
                    else line.Field = 2;
                    break;
                case 2:
                    if (c == ' ') line.Field = 3;
                    else if (line.PermIndex++ == 2) line.Exec = c == 'x';
                    break;
                default:
                    break;
            }
        }
    }
    close(fd);
    return found;
}
