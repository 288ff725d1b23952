// scroll_bar.cpp -- the simple vertical scroll bar of lists and multi-line edits
#include "os/controls/scroll_bar.h"

#include "os/controls/control_private.h"

#include <algorithm>

namespace os::controls {

RECT thumb_rect(const ScrollBar& s)
{
    int height = s.bar.bottom - s.bar.top;
    int total = std::max(1, s.total);
    int thumb = std::clamp(height * s.visible / total, 4, std::max(4, height));
    int span = std::max(1, total - s.visible);
    int top = s.bar.top + (height - thumb) * std::clamp(s.top, 0, span) / span;
    return {s.bar.left + 1, top, s.bar.right - 1, std::min(top + thumb, (int)s.bar.bottom)};
}

void paint_scroll_bar(HDC hdc, const ScrollBar& s)
{
    if (IsRectEmpty(&s.bar))
        return;
    fill_color(hdc, s.bar, RGB(224, 224, 224));
    fill_color(hdc, thumb_rect(s), kShadow);
}

int page_top(const ScrollBar& s, POINT p)
{
    RECT thumb = thumb_rect(s);
    int step = p.y < thumb.top ? -s.visible : p.y >= thumb.bottom ? s.visible : 0;
    return std::clamp(s.top + step, 0, std::max(0, s.total - s.visible));
}

bool ScrollDrag::begin(const ScrollBar& s, POINT p)
{
    RECT thumb = thumb_rect(s);
    active = PtInRect(&thumb, p) != FALSE;
    grip = p.y - thumb.top;
    return active;
}

int ScrollDrag::top_at(const ScrollBar& s, POINT p) const
{
    RECT thumb = thumb_rect(s);
    int travel = (s.bar.bottom - s.bar.top) - (thumb.bottom - thumb.top);
    int span = std::max(0, s.total - s.visible);
    if (travel <= 0 || span == 0)
        return s.top;
    int offset = std::clamp(int(p.y - grip - s.bar.top), 0, travel);
    return (offset * span + travel / 2) / travel; // the nearest row
}

} // namespace os::controls
