// The part of the screen buffer the terminal shows, as a console window shows
// part of its buffer: the buffer is never smaller than the program's page,
// and a terminal smaller than the buffer looks at it through a view that
// keeps the cursor in sight.
#pragma once
#include "PlatformConsole.h"

// The page the program's screens are laid out for.
constexpr int PageWidth = 80, PageHeight = 25;

// A rectangle of the buffer: its top-left cell and the terminal's size.
struct ViewRect {
    int X = 0, Y = 0;
    int Width = PageWidth, Height = PageHeight;

    bool operator==(const ViewRect&) const = default;
};

// The buffer's extent along one axis for a terminal of `terminal` cells: at
// least the page and the terminal, and never less than it already was, so
// nothing placed in it is lost when the terminal shrinks.
int BufferExtent(int terminal, int page, int current);

// The view moved as little as it must to hold the cursor, kept inside the
// buffer (the buffer is at least as large as the view).
ViewRect FollowCursor(ViewRect view, int bufferWidth, int bufferHeight, Coord cursor);
