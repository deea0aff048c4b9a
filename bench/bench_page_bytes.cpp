// Bytes sent to the terminal to draw a page of the program's kind (a cleared
// window in black on light grey, a centred title, a 9 x 9 table with dark
// grey row and column numbers) and then scroll it by ten lines: the console
// layer against ncurses drawing the same screens on the same kind of pty.
// Both are also run doing nothing, so start and end can be taken off. The
// ncurses drawings are this program again, started as "ncurses MODE".
// Goal: the console layer sends no more bytes than ncurses.
#include <curses.h>
#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "PtyRun.h"

namespace {

enum class Refresh { EveryStatement, EveryScreen, Nothing };

// The screens of the demo's "page" scenario, statement by statement; with
// EveryStatement ncurses refreshes wherever the console layer flushes. In a
// terminal smaller than the page the page is a pad shown through a view
// that follows the cursor, as the console layer does it.
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
        const bool small = COLS < 80 || LINES < 25;
        WINDOW* w = small ? newpad(25, 80) : stdscr;
        scrollok(w, TRUE);
        idlok(w, TRUE);   // lets ncurses use the terminal's scrolling
        wbkgdset(w, ' ' | COLOR_PAIR(1));
        wattrset(w, COLOR_PAIR(1));
        werase(w);
        int viewX = 0, viewY = 0;
        auto present = [&] {
            if (!small) {
                wrefresh(w);
                return;
            }
            int y, x;
            getyx(w, y, x);
            if (x < viewX) viewX = x;
            if (x >= viewX + COLS) viewX = x - COLS + 1;
            if (y < viewY) viewY = y;
            if (y >= viewY + LINES) viewY = y - LINES + 1;
            prefresh(w, viewY, viewX, 0, 0, LINES - 1, COLS - 1);
        };
        auto statement = [&] {
            if (mode == Refresh::EveryStatement) present();
        };
        const char* title = "A legnagyobb \xC3\xBCres t\xC3\xA9glalap";   // 26 letters
        wmove(w, 0, (80 - 26) / 2);
        waddstr(w, title);
        waddch(w, '\n');
        statement();
        waddch(w, '\n');
        statement();
        waddstr(w, "   ");
        statement();
        wattrset(w, numbers);
        for (int j = 1; j <= 9; j++) {
            wprintw(w, "%4d", j);
            statement();
        }
        wattrset(w, COLOR_PAIR(1));
        waddch(w, '\n');
        statement();
        for (int i = 1; i <= 9; i++) {
            wattrset(w, numbers);
            wprintw(w, "%3d", i);
            statement();
            wattrset(w, COLOR_PAIR(1));
            for (int j = 1; j <= 9; j++) {
                wprintw(w, "%4d", (i * 7 + j * 3) % 11 == 0 ? 0 : (i * j) % 10);
                statement();
            }
            waddch(w, '\n');
            statement();
        }
        if (mode == Refresh::EveryScreen) present();
        for (int i = 1; i <= 22; i++) {
            wprintw(w, "Sor %d\n", i);
            statement();
        }
        present();
    }
    endwin();
    delscreen(s);
    _exit(0);
}

// With BENCH_DUMP set to a folder, each run's bytes are kept there to look at.
long Bytes(const std::string& term, int cols, int rows, const char* what, std::vector<std::string> argv) {
    PtyRun run(term, cols, rows, std::move(argv));
    const int status = run.WaitExit();
    if (const char* dir = getenv("BENCH_DUMP")) {
        std::string path = std::string(dir) + "/" + term + "." + std::to_string(cols) + "x" +
                           std::to_string(rows) + "." + what;
        if (FILE* f = fopen(path.c_str(), "wb")) {
            fwrite(run.Out().data(), 1, run.Out().size(), f);
            fclose(f);
        }
    }
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "a drawing child ended with status %d\n", status);
        return -1;
    }
    return static_cast<long>(run.Out().size());
}

// This benchmark again, drawing the page with ncurses on the pty.
std::vector<std::string> Ncurses(const char* mode) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    return {std::string(self, n > 0 ? static_cast<size_t>(n) : 0), "ncurses", mode};
}

