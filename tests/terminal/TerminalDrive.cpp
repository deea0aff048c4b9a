// A page drawn straight on the terminal console, for the smoke tests: grey
// background, a message in colour, the cursor below it; then keys until two
// presses, a scroll, a pause, and the terminal given back. Each step is
// noted in the log file named by the first argument; with a second argument
// standard output goes to that file instead of the terminal.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "TerminalConsole.h"

namespace {

void DrivePage(PlatformConsole& c, FILE* log) {
    ScreenBufferInfo info{};
    bool ok = c.GetScreenBufferInfo(info);
    fprintf(log, "ok=%d size=%dx%d\n", ok, info.Size.X, info.Size.Y);
    fflush(log);
    const char* msg = "A beolvas\xE1s siker\xFClt.";
    for (int16_t y = 0; y < 25; y++) {
        c.FillOutputAttribute(0x70, 80, Coord{0, y});
        c.FillOutputCharacter(' ', 80, Coord{0, y});
    }
    for (int16_t i = 0; msg[i] != '\0'; i++) {
        c.WriteOutputCharacter(static_cast<uint8_t>(msg[i]), Coord{i, 2});
        c.WriteOutputAttribute(0x1E, Coord{i, 2});
    }
    c.SetCursorPosition(Coord{5, 4});
    c.Present();
    for (int presses = 0; presses < 2;) {
        c.WaitForInput();
        InputRecord r;
        while (c.ReadConsoleInput(r)) {
            fprintf(log, "key down=%d vk=%d ch=%d\n", r.Key.KeyDown, r.Key.VirtualKeyCode, r.Key.AsciiChar);
            fflush(log);
            if (r.Key.KeyDown) presses++;
        }
    }
    c.ScrollScreenBuffer(SmallRect{0, 1, 79, 24}, SmallRect{0, 0, 79, 24}, Coord{0, 0}, ' ', 0x70);
    c.Sleep(50);
    c.Restore();
    fprintf(log, "end\n");
    fflush(log);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    FILE* log = fopen(argv[1], "w");
    if (log == nullptr) return 2;
    if (argc > 2) {
        int fd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return 2;
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    DrivePage(TheTerminalConsole(nullptr), log);
    fclose(log);
    return 0;
}
