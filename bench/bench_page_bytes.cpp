// Bytes sent to the terminal to draw a page of the program's kind (a cleared
// window in black on light grey, a centred title, a 9 x 9 table with dark
// grey row and column numbers) and then scroll it by ten lines: the console
// layer against ncurses drawing the same screens on the same kind of pty.
// Both are also run doing nothing, so start and end can be taken off.
// Goal: the console layer sends no more bytes than ncurses.
#include <curses.h>
#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "PtyRun.h"

namespace {

enum class Refresh { EveryStatement, EveryScreen, Nothing };

// The screens of the demo's "page" scenario, statement by statement; with
// EveryStatement ncurses refreshes wherever the console layer flushes.
void NcursesPage(Refresh mode) {
    setlocale(LC_ALL, "C.UTF-8");
    SCREEN* s = newterm(nullptr, stdout, stdin);
    if (!s) _exit(3);
    if (mode != Refresh::Nothing) {
        start_color();
        init_pair(1, COLOR_BLACK, COLOR_WHITE);
        chtype numbers = COLOR_PAIR(2);
        if (COLORS >= 16) {
            init_pair(2, 8, COLOR_WHITE);
        } else {
            init_pair(2, COLOR_BLACK, COLOR_WHITE);
            numbers |= A_BOLD;
        }
        scrollok(stdscr, TRUE);
        idlok(stdscr, TRUE);   // lets ncurses use the terminal's scrolling
        wbkgdset(stdscr, ' ' | COLOR_PAIR(1));
        attrset(COLOR_PAIR(1));
        erase();
        auto statement = [mode] {
            if (mode == Refresh::EveryStatement) refresh();
        };
        const char* title = "A legnagyobb \xC3\xBCres t\xC3\xA9glalap";   // 26 letters
        move(0, (80 - 26) / 2);
        addstr(title);
        addch('\n');
        statement();
        addch('\n');
        statement();
        addstr("   ");
        statement();
        attrset(numbers);
        for (int j = 1; j <= 9; j++) {
            printw("%4d", j);
            statement();
        }
        attrset(COLOR_PAIR(1));
        addch('\n');
        statement();
        for (int i = 1; i <= 9; i++) {
            attrset(numbers);
            printw("%3d", i);
            statement();
            attrset(COLOR_PAIR(1));
            for (int j = 1; j <= 9; j++) {
                printw("%4d", (i * 7 + j * 3) % 11 == 0 ? 0 : (i * j) % 10);
                statement();
            }
            addch('\n');
            statement();
        }
        if (mode == Refresh::EveryScreen) refresh();
        for (int i = 1; i <= 22; i++) {
            printw("Sor %d\n", i);
            statement();
        }
        refresh();
    }
    endwin();
    delscreen(s);
    _exit(0);
}

// With BENCH_DUMP set to a folder, each run's bytes are kept there to look at.
long Bytes(const std::string& term, const char* what, std::function<void()> body) {
    PtyRun run(term, 80, 25, std::move(body));
    PtyResult r = run.Finish();
    if (const char* dir = getenv("BENCH_DUMP")) {
        std::string path = std::string(dir) + "/" + term + "." + what;
        if (FILE* f = fopen(path.c_str(), "wb")) {
            fwrite(r.Output.data(), 1, r.Output.size(), f);
            fclose(f);
        }
    }
    if (!WIFEXITED(r.Status) || WEXITSTATUS(r.Status) != 0) {
        fprintf(stderr, "a drawing child ended with status %d\n", r.Status);
        return -1;
    }
    return static_cast<long>(r.Output.size());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string demo = argc > 1 ? argv[1] : CONSOLE_DEMO_PATH;
    bool allMet = true;
    for (const char* term : {"xterm-256color", "tmux-256color", "linux"}) {
        long ours = Bytes(term, "ours", ExecBody(demo, "page"));
        long oursIdle = Bytes(term, "ours-idle", ExecBody(demo, "nothing"));
        long nc = Bytes(term, "ncurses", [] { NcursesPage(Refresh::EveryStatement); });
        long ncScreen = Bytes(term, "ncurses-screen", [] { NcursesPage(Refresh::EveryScreen); });
        long ncIdle = Bytes(term, "ncurses-idle", [] { NcursesPage(Refresh::Nothing); });
        if (ours < 0 || oursIdle < 0 || nc < 0 || ncScreen < 0 || ncIdle < 0) return 1;
        bool met = ours - oursIdle <= nc - ncIdle;
        allMet = allMet && met;
        printf("TERM=%s\n", term);
        printf("  console layer:                    %6ld bytes (%ld drawing, %ld start/end)\n",
               ours, ours - oursIdle, oursIdle);
        printf("  ncurses, refresh per statement:   %6ld bytes (%ld drawing, %ld start/end)\n", nc,
               nc - ncIdle, ncIdle);
        printf("  ncurses, refresh per screen:      %6ld bytes (%ld drawing)\n", ncScreen,
               ncScreen - ncIdle);
        printf("  goal (drawing <= ncurses per statement): %s\n", met ? "met" : "MISSED");
    }
    return allMet ? 0 : 1;
}