// The demo's page against ncurses on a terminal of cols x rows; true when
// the console layer sends no more than ncurses refreshing per statement.
bool ComparePage(const std::string& demo, const char* term, int cols, int rows) {
    long ours = Bytes(term, cols, rows, "ours", {demo, "page"});
    long oursIdle = Bytes(term, cols, rows, "ours-idle", {demo, "nothing"});
    long nc = Bytes(term, cols, rows, "ncurses", Ncurses("statement"));
    long ncScreen = Bytes(term, cols, rows, "ncurses-screen", Ncurses("screen"));
    long ncIdle = Bytes(term, cols, rows, "ncurses-idle", Ncurses("nothing"));
    if (ours < 0 || oursIdle < 0 || nc < 0 || ncScreen < 0 || ncIdle < 0) return false;
    bool met = ours - oursIdle <= nc - ncIdle;
    printf("TERM=%s, %d x %d\n", term, cols, rows);
    printf("  console layer:                    %6ld bytes (%ld drawing, %ld start/end)\n", ours,
           ours - oursIdle, oursIdle);
    printf("  ncurses, refresh per statement:   %6ld bytes (%ld drawing, %ld start/end)\n", nc, nc - ncIdle,
           ncIdle);
    printf("  ncurses, refresh per screen:      %6ld bytes (%ld drawing)\n", ncScreen, ncScreen - ncIdle);
    printf("  goal (drawing <= ncurses per statement): %s\n", met ? "met" : "MISSED");
    return met;
}

size_t Count(const std::string& hay, const std::string& needle, size_t from) {
    size_t n = 0;
    for (size_t at = hay.find(needle, from); at != std::string::npos; at = hay.find(needle, at + 1)) n++;
    return n;
}

// The program at its first key wait while the terminal is resized: the
// bytes each resize costs, and how often the page's title is drawn in them
// (once per repaint of the view), against the bytes of drawing the page.
bool ResizeCost(const char* term) {
    PtyRun run(term, 80, 25, {KELMAROSZ_PATH}, KELMAROSZ_DATA_DIR);
    // Cells that already show a blank are moved over, so of the page's text
    // only runs without blanks can be looked for.
    const std::string title = "Kelmarosz", read = "beolvas";
    if (!run.WaitForOut(title, 5000)) {
        fprintf(stderr, "the program showed no title: %s\n", run.Out().c_str());
        return false;
    }
    run.Drain(200);
    size_t mark = run.Out().size();
    run.Send("\r");
    if (!run.WaitForOut(read, 5000)) {
        fprintf(stderr, "the program showed no matrix\n");
        return false;
    }
    run.Drain(500);
    const size_t pageBytes = run.Out().size() - mark;
    printf("TERM=%s, the program at its first key wait\n", term);
    printf("  drawing the page (Enter to the key wait):   %6zu bytes\n", pageBytes);
    bool one = true;
    const int sizes[][2] = {{64, 20}, {80, 25}, {120, 40}, {80, 25}};
    for (const auto& s : sizes) {
        mark = run.Out().size();
        run.Resize(s[0], s[1]);
        run.Drain(300);
        const size_t titles = Count(run.Out(), title, mark);
        printf("  resized to %3d x %2d: %6zu bytes, %zu repaint%s of the view\n", s[0], s[1],
               run.Out().size() - mark, titles, titles == 1 ? "" : "s");
        one = one && titles == 1;
    }
    for (int k = 0; k < 5; k++) run.Send(" ");
    const int status = run.WaitExit();
    printf("  goal (one repaint per resize): %s\n", one ? "met" : "MISSED");
    return one && status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "ncurses") {
        const std::string mode = argv[2];
        NcursesPage(mode == "statement" ? Refresh::EveryStatement
                    : mode == "screen"  ? Refresh::EveryScreen
                                        : Refresh::Nothing);
    }
    const std::string demo = argc > 1 ? argv[1] : CONSOLE_DEMO_PATH;
    bool allMet = true;
    for (const char* term : {"xterm-256color", "tmux-256color", "linux"})
        for (const auto& size : {std::pair{80, 25}, std::pair{64, 20}, std::pair{120, 40}})
            allMet = ComparePage(demo, term, size.first, size.second) && allMet;
    for (const char* term : {"xterm-256color", "linux"}) allMet = ResizeCost(term) && allMet;
    return allMet ? 0 : 1;
}
