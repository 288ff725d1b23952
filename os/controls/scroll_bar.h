// scroll_bar.h -- the simple vertical scroll bar of lists and multi-line edits
//
// A light track with a dark thumb sized to the visible share of the rows.
// A tap above the thumb pages up, below it pages down; the thumb can be
// dragged (ScrollDrag), the rows following it.
#pragma once

#include <os/types.h>

namespace os::controls {

constexpr int kBarWidth = 8;

struct ScrollBar
{
    RECT bar{};      // client coordinates; empty when no bar is shown
    int top = 0;     // first row shown
    int visible = 1; // rows that fit
    int total = 0;   // rows in all
};

RECT thumb_rect(const ScrollBar& s);
void paint_scroll_bar(HDC hdc, const ScrollBar& s);
// The first row to show after a tap at p on the bar.
int page_top(const ScrollBar& s, POINT p);

// A drag of the thumb: begun by a pen down on it, then each pen position
// gives the first row to show.
struct ScrollDrag
{
    bool active = false;
    int grip = 0; // the pen's distance below the thumb's top

    // True (and the drag begun) when p is on the thumb.
    bool begin(const ScrollBar& s, POINT p);
    // The first row to show with the pen at p.
    int top_at(const ScrollBar& s, POINT p) const;
};

} // namespace os::controls
