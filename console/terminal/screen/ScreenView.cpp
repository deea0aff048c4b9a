#include "ScreenView.h"

#include <algorithm>

namespace {

// One axis: the start that keeps `at` inside [start, start + length), moved
// as little as possible, within [0, extent - length].
int Follow(int start, int length, int extent, int at) {
    if (at < start) start = at;
    if (at >= start + length) start = at - length + 1;
    return std::clamp(start, 0, std::max(extent - length, 0));
}

}  // namespace

int BufferExtent(int terminal, int page, int current) { return std::max({terminal, page, current, 1}); }

ViewRect FollowCursor(ViewRect view, int bufferWidth, int bufferHeight, Coord cursor) {
    view.Width = std::clamp(view.Width, 1, std::max(bufferWidth, 1));
    view.Height = std::clamp(view.Height, 1, std::max(bufferHeight, 1));
    view.X = Follow(view.X, view.Width, bufferWidth, cursor.X);
    view.Y = Follow(view.Y, view.Height, bufferHeight, cursor.Y);
    return view;
}
