#include "TerminalScreen.h"

#include <algorithm>

TerminalScreen::TerminalScreen(const TermCaps& caps, const Charset& charset, int width, int height, bool stream)
    : grid_(BufferExtent(width, PageWidth, 0), BufferExtent(height, PageHeight, 0)),
      view_{0, 0, width > 0 ? width : PageWidth, height > 0 ? height : PageHeight},
      renderer_(caps, charset, view_.Width, view_.Height) {
    if (stream) stream_ = std::make_unique<StreamRenderer>(charset, 0, width);
}

void TerminalScreen::CursorFoundAt(int x, int y) {
    if (x < 0 || y < 0 || x >= view_.Width || y >= view_.Height) return;
    grid_.Cursor = Coord{static_cast<int16_t>(view_.X + x), static_cast<int16_t>(view_.Y + y)};
    renderer_.AssumeCursorAt(x, y);
}

void TerminalScreen::SetTerminalSize(int width, int height) {
    if (stream_) stream_->SetWidth(width);
    width = std::max(width, 1);
    height = std::max(height, 1);
    const int bw = BufferExtent(width, PageWidth, grid_.Width());
    const int bh = BufferExtent(height, PageHeight, grid_.Height());
    if (bw != grid_.Width() || bh != grid_.Height()) grid_.Resize(bw, bh);
    // The view is placed afresh, as near the buffer's top-left as the
    // cursor allows: grown to the page, it shows the page.
    view_ = FollowCursor(ViewRect{0, 0, width, height}, grid_.Width(), grid_.Height(), grid_.Cursor);
    Repaint();
}

void TerminalScreen::Repaint() {
    if (view_.Width != renderer_.Width() || view_.Height != renderer_.Height())
        renderer_.Resize(view_.Width, view_.Height);
    else
        renderer_.Repaint();
}

void TerminalScreen::SetCursor(Coord pos) {
    if (grid_.Inside(pos.X, pos.Y)) grid_.Cursor = pos;
}

void TerminalScreen::StoreChar(uint8_t ch, Coord pos) {
    grid_.StoreChar(ch, pos);
    if (stream_ && grid_.Inside(pos.X, pos.Y)) stream_->Char(ch, pos);
}

void TerminalScreen::StoreAttr(uint8_t attr, Coord pos) { grid_.StoreAttr(attr, pos); }

void TerminalScreen::FillChar(uint8_t ch, uint32_t length, Coord pos) {
    grid_.FillChar(ch, length, pos);
    if (stream_ && grid_.Inside(pos.X, pos.Y))
        stream_->Fill(ch, std::min<uint32_t>(length, static_cast<uint32_t>(grid_.Width() - pos.X)), pos);
}

void TerminalScreen::FillAttr(uint8_t attr, uint32_t length, Coord pos) { grid_.FillAttr(attr, length, pos); }

void TerminalScreen::Scroll(const SmallRect& source, const SmallRect& clip, Coord dest, uint8_t fillChar,
                            uint8_t fillAttr) {
    grid_.Scroll(source, clip, dest, fillChar, fillAttr);
    if (stream_)
        stream_->Scroll(source, clip, dest);
    else
        renderer_.NoteScroll(source, clip, dest);
}

std::string TerminalScreen::Render() {
    if (stream_) {
        grid_.ClearChanges();
        return stream_->Take();
    }
    view_ = FollowCursor(view_, grid_.Width(), grid_.Height(), grid_.Cursor);
    std::string s = renderer_.Render(grid_, view_);
    grid_.ClearChanges();
    return s;
}

std::string TerminalScreen::RenderAndReset() {
    if (stream_) return stream_->End(grid_.Cursor);
    return Render() + renderer_.ResetAttributes();
}
