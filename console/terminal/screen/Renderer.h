// Turns the cells the program wants into the bytes that bring the terminal
// up to date. Pure: cells in, bytes out. The terminal shows a view of the
// screen buffer (the whole buffer when the terminal is as large). The
// renderer keeps its belief of what the terminal shows (a grid of the
// terminal's size whose unknown cells are whatever was there before the
// program started) and sends only the differences. It looks only at the
// rows the buffer notes as changed (and those a scroll or a view move
// disturbed), so a render costs what changed, not the size of the grid.
#pragma once
#include <string>
#include <vector>

#include "Charset.h"
#include "Glyphs.h"
#include "PlatformConsole.h"
#include "ScreenGrid.h"
#include "ScreenView.h"
#include "TermCaps.h"

class Renderer {
public:
    // Attribute 0x07 (light grey on black, a console's usual start) is shown
    // in the terminal's own default colours, so text the program writes in it
    // looks like the rest of the terminal.
    static constexpr uint8_t DefaultAttr = 0x07;

    Renderer(TermCaps caps, const Charset& charset, int width, int height);

    int Width() const { return shown_.Width(); }
    int Height() const { return shown_.Height(); }

    // The terminal changed size: what it shows now is unknown.
    void Resize(int width, int height);
    // What the terminal shows is unknown (it may have re-wrapped its lines
    // at a resize, or a shell wrote while the program was stopped): the next
    // render clears the terminal's screen and paints the view whole, the
    // cells the program never wrote included.
    void Repaint();

    // The program moved cells of the buffer as the platform scroll does. When
    // the move is a vertical scroll of rows as wide as the view (or with
    // nothing of the program's beside it), the terminal's scrolling region
    // does it at the next Render; anything else is redrawn from the cells.
    void NoteScroll(const SmallRect& source, const SmallRect& clip, Coord dest);

    // The bytes that make the terminal show the view's part of `buffer` (its
    // known cells), with the cursor at buffer.Cursor. Only the rows the
    // buffer notes as changed are looked at (the caller clears its notes
    // after the render). The view has the
    // terminal's size; when it moved since the last render, the rows still
    // in it are scrolled along. Cells the program never wrote that now
    // stand where the program's cells were shown become blank. The colours
    // of the last cell drawn stay set: nothing else writes to the terminal
    // while the program owns it, and setting them again at every flush
    // would cost bytes for nothing.
    std::string Render(const ScreenGrid& buffer, const ViewRect& view);
    // The whole buffer as the view.
    std::string Render(const ScreenGrid& wanted);
    // The terminal's own default attributes (for giving the terminal back).
    std::string ResetAttributes();

    // The terminal's cursor is known to stand at (x, y) (asked at start).
    void AssumeCursorAt(int x, int y);

    // What the renderer believes the terminal shows.
    const ScreenGrid& Shown() const { return shown_; }

private:
    struct PendingScroll {
        int top, bottom, n;   // rows, inclusive; n > 0 moves rows up
        int left = 0, right = 0;   // the columns that move (buffer scrolls only)
    };
    // What the terminal's cell (x, y) should show during a render.
    Cell Wanted(int x, int y) const;
    void ClearScreen(std::string& out);
    void ScrollAlong(std::string& out, const ScreenGrid& buffer, const ViewRect& view);
    void DoScroll(std::string& out, const PendingScroll& s);
    // again: cells up to (x, y) may be written again instead of moved over.
    void MoveTo(std::string& out, int x, int y, bool again);
    void SetAttr(std::string& out, int attr);
    void DrawRows(std::string& out);
    void DrawRow(std::string& out, int y, int from, int to);
    bool SkipCell(int x, int y) const;
    int FgIndex(int attr) const;
    int BgIndex(int attr) const;
    bool NeedsBold(int attr) const;
    bool NeedsBlink(int attr) const;

    TermCaps caps_;
    GlyphTable glyphs_;
    ScreenGrid shown_;
    int originX_ = 0, originY_ = 0;   // the buffer cell the terminal's top-left shows
    bool originKnown_ = false;
    std::vector<PendingScroll> scrolls_;   // in buffer rows, since the last render
    const ScreenGrid* buffer_ = nullptr;   // during a render: the buffer and its view
    ViewRect view_;
    bool clearDue_ = false;      // clear the terminal's screen at the next render
    bool blankUnknown_ = false;  // it could not be cleared: paint blanks over what it shows
    bool checkAll_ = true;       // look at every row at the next render
    std::vector<int> rowsToCheck_;   // terminal rows a scroll moved, since the last render
    int curX_ = -1, curY_ = -1;   // -1: the terminal's cursor position is unknown
    int curAttr_ = -1;            // -1: the terminal's attributes are unknown
};
