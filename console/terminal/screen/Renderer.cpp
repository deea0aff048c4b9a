#include "Renderer.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The console's colour numbers have blue in bit 0 and red in bit 2; ANSI
// colour numbers are the other way round.
int AnsiColour(int pc) { return ((pc & 1) << 2) | (pc & 2) | ((pc & 4) >> 2); }

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; i++) out += s;
    return out;
}

}  // namespace

Renderer::Renderer(TermCaps caps, const Charset& charset, int width, int height)
    : caps_(std::move(caps)), glyphs_(charset), shown_(width, height) {}

void Renderer::Resize(int width, int height) {
    shown_ = ScreenGrid(width, height);
    Repaint();
}

void Renderer::Repaint() {
    shown_.Reset(Cell{});
    scrolls_.clear();
    originKnown_ = false;   // nothing shown yet to scroll along with the view
    curX_ = curY_ = -1;
    curAttr_ = -1;   // take nothing about the terminal for granted
    clearDue_ = true;
    checkAll_ = true;
}

void Renderer::ClearScreen(std::string& out) {
    clearDue_ = false;
    const bool home = !caps_.ed.empty() && !caps_.cup.empty();
    if (!home && caps_.clear.empty()) {
        blankUnknown_ = true;   // no way to clear: every cell is painted instead
        return;
    }
    // Erasing paints the current background on some terminals: the
    // terminal's own, as everywhere the program has not written.
    SetAttr(out, DefaultAttr);
    if (home) {
        MoveTo(out, 0, 0, false);
        out += ExpandCap(caps_.ed);
    } else {
        out += ExpandCap(caps_.clear);
    }
    curX_ = curY_ = 0;
    shown_.Reset(Cell{' ', DefaultAttr, true});
    blankUnknown_ = false;
}

void Renderer::AssumeCursorAt(int x, int y) {
    if (shown_.Inside(x, y)) {
        curX_ = x;
        curY_ = y;
    }
}

void Renderer::NoteScroll(const SmallRect& source, const SmallRect& clip, Coord dest) {
    int sl = std::max<int>(source.Left, 0), sr = source.Right;
    int st = std::max<int>(source.Top, 0), sb = source.Bottom;
    int cl = std::max<int>(clip.Left, 0), cr = clip.Right;
    int ct = std::max<int>(clip.Top, 0), cb = clip.Bottom;
    // Only rows moving straight up or down are what a terminal scrolls.
    if (dest.X != source.Left || st > sb || ct > cb || sl > sr || cl > cr) return;
    int n = source.Top - dest.Y;
    if (n == 0) return;
    int top = std::max(ct, std::min(st, st - n));
    int bottom = std::min(cb, std::max(sb, sb - n));
    if (bottom - top + 1 <= std::abs(n)) return;   // nothing survives the move: just redraw
    int left = std::max(sl, cl), right = std::min(sr, cr);
    // A run of line-by-line scrolls of one region becomes one scroll.
    if (!scrolls_.empty()) {
        PendingScroll& last = scrolls_.back();
        if (last.top == top && last.bottom == bottom && last.left == left && last.right == right &&
            (last.n > 0) == (n > 0)) {
            last.n += n;
            return;
        }
    }
    scrolls_.push_back(PendingScroll{top, bottom, n, left, right});
}

