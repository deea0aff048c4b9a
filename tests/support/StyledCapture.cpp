#include "StyledCapture.h"

#include <cctype>
#include <cstdlib>

namespace {

struct Pen {
    int Fg = -1, Bg = -1;
    bool Bold = false, Blink = false, Reverse = false;
};

void ApplySgr(Pen& pen, const std::vector<int>& ps) {
    if (ps.empty()) {
        pen = Pen{};
        return;
    }
    for (size_t i = 0; i < ps.size(); i++) {
        int p = ps[i];
        if (p == 0) pen = Pen{};
        else if (p == 1) pen.Bold = true;
        else if (p == 5 || p == 6) pen.Blink = true;
        else if (p == 7) pen.Reverse = true;
        else if (p == 22) pen.Bold = false;
        else if (p == 25) pen.Blink = false;
        else if (p == 27) pen.Reverse = false;
        else if (p >= 30 && p <= 37) pen.Fg = p - 30;
        else if (p == 39) pen.Fg = -1;
        else if (p >= 40 && p <= 47) pen.Bg = p - 40;
        else if (p == 49) pen.Bg = -1;
        else if (p >= 90 && p <= 97) pen.Fg = p - 90 + 8;
        else if (p >= 100 && p <= 107) pen.Bg = p - 100 + 8;
        else if ((p == 38 || p == 48) && i + 2 < ps.size() && ps[i + 1] == 5) {
            (p == 38 ? pen.Fg : pen.Bg) = ps[i + 2];
            i += 2;
        } else if ((p == 38 || p == 48) && i + 4 < ps.size() && ps[i + 1] == 2) {
            (p == 38 ? pen.Fg : pen.Bg) = 1000;   // direct colour: none of ours
            i += 4;
        }
    }
}

// One UTF-8 character from s at i; advances i.
char32_t NextChar(const std::string& s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t cp = more == 3 ? c & 0x07 : more == 2 ? c & 0x0F : more == 1 ? c & 0x1F : c;
    for (; more > 0 && i < s.size(); more--) cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return cp;
}

}  // namespace

std::vector<StyledLine> ParseStyledCapture(const std::string& capture) {
    std::vector<StyledLine> lines(1);
    Pen pen;
    size_t i = 0;
    while (i < capture.size()) {
        char c = capture[i];
        if (c == '\n') {
            lines.emplace_back();
            i++;
        } else if (c == '\x1b' && i + 1 < capture.size() && capture[i + 1] == '[') {
            size_t j = i + 2;
            std::vector<int> ps;
            std::string num;
            while (j < capture.size() && (std::isdigit(static_cast<unsigned char>(capture[j])) ||
                                          capture[j] == ';' || capture[j] == ':')) {
                if (capture[j] == ';' || capture[j] == ':') {
                    ps.push_back(num.empty() ? 0 : std::atoi(num.c_str()));
                    num.clear();
                } else {
                    num += capture[j];
                }
                j++;
            }
            if (!num.empty() || !ps.empty()) ps.push_back(num.empty() ? 0 : std::atoi(num.c_str()));
            if (j < capture.size() && capture[j] == 'm') ApplySgr(pen, ps);
            i = j + 1;
        } else if (c == '\x1b') {
            i += 2;   // other escapes (none expected) are skipped
        } else {
            StyledCell cell;
            cell.Ch = NextChar(capture, i);
            cell.Fg = pen.Fg;
            cell.Bg = pen.Bg;
            cell.Bold = pen.Bold;
            cell.Blink = pen.Blink;
            cell.Reverse = pen.Reverse;
            lines.back().push_back(cell);
        }
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

int PcToAnsi(int pc) {
    static const int Map[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return Map[pc & 7] + (pc & 8);
}
