// scroll_bar.h -- the simple vertical scroll bar of lists and multi-line edits
//
// A light track with a dark thumb sized to the visible share of the rows.
// There is no dragging: a tap above the thumb pages up, below it pages down.
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

} // namespace os::controls
