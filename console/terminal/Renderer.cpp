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
    : caps_(std::move(caps)), shown_(width, height) {
    for (int c = 0; c < 256; c++) {
        std::string g;
        if (c == 0) {
            g = " ";   // an empty cell: the console shows a blank there
        } else if (c < 32 || c == 127) {
            // Control bytes would act on the terminal instead of showing; a
            // visible stand-in keeps the cell count and the cursor in step.
            g = "?";
        } else if (c == 0xAD) {
            g = "-";   // soft hyphen: terminals disagree on its width
        } else {
            g = charset.Out(static_cast<uint8_t>(c));
            // Guard against an encoding that maps a character to a control
            // byte (C1 bytes too, in a single-byte encoding).
            for (unsigned char b : g)
                if (b < 32 || b == 127 || (!charset.IsUtf8() && b >= 0x80 && b < 0xA0)) g = "?";
            if (g.empty()) g = "?";
        }
        glyphs_[c] = g;
    }
}

std::string Renderer::Glyph(uint8_t ch) const { return glyphs_[ch]; }

void Renderer::Resize(int width, int height) {
    shown_ = ScreenGrid(width, height);
    scrolls_.clear();
    curX_ = curY_ = -1;
    curAttr_ = -1;   // after a resize, take nothing about the terminal for granted
}

void Renderer::AssumeCursorAt(int x, int y) {
    if (shown_.Inside(x, y)) {
        curX_ = x;
        curY_ = y;
    }
}

void Renderer::NoteScroll(const SmallRect& source, const SmallRect& clip, Coord dest) {
    const int w = shown_.Width(), h = shown_.Height();
    int sl = std::max<int>(source.Left, 0), sr = std::min<int>(source.Right, w - 1);
    int st = std::max<int>(source.Top, 0), sb = std::min<int>(source.Bottom, h - 1);
    int cl = std::max<int>(clip.Left, 0), cr = std::min<int>(clip.Right, w - 1);
    int ct = std::max<int>(clip.Top, 0), cb = std::min<int>(clip.Bottom, h - 1);
    // Only whole rows moving straight up or down are what a terminal scrolls.
    if (sl != 0 || sr != w - 1 || cl != 0 || cr != w - 1 || dest.X != source.Left) return;
    if (st > sb || ct > cb) return;
    int n = source.Top - dest.Y;
    if (n == 0) return;
    int top = std::max(ct, std::min(st, st - n));
    int bottom = std::min(cb, std::max(sb, sb - n));
    if (bottom - top + 1 <= std::abs(n)) return;   // nothing survives the move: just redraw
    bool full = top == 0 && bottom == h - 1;
    if (!full && caps_.csr.empty()) return;
    if ((n > 0 ? caps_.ind : caps_.ri).empty() || caps_.cup.empty()) return;
    // A run of line-by-line scrolls of one region becomes one scroll.
    if (!scrolls_.empty()) {
        PendingScroll& last = scrolls_.back();
        if (last.top == top && last.bottom == bottom && (last.n > 0) == (n > 0)) {
            last.n += n;
            return;
        }
    }
    scrolls_.push_back(PendingScroll{top, bottom, n});
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
        MoveTo(out, 0, s.bottom, nullptr);
        out += Repeat(ExpandCap(caps_.ind), n);
    } else {
        MoveTo(out, 0, s.top, nullptr);
        out += Repeat(ExpandCap(caps_.ri), n);
    }
    if (!full) {
        out += ExpandCap(caps_.csr, 0, h - 1);
        curX_ = curY_ = -1;
    }

    // The same move on the belief of what the terminal shows: the region's
    // rows shift by n, the uncovered ones blank in the default colours.
    const int16_t right = static_cast<int16_t>(shown_.Width() - 1);
    const SmallRect region{0, static_cast<int16_t>(s.top), right, static_cast<int16_t>(s.bottom)};
    const SmallRect moved{0, static_cast<int16_t>(s.top + std::max(s.n, 0)), right,
                          static_cast<int16_t>(s.bottom + std::min(s.n, 0))};
    shown_.Scroll(moved, region, Coord{0, static_cast<int16_t>(s.top + std::max(-s.n, 0))}, ' ', DefaultAttr);
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

void Renderer::MoveTo(std::string& out, int x, int y, const ScreenGrid* wanted) {
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
                if (wanted != nullptr && n <= 8) {
                    std::string again;
                    bool ok = true;
                    for (int i = curX_; i < x && ok; i++) {
                        const Cell& w = wanted->At(i, y);
                        const Cell& s = shown_.At(i, y);
                        ok = w.known && s == w && w.attr == curAttr_ && !SkipCell(i, y);
                        again += glyphs_[w.ch];
                    }
                    if (ok) consider(again);
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

void Renderer::DrawRow(std::string& out, const ScreenGrid& wanted, int y) {
    const int w = shown_.Width();
    for (int x = 0; x < w; x++) {
        const Cell& want = wanted.At(x, y);
        Cell& have = shown_.At(x, y);
        if (!want.known || have == want) continue;

        // Blanks up to the row's end: erase them, where erasing paints the
        // right background (bce, or the default colours).
        if (want.ch == ' ' && !caps_.el.empty() && (caps_.bce || want.attr == DefaultAttr)) {
            bool blankToEnd = true;
            for (int i = x; i < w && blankToEnd; i++) {
                const Cell& c = wanted.At(i, y);
                blankToEnd = c.known && c.ch == ' ' && c.attr == want.attr;
            }
            std::string el = ExpandCap(caps_.el);
            if (blankToEnd && static_cast<size_t>(w - x) > el.size()) {
                MoveTo(out, x, y, &wanted);
                SetAttr(out, want.attr);
                out += el;
                for (int i = x; i < w; i++) shown_.At(i, y) = Cell{' ', want.attr, true};
                return;
            }
        }

        if (SkipCell(x, y)) continue;
        MoveTo(out, x, y, &wanted);
        SetAttr(out, want.attr);
        out += glyphs_[want.ch];
        have = want;
        curX_++;
        // After the last column the cursor is in a pending-wrap state that
        // terminals treat differently: ask for an absolute move next time.
        if (curX_ >= w) curX_ = curY_ = -1;
    }
}

std::string Renderer::Render(const ScreenGrid& wanted) {
    std::string out;
    if (wanted.Width() != shown_.Width() || wanted.Height() != shown_.Height())
        Resize(wanted.Width(), wanted.Height());
    for (const PendingScroll& s : scrolls_)
        if (std::abs(s.n) < s.bottom - s.top + 1) DoScroll(out, s);
    scrolls_.clear();

    for (int y = 0; y < shown_.Height(); y++) DrawRow(out, wanted, y);

    int cx = std::clamp<int>(wanted.Cursor.X, 0, shown_.Width() - 1);
    int cy = std::clamp<int>(wanted.Cursor.Y, 0, shown_.Height() - 1);
    MoveTo(out, cx, cy, &wanted);
    return out;
}