void Renderer::ScrollAlong(std::string& out, const ScreenGrid& buffer, const ViewRect& view) {
    if (!originKnown_) {
        scrolls_.clear();
        originX_ = view.X;
        originY_ = view.Y;
        originKnown_ = true;
        return;
    }
    const int w = shown_.Width(), h = shown_.Height();
    const bool canScroll = !caps_.cup.empty();
    auto scroll = [&](int top, int bottom, int n) {
        if (!canScroll || n == 0 || bottom - top + 1 <= std::abs(n)) return;
        bool full = top == 0 && bottom == h - 1;
        if (!full && caps_.csr.empty()) return;
        if ((n > 0 ? caps_.ind : caps_.ri).empty()) return;
        DoScroll(out, PendingScroll{top, bottom, n});
    };
    // The program's scrolls, where they move every column the terminal
    // shows, or where the columns beside them hold nothing of the program's
    // in those rows (a page scrolling in a wider terminal): what the
    // terminal had there before the run moves along, and nothing is drawn.
    auto besideIsFree = [&](const PendingScroll& s) {
        for (int y = std::max(s.top, originY_); y <= std::min(s.bottom, originY_ + h - 1); y++)
            for (int x = originX_; x < originX_ + w; x++)
                if ((x < s.left || x > s.right) && buffer.Inside(x, y) && buffer.At(x, y).known) return false;
        return true;
    };
    for (const PendingScroll& s : scrolls_)
        if ((s.left <= originX_ && s.right >= originX_ + w - 1) || besideIsFree(s))
            scroll(std::max(s.top - originY_, 0), std::min(s.bottom - originY_, h - 1), s.n);
    scrolls_.clear();
    // The view moved down or up: the rows it keeps move up or down with it.
    // Every row is looked at then (the view is the terminal's size, small
    // wherever it moves).
    scroll(0, h - 1, view.Y - originY_);
    if (view.X != originX_ || view.Y != originY_) checkAll_ = true;
    originX_ = view.X;
    originY_ = view.Y;
}

Cell Renderer::Wanted(int x, int y) const {
    static constexpr Cell blank{' ', DefaultAttr, true};
    const int bx = view_.X + x, by = view_.Y + y;
    Cell c = buffer_->Inside(bx, by) ? buffer_->At(bx, by) : Cell{};
    if (c.known) return c;
    // A cell the program never wrote keeps what the terminal had there,
    // unless the program's own cells stand there now (or the terminal could
    // not be cleared after a resize: anything may stand there).
    const Cell& have = shown_.At(x, y);
    if ((have.known || blankUnknown_) && !(have == blank)) c = blank;
    return c;
}

void Renderer::DoScroll(std::string& out, const PendingScroll& s) {
    const int h = shown_.Height();
    // Rows the terminal uncovers are blank in the current colours (or in its
    // default ones, without bce): make both the default.
    SetAttr(out, DefaultAttr);
    bool full = s.top == 0 && s.bottom == h - 1;
    if (!full) {
        out += ExpandCap(caps_.csr, s.top, s.bottom);
        curX_ = curY_ = -1;   // setting the region homes the cursor on some terminals
    }
    int n = std::abs(s.n);
    if (s.n > 0) {
        MoveTo(out, 0, s.bottom, false);
        out += Repeat(ExpandCap(caps_.ind), n);
    } else {
        MoveTo(out, 0, s.top, false);
        out += Repeat(ExpandCap(caps_.ri), n);
    }
    if (!full) {
        out += ExpandCap(caps_.csr, 0, h - 1);
        curX_ = curY_ = -1;
    }

    // The same move on the belief of what the terminal shows: the whole
    // region shifts by n inside itself, so every row it uncovers (more than
    // the moved rows leave behind when n is over half the region) is blank
    // in the default colours.
    const int16_t right = static_cast<int16_t>(shown_.Width() - 1);
    const SmallRect region{0, static_cast<int16_t>(s.top), right, static_cast<int16_t>(s.bottom)};
    shown_.Scroll(region, region, Coord{0, static_cast<int16_t>(s.top - s.n)}, ' ', DefaultAttr);
    for (int y = s.top; y <= s.bottom; y++) rowsToCheck_.push_back(y);
}

int Renderer::FgIndex(int attr) const {
    return AnsiColour(attr & 7) + ((attr & 8) && caps_.colors >= 16 ? 8 : 0);
}

int Renderer::BgIndex(int attr) const {
    // The blink bit shows as a bright background where the terminal has one.
    return AnsiColour((attr >> 4) & 7) + ((attr & 0x80) && caps_.colors >= 16 ? 8 : 0);
}

bool Renderer::NeedsBold(int attr) const {
    // Eight-colour terminals show bright foregrounds as bold.
    return (attr & 8) && caps_.colors < 16 && !caps_.bold.empty();
}

bool Renderer::NeedsBlink(int attr) const {
    // Eight-colour terminals (the Linux console among them) show the blink
    // attribute as the bright background that the blink bit stands for.
    return (attr & 0x80) && caps_.colors < 16 && !caps_.blink.empty();
}

