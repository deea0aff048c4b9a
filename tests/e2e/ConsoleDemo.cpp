// A small program on the console layer, run by the end-to-end tests and the
// benchmarks inside a real terminal. The first argument picks what it does:
//   colours    a page in black on light grey with bright, coloured and blinking
//              lines, and Windows-1250 accented letters
//   keys       "ready", then the code of every key until a second Enter or 'q'
//   keylog F   the same into file F, for runs in real terminals whose screen
//              no test reads: "ready", then each code and a space until 'q' twice running
//   readline   reads one line through Input and echoes it in brackets
//   wait       "ready", then one key wait
//   pause [ms] a pause of ms milliseconds, five seconds when not given
//   error      a page, then run-time error 201 from a small routine
//   fault      a page, then an access violation (run-time error 216)
//   heapfault  a page, the C library's heap damaged, text left waiting in
//              Output, then a fault inside malloc
//   doublefree a page, then a block freed twice: the C library aborts
//   page       a page of the program's kind (title, 9 x 9 table), then scrolls ten lines
//   nothing    only start and end (what those cost on their own)
// The screens that are inspected end with a key wait, so the test can look at
// them while the program still owns the terminal. The terminal is set up
// before the first line is written: a test that waits for that line (the
// "ready" line, the prompt) may then send keys.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Crt.h"
#include "Errors.h"
#include "Modules.h"
#include "ShortString.h"
#include "RuntimeSystem.h"
#include "TextIO.h"

