// A small model of a VT/xterm-like terminal for the renderer tests: it runs
// the bytes the renderer produces and keeps the cells they leave behind.
// Anything it does not understand (a stray control byte, an unknown escape)
// is recorded as an error, so tests catch bytes that real terminals would
// act on unpredictably.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

struct VtCell {
    std::string text = "Z";   // what the terminal showed before the program
    int fg = -1, bg = -1;     // -1: the default colour
    bool bold = false;
    bool blink = false;
    bool operator==(const VtCell&) const = default;
};

class VtModel {
public:
    VtModel(int w, int h, bool bce, bool xenl, bool onlcr)
        : w_(w), h_(h), bce_(bce), xenl_(xenl), onlcr_(onlcr), cells_(w * h), bottom_(h - 1) {}

    int x = 0, y = 0;
    std::vector<std::string> errors;
    int scrolls = 0;   // lines that left the screen or the region

    VtCell& At(int cx, int cy) { return cells_[cy * w_ + cx]; }
    int Fg() const { return fg_; }
    int Bg() const { return bg_; }
    bool Bold() const { return bold_; }
    bool Blink() const { return blink_; }

    // The terminal after a resize to w x h, re-wrapping its lines as VTE,
    // kitty, Konsole and tmux do: each row's text (up to its last cell that
    // is not a default blank) flows into rows of the new width, from the
    // top; what does not fit is gone, the rest is blank.
    VtModel Rewrapped(int w, int h) const {
        VtModel m(w, h, bce_, xenl_, onlcr_);
        for (VtCell& c : m.cells_) c = VtCell{" "};
        int to = 0;
        for (int r = 0; r < h_ && to < h; r++) {
            int len = w_;
            while (len > 0 && cells_[r * w_ + len - 1] == VtCell{" "}) len--;
            for (int c = 0; c == 0 || c < len; c += w, to++)
                for (int k = c; k < std::min(len, c + w) && to < h; k++) m.At(k - c, to) = cells_[r * w_ + k];
        }
        return m;
    }