std::string Renderer::ResetAttributes() {
    std::string out;
    SetAttr(out, DefaultAttr);
    return out;
}

void Renderer::SetAttr(std::string& out, int attr) {
    if (attr == curAttr_) return;
    bool colours = caps_.colors >= 8 && !caps_.setaf.empty() && !caps_.setab.empty();
    if (attr == DefaultAttr && !caps_.sgr0.empty()) {
        out += ExpandCap(caps_.sgr0);
        curAttr_ = attr;
        return;
    }
    // Bold cannot be switched off alone, and the default colours are not a
    // colour number: start from sgr0 then.
    bool fromScratch = curAttr_ < 0 || curAttr_ == DefaultAttr || (NeedsBold(curAttr_) && !NeedsBold(attr)) ||
                       (NeedsBlink(curAttr_) && !NeedsBlink(attr));
    if (fromScratch) {
        if (curAttr_ != DefaultAttr) out += ExpandCap(caps_.sgr0);
        if (NeedsBold(attr)) out += ExpandCap(caps_.bold);
        if (NeedsBlink(attr)) out += ExpandCap(caps_.blink);
        if (colours) {
            out += ExpandCap(caps_.setaf, FgIndex(attr));
            out += ExpandCap(caps_.setab, BgIndex(attr));
        }
    } else {
        if (NeedsBold(attr) && !NeedsBold(curAttr_)) out += ExpandCap(caps_.bold);
        if (NeedsBlink(attr) && !NeedsBlink(curAttr_)) out += ExpandCap(caps_.blink);
        if (colours && FgIndex(attr) != FgIndex(curAttr_)) out += ExpandCap(caps_.setaf, FgIndex(attr));
        if (colours && BgIndex(attr) != BgIndex(curAttr_)) out += ExpandCap(caps_.setab, BgIndex(attr));
    }
    curAttr_ = attr;
}

void Renderer::MoveTo(std::string& out, int x, int y, bool again) {
    if (curX_ == x && curY_ == y) return;
    std::string best = ExpandCap(caps_.cup, y, x);
    auto consider = [&best](const std::string& s) {
        if (!s.empty() && (best.empty() || s.size() < best.size())) best = s;
    };
    auto repeat = [](const std::string& cap, int n) {
        return (cap.empty() || n > 8) ? std::string() : Repeat(ExpandCap(cap), n);
    };
    if (curX_ >= 0 && curY_ >= 0) {
        if (y == curY_) {
            consider(ExpandCap(caps_.hpa, x));
            if (x > curX_) {
                int n = x - curX_;
                consider(ExpandCap(caps_.cuf, n));
                consider(repeat(caps_.cuf1, n));
                // Writing the cells in between again, when they already show
                // what they should in the current colours, is often shortest.
                if (again && n <= 8) {
                    std::string cells;
                    bool ok = true;
                    for (int i = curX_; i < x && ok; i++) {
                        const Cell w = Wanted(i, y);
                        const Cell& s = shown_.At(i, y);
                        ok = w.known && s == w && w.attr == curAttr_ && !SkipCell(i, y);
                        cells += glyphs_[w.ch];
                    }
                    if (ok) consider(cells);
                }
            } else {
                int n = curX_ - x;
                consider(ExpandCap(caps_.cub, n));
                consider(repeat(caps_.cub1, n));
                if (x == 0) consider(ExpandCap(caps_.cr));
                else if (!caps_.cr.empty() && !caps_.cuf.empty())
                    consider(ExpandCap(caps_.cr) + ExpandCap(caps_.cuf, x));
            }
        } else {
            if (x == curX_) {
                consider(ExpandCap(caps_.vpa, y));
                if (y < curY_) {
                    consider(ExpandCap(caps_.cuu, curY_ - y));
                    consider(repeat(caps_.cuu1, curY_ - y));
                } else {
                    consider(ExpandCap(caps_.cud, y - curY_));
                }
            }
            // CR then line feeds: column 0 whether or not the tty adds CR to
            // LF itself; never at the bottom, so nothing scrolls.
            if (x == 0 && y > curY_ && !caps_.cr.empty()) {
                std::string down = repeat(caps_.cud1, y - curY_);
                if (!down.empty()) consider(ExpandCap(caps_.cr) + down);
            }
        }
    }
    out += best;
    curX_ = x;
    curY_ = y;
}

