// clip.cpp -- rectangles, rectangular regions and the clip of a DC
#include "os/gdi/gdi_private.h"

#include <algorithm>

namespace os::gdi {

bool rect_empty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

RECT rect_intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

RECT rect_offset(const RECT& r, int dx, int dy)
{
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RECT rect_normalize(const RECT& r)
{
    return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
}

} // namespace os::gdi

using namespace os::gdi;

namespace {

int region_type(const RECT& r)
{
    return rect_empty(r) ? NULLREGION : SIMPLEREGION;
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    auto region = std::make_shared<Region>();
    region->rect = rect_normalize(RECT{left, top, right, bottom});
    if (rect_empty(region->rect))
    {
        region->rect = RECT{0, 0, 0, 0};
    }
    return static_cast<HRGN>(object_insert(region));
}

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    if (!rect)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

// The DC keeps its own copy of the region: the caller may delete it afterwards.
int SelectClipRgn(HDC hdc, HRGN region)
{
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return ERROR;
    }
    if (!region)
    {
        dc->state.has_clip = false;
        return SIMPLEREGION;
    }
    auto found = object_get_as<Region>(region, Kind::Region);
    if (!found)
    {
        return ERROR;
    }
    dc->state.has_clip = true;
    dc->state.clip = found->rect;
    return region_type(found->rect);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return ERROR;
    }
    RECT r = rect_offset(rect_normalize(RECT{left, top, right, bottom}), dc->state.viewport.x, dc->state.viewport.y);
    dc->state.clip = dc->state.has_clip ? rect_intersect(dc->state.clip, r) : r;
    dc->state.has_clip = true;
    return region_type(dc->state.clip);
}

int GetClipBox(HDC hdc, LPRECT out)
{
    Canvas canvas(hdc);
    if (!canvas_ready(canvas, out != nullptr))
    {
        return ERROR;
    }
    RECT box{0, 0, 0, 0};
    for (const RECT& r : canvas.clip())
    {
        box = rect_empty(box) ? r
                              : RECT{std::min(box.left, r.left), std::min(box.top, r.top),
                                     std::max(box.right, r.right), std::max(box.bottom, r.bottom)};
    }
    POINT offset = canvas.offset();
    *out = rect_empty(box) ? RECT{0, 0, 0, 0} : rect_offset(box, -offset.x, -offset.y);
    return canvas.clip().empty() ? NULLREGION : canvas.clip().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