    void Run(const std::string& bytes) {
        for (size_t i = 0; i < bytes.size(); i++) {
            unsigned char b = static_cast<unsigned char>(bytes[i]);
            if (b == 0x1b) {
                i = Escape(bytes, i);
            } else if (b == '\r') {
                x = 0;
                wrap_ = false;
            } else if (b == '\n') {
                if (onlcr_) x = 0;
                LineFeed();
            } else if (b == '\b') {
                if (x > 0) x--;
                wrap_ = false;
            } else if (b == 0x0f) {
                // shift-in (G0 character set): harmless
            } else if (b < 32 || b == 127) {
                errors.push_back("control byte " + std::to_string(b));
            } else {
                size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
                Print(bytes.substr(i, len));
                i += len - 1;
            }
        }
    }

private:
    void Erase(VtCell& c) {
        c = VtCell{" ", -1, bce_ ? bg_ : -1, false, bce_ && blink_};
    }
    void ScrollUp(int top, int bot) {
        scrolls++;
        for (int r = top; r < bot; r++)
            for (int c = 0; c < w_; c++) At(c, r) = At(c, r + 1);
        for (int c = 0; c < w_; c++) Erase(At(c, bot));
    }
    void ScrollDown(int top, int bot) {
        scrolls++;
        for (int r = bot; r > top; r--)
            for (int c = 0; c < w_; c++) At(c, r) = At(c, r - 1);
        for (int c = 0; c < w_; c++) Erase(At(c, top));
    }
    void LineFeed() {
        wrap_ = false;
        if (y == bottom_) ScrollUp(top_, bottom_);
        else if (y < h_ - 1) y++;
    }
    void Print(const std::string& g) {
        if (wrap_) {
            x = 0;
            LineFeed();
        }
        At(x, y) = VtCell{g, fg_, bg_, bold_, blink_};
        if (x == w_ - 1) {
            if (xenl_) wrap_ = true;
            else { x = 0; LineFeed(); }
        } else {
            x++;
        }
    }
    void Sgr(const std::vector<int>& p) {
        if (p.empty()) { fg_ = bg_ = -1; bold_ = blink_ = false; return; }
        for (size_t k = 0; k < p.size(); k++) {
            int v = p[k];
            if (v == 0) { fg_ = bg_ = -1; bold_ = blink_ = false; }
            else if (v == 1) bold_ = true;
            else if (v == 5) blink_ = true;
            else if (v >= 30 && v <= 37) fg_ = v - 30;
            else if (v >= 40 && v <= 47) bg_ = v - 40;
            else if (v >= 90 && v <= 97) fg_ = v - 90 + 8;
            else if (v >= 100 && v <= 107) bg_ = v - 100 + 8;
            else if ((v == 38 || v == 48) && k + 2 < p.size() && p[k + 1] == 5) {
                (v == 38 ? fg_ : bg_) = p[k + 2];
                k += 2;
            } else errors.push_back("sgr " + std::to_string(v));
        }
    }
    size_t Escape(const std::string& s, size_t i) {
        if (i + 1 >= s.size()) { errors.push_back("lone ESC"); return i; }
        char c = s[i + 1];
        if (c == 'M') {   // reverse index
            wrap_ = false;
            if (y == top_) ScrollDown(top_, bottom_);
            else if (y > 0) y--;
            return i + 1;
        }
        if (c == 'D') { LineFeed(); return i + 1; }
        if (c == '(' && i + 2 < s.size()) return i + 2;   // character set select
        if (c != '[') { errors.push_back(std::string("esc ") + c); return i + 1; }
        size_t j = i + 2;
        std::vector<int> p;
        std::string num;
        bool any = false;
        while (j < s.size() && (isdigit(static_cast<unsigned char>(s[j])) || s[j] == ';')) {
            if (s[j] == ';') { p.push_back(num.empty() ? 0 : std::stoi(num)); num.clear(); }
            else num += s[j];
            any = true;
            j++;
        }
        if (any) p.push_back(num.empty() ? 0 : std::stoi(num));
        if (j >= s.size()) { errors.push_back("cut CSI"); return j; }
        auto arg = [&](size_t k, int def) { return k < p.size() && p[k] != 0 ? p[k] : def; };
        wrap_ = false;
        switch (s[j]) {
            case 'H': y = std::min(arg(0, 1), h_) - 1; x = std::min(arg(1, 1), w_) - 1; break;
            case 'G': x = std::min(arg(0, 1), w_) - 1; break;
            case 'd': y = std::min(arg(0, 1), h_) - 1; break;
            case 'C': x = std::min(x + arg(0, 1), w_ - 1); break;
            case 'D': x = std::max(x - arg(0, 1), 0); break;
            case 'A': y = std::max(y - arg(0, 1), y >= top_ ? top_ : 0); break;
            case 'B': y = std::min(y + arg(0, 1), y <= bottom_ ? bottom_ : h_ - 1); break;
            case 'K': for (int c2 = x; c2 < w_; c2++) Erase(At(c2, y)); break;
            case 'J':
                if (arg(0, 0) != 0 && arg(0, 0) != 2) errors.push_back("csi J " + std::to_string(arg(0, 0)));
                for (int i = arg(0, 0) == 2 ? 0 : y * w_ + x; i < w_ * h_; i++) Erase(cells_[i]);
                break;
            case 'r': top_ = arg(0, 1) - 1; bottom_ = arg(1, h_) - 1; x = 0; y = 0; break;
            case 'm': Sgr(p); break;
            default: errors.push_back(std::string("csi ") + s[j]);
        }
        return j;
    }

    int w_, h_;
    bool bce_, xenl_, onlcr_;
    std::vector<VtCell> cells_;
    int top_ = 0, bottom_;
    int fg_ = -1, bg_ = -1;
    bool bold_ = false;
    bool blink_ = false;
    bool wrap_ = false;
};