bool Renderer::SkipCell(int x, int y) const {
    // With auto margins but without the delayed wrap, writing the bottom-right
    // cell scrolls the whole screen. That one cell is left as it is.
    return caps_.am && !caps_.xenl && x == shown_.Width() - 1 && y == shown_.Height() - 1;
}

void Renderer::DrawRow(std::string& out, int y, int from, int to) {
    const int w = shown_.Width();
    for (int x = from; x <= to; x++) {
        const Cell want = Wanted(x, y);
        Cell& have = shown_.At(x, y);
        if (!want.known || have == want) continue;

        // Blanks up to the row's end: erase them, where erasing paints the
        // right background (bce, or the default colours).
        if (want.ch == ' ' && !caps_.el.empty() && (caps_.bce || want.attr == DefaultAttr)) {
            bool blankToEnd = true;
            for (int i = x; i < w && blankToEnd; i++) {
                const Cell c = Wanted(i, y);
                blankToEnd = c.known && c.ch == ' ' && c.attr == want.attr;
            }
            std::string el = ExpandCap(caps_.el);
            if (blankToEnd && static_cast<size_t>(w - x) > el.size()) {
                MoveTo(out, x, y, true);
                SetAttr(out, want.attr);
                out += el;
                for (int i = x; i < w; i++) shown_.At(i, y) = Cell{' ', want.attr, true};
                return;
            }
        }

        if (SkipCell(x, y)) continue;
        MoveTo(out, x, y, true);
        SetAttr(out, want.attr);
        out += glyphs_[want.ch];
        have = want;
        curX_++;
        // After the last column the cursor is in a pending-wrap state that
        // terminals treat differently: ask for an absolute move next time.
        if (curX_ >= w) curX_ = curY_ = -1;
    }
}

void Renderer::DrawRows(std::string& out) {
    const int w = shown_.Width(), h = shown_.Height();
    if (checkAll_) {
        for (int y = 0; y < h; y++) DrawRow(out, y, 0, w - 1);
        checkAll_ = false;
        blankUnknown_ = false;   // every cell has been painted
        rowsToCheck_.clear();
        return;
    }
    // The changed columns of each row, top to bottom.
    struct Span {
        int y, from, to;
    };
    std::vector<Span> spans;
    for (int by : buffer_->ChangedRows()) {
        const int y = by - view_.Y;
        const RowChange c = buffer_->Changed(by);
        const int from = std::max(c.From - view_.X, 0), to = std::min(c.To - view_.X, w - 1);
        if (y >= 0 && y < h && from <= to) spans.push_back(Span{y, from, to});
    }
    for (int y : rowsToCheck_) spans.push_back(Span{y, 0, w - 1});
    rowsToCheck_.clear();
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.y < b.y; });
    for (size_t i = 0; i < spans.size();) {
        Span s = spans[i];
        for (i++; i < spans.size() && spans[i].y == s.y; i++) {
            s.from = std::min(s.from, spans[i].from);
            s.to = std::max(s.to, spans[i].to);
        }
        DrawRow(out, s.y, s.from, s.to);
    }
}

std::string Renderer::Render(const ScreenGrid& wanted) {
    return Render(wanted, ViewRect{0, 0, wanted.Width(), wanted.Height()});
}

std::string Renderer::Render(const ScreenGrid& buffer, const ViewRect& view) {
    std::string out;
    buffer_ = &buffer;
    view_ = view;
    if (view.Width != shown_.Width() || view.Height != shown_.Height()) Resize(view.Width, view.Height);
    if (clearDue_) ClearScreen(out);
    ScrollAlong(out, buffer, view);
    DrawRows(out);

    int cx = std::clamp<int>(buffer.Cursor.X - view.X, 0, shown_.Width() - 1);
    int cy = std::clamp<int>(buffer.Cursor.Y - view.Y, 0, shown_.Height() - 1);
    MoveTo(out, cx, cy, true);
    buffer_ = nullptr;
    return out;
}