namespace {

// One write statement: the item, then the statement end (which flushes).
void Write(const ShortString& s) {
    TextWriteStr(0, Output, s);
    IOCheck();
    TextWriteEnd(Output);
    IOCheck();
}

void Writeln(const ShortString& s) {
    TextWriteStr(0, Output, s);
    IOCheck();
    TextWritelnEnd(Output);
    IOCheck();
}

void WriteInt(int32_t width, int32_t v) {
    TextWriteInt(width, Output, v);
    IOCheck();
    TextWriteEnd(Output);
    IOCheck();
}

void NewPage() {
    Window(1, 1, 80, 25);
    TextBackground(15);
    TextColor(0);
    ClrScr();
}

void Colours() {
    NewPage();
    Writeln("plain black on grey");
    HighVideo();
    Writeln("high video");
    LowVideo();
    TextColor(14);
    TextBackground(1);
    Writeln("yellow on blue");
    TextBackground(15);
    TextColor(143);
    Writeln("blinking white");
    LowVideo();
    Writeln("F\xE1jln\xE9v siker\xFClt \xDCres");
    Writeln("done");
    (void)ReadKey();
}

void Keys() {
    Writeln("ready");
    int enters = 0;
    for (;;) {
        uint8_t k = ReadKey();
        TextWriteInt(0, Output, k);
        IOCheck();
        TextWriteChar(0, Output, ' ');
        IOCheck();
        TextWriteEnd(Output);
        IOCheck();
        if (k == 'q') break;
        if (k == 13 && ++enters == 2) break;
    }
    Writeln("");
    Writeln("bye");
}

const char* Argument = nullptr;

void KeyLog() {
    FILE* log = Argument != nullptr ? std::fopen(Argument, "w") : nullptr;
    if (log == nullptr) Halt(2);
    std::fputs("ready\n", log);
    std::fflush(log);
    int last = -1;
    for (;;) {
        const int k = ReadKey();
        std::fprintf(log, "%d ", k);
        std::fflush(log);
        if (k == 'q' && last == 'q') break;
        last = k;
    }
    std::fclose(log);
}

void ReadLine() {
    Write("name: ");
    ShortString s;
    TextReadStr(Input, s);
    IOCheck();
    TextReadlnEnd(Input);
    IOCheck();
    Writeln(ShortString("[") + s + ShortString("]"));
}

void Wait() {
    Writeln("ready");
    (void)ReadKey();
    Writeln("got it");
}

int PauseMs = 5000;

void Pause() {
    Writeln("pausing");
    Delay(static_cast<uint16_t>(PauseMs));
    Writeln("awake");
}

// A page of the program's kind: a centred title and a 9 x 9 table whose row
// and column numbers are dark grey (0x78) and whose cells are black (0x70).
void DrawTablePage() {
    NewPage();
    const ShortString title("A legnagyobb \xFCres t\xE9glalap");
    GotoXY(static_cast<uint8_t>((80 - title.Length()) / 2 + 1), 1);
    Writeln(title);
    Writeln("");
    Write("   ");
    HighVideo();
    for (int j = 1; j <= 9; j++) WriteInt(4, j);
    LowVideo();
    Writeln("");
    for (int i = 1; i <= 9; i++) {
        HighVideo();
        WriteInt(3, i);
        LowVideo();
        for (int j = 1; j <= 9; j++) WriteInt(4, (i * 7 + j * 3) % 11 == 0 ? 0 : (i * j) % 10);
        Writeln("");
    }
}

void Page() {
    DrawTablePage();
    // The table ends on row 12; 22 lines from row 13 on scroll the page by ten.
    for (int i = 1; i <= 22; i++) {
        char text[16];
        int n = 0;
        text[n++] = 'S', text[n++] = 'o', text[n++] = 'r', text[n++] = ' ';
        if (i >= 10) text[n++] = static_cast<char>('0' + i / 10);
        text[n++] = static_cast<char>('0' + i % 10);
        Writeln(ShortString(text, n));
    }
}

// The check is inlined into this routine, which the report then names.
__attribute__((noinline)) int16_t Narrow(int32_t v) { return RangeCheck16(v); }  // @narrow

void Error() {
    DrawTablePage();
    Write("about to fail");
    volatile int32_t big = 40000;
    volatile int16_t r = Narrow(big);  // @error
    (void)r;
}

// Not null (the sanitizer build would catch a null store itself), yet never mapped.
int* volatile NoWhere = reinterpret_cast<int*>(uintptr_t{64});

__attribute__((noinline)) void Fault() {
    DrawTablePage();
    Write("about to fault");
    *NoWhere = 1;  // @fault
}

// Damages the C library's heap so that the next allocation of any small size
// faults inside malloc. glibc keeps its per-thread cache of small blocks in
// the heap's first block: 64 counts of 16 bits, then the 64 list heads. Each
// list is made to hold one block where no one may read. False for another
// layout (a sanitizer's).
bool DamageHeap() {
    uintptr_t heap = 0;
    char line[512];
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    while (maps && heap == 0 && std::fgets(line, sizeof line, maps))
        if (std::strstr(line, "[heap]")) heap = std::strtoull(line, nullptr, 16);
    if (maps) std::fclose(maps);
    auto* counts = reinterpret_cast<volatile uint16_t*>(heap + 16);
    auto* heads = reinterpret_cast<volatile uintptr_t*>(heap + 16 + 64 * sizeof(uint16_t));
    void* volatile probe = std::malloc(24);
    std::free(probe);
    if (heap == 0 || heads[0] != reinterpret_cast<uintptr_t>(probe)) return false;
    for (int i = 0; i < 64; i++) {
        counts[i] = 1;
        heads[i] = 0x4141414141414140u;
    }
    return true;
}

void* volatile Block = nullptr;

__attribute__((noinline)) void HeapFault() {
    DrawTablePage();
    Write("about to fault");
    if (!DamageHeap()) Halt(3);
    // Text still waiting in Output at the end: line ends enough to scroll.
    for (int i = 0; i < 30; i++) TextWriteStr(0, Output, "\r\n");
    Block = std::malloc(24);  // @heapfault
}

__attribute__((noinline)) void DoubleFree() {
    DrawTablePage();
    Write("about to free twice");
    Block = std::malloc(100);
    std::free(Block);
    std::free(Block);  // @doublefree
    Block = nullptr;
}

struct Scenario {
    const char* Name;
    void (*Run)();
};

const Scenario Scenarios[] = {
    {"colours", Colours}, {"keys", Keys},
    {"readline", ReadLine}, {"wait", Wait},         {"pause", Pause}, {"error", Error},
    {"page", Page},         {"nothing", [] {}},  {"fault", Fault},
    {"heapfault", HeapFault}, {"doublefree", DoubleFree}, {"keylog", KeyLog},
};

}  // namespace

int main(int argc, char** argv) {
    static const ModuleInfo modules[] = {SystemModule, LineInfoModule, CrtModule};
    InitModules(modules, 3);
    const char* which = argc > 1 ? argv[1] : "";
    if (argc > 2) {
        Argument = argv[2];
        PauseMs = std::atoi(argv[2]);
    }
    bool found = false;
    for (const Scenario& s : Scenarios) {
        if (std::strcmp(s.Name, which) == 0) {
            s.Run();  // @demo-main
            found = true;
            break;
        }
    }
    if (!found) Halt(2);
    Do_Exit();
}
