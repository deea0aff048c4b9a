// The console's screen buffer on the terminal: the cell grid the program
// writes into (at least the page, or the terminal where that is larger), the
// view of it the terminal shows, and the bytes that bring the terminal up to
// date. A terminal that cannot place its cursor gets the text as a plain
// stream instead. Pure: cell operations and sizes in, bytes out.
#pragma once
#include <memory>
#include <string>

#include "Charset.h"
#include "Renderer.h"
#include "ScreenGrid.h"
#include "ScreenView.h"
#include "StreamRenderer.h"
#include "TermCaps.h"

class TerminalScreen {
public:
    // A terminal of width x height; stream: it cannot place its cursor, or
    // it is no terminal (a file or a pipe: width and height 0, the view is
    // the page and lines may be of any length).
    TerminalScreen(const TermCaps& caps, const Charset& charset, int width, int height, bool stream);

    bool Stream() const { return stream_ != nullptr; }
    const ScreenGrid& Buffer() const { return grid_; }
    // The part of the buffer the terminal shows now.
    ViewRect View() const { return view_; }

    // The terminal's cursor stands at this cell of it (asked at start).
    void CursorFoundAt(int x, int y);
    // The terminal changed size: the buffer grows to cover it if need be
    // (it never shrinks), and the next render clears the terminal and paints
    // the whole view (a terminal that re-wraps its lines at a resize leaves
    // them anywhere).
    void SetTerminalSize(int width, int height);
    // What the terminal shows is unknown (after a stop): the same.
    void Repaint();

    // The platform's cell operations, in buffer coordinates.
    void SetCursor(Coord pos);
    void StoreChar(uint8_t ch, Coord pos);
    void StoreAttr(uint8_t attr, Coord pos);
    void FillChar(uint8_t ch, uint32_t length, Coord pos);
    void FillAttr(uint8_t attr, uint32_t length, Coord pos);
    void Scroll(const SmallRect& source, const SmallRect& clip, Coord dest, uint8_t fillChar, uint8_t fillAttr);

    // The bytes that bring the terminal up to date; the view follows the
    // cursor first.
    std::string Render();
    // The same, then the terminal's own colours again (giving it back); a
    // stream ends with a line end.
    std::string RenderAndReset();
    // A plain stream whose last line has not ended yet.
    bool StreamLineOpen() const { return stream_ && stream_->LineOpen(grid_.Cursor); }

private:
    ScreenGrid grid_;
    ViewRect view_;
    Renderer renderer_;
    std::unique_ptr<StreamRenderer> stream_;
};
