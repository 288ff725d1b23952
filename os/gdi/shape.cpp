// shape.cpp -- lines, rectangles, ellipses, polygons and rectangle fills
//
// Shapes follow the device's conventions: a line leaves out its end point; a
// rectangle, rounded rectangle or ellipse fills the box without its right and
// bottom edges; with the null pen the filled area is one pixel smaller on the
// right and at the bottom. Pens and brushes both mix through the DC's ROP2.
// Wide outlines are drawn inside the box; a dashed pen outlines rectangles
// and ellipses solid (dashes are drawn on lines).
#include "os/gdi/gdi_private.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace os::gdi {

namespace {

struct PenInk
{
    bool null = false;
    int width = 1;
    uint32_t pixel = 0;
    uint32_t bk_pixel = 0;
    bool bk_opaque = false;
    const uint8_t* dashes = nullptr; // on, off, on, off... in pixels
    int dash_count = 0;
    uint8_t rop3 = 0xF0;
};

const uint8_t kDash[] = {18, 6};
const uint8_t kDot[] = {3, 3};
const uint8_t kDashDot[] = {9, 6, 3, 6};
const uint8_t kDashDotDot[] = {9, 3, 3, 3, 3, 3};

void set_dashes(PenInk& ink, UINT style)
{
    switch (style)
    {
    case PS_DASH: ink.dashes = kDash; ink.dash_count = 2; break;
    case PS_DOT: ink.dashes = kDot; ink.dash_count = 2; break;
    case PS_DASHDOT: ink.dashes = kDashDot; ink.dash_count = 4; break;
    case PS_DASHDOTDOT: ink.dashes = kDashDotDot; ink.dash_count = 6; break;
    default: break;
    }
}

PenInk pen_ink(const Canvas& canvas)
{
    const Dc& dc = canvas.dc();
    auto pen = canvas.pen();
    PenInk ink;
    ink.null = pen->log.lopnStyle == PS_NULL;
    ink.width = std::max(1, int(pen->log.lopnWidth.x));
    ink.pixel = color_to_pixel(canvas.surface(), pen->log.lopnColor);
    ink.bk_pixel = color_to_pixel(canvas.surface(), dc.state.bk_color);
    ink.bk_opaque = dc.state.bk_mode == OPAQUE;
    ink.rop3 = rop2_to_rop3(dc.state.rop2);
    if (ink.width == 1)
    {
        set_dashes(ink, pen->log.lopnStyle);
    }
    return ink;
}

// Draws connected segments with one pen; the dash pattern runs on across them.
class LineDrawer
{
public:
    LineDrawer(Canvas& canvas) : canvas_(canvas), ink_(pen_ink(canvas)) {}

    // From a to b in device coordinates, b left out.
    void segment(POINT a, POINT b)
    {
        if (ink_.null || !clip_long(a, b))
        {
            return;
        }
        int dx = std::abs(b.x - a.x);
        int dy = -std::abs(b.y - a.y);
        int sx = a.x < b.x ? 1 : -1;
        int sy = a.y < b.y ? 1 : -1;
        int err = dx + dy;
        while (a.x != b.x || a.y != b.y)
        {
            stamp(a.x, a.y);
            int e2 = 2 * err;
            if (e2 >= dy)
            {
                err += dy;
                a.x += sx;
            }
            if (e2 <= dx)
            {
                err += dx;
                a.y += sy;
            }
        }
    }

private:
    // Very long segments are cut to the surface first so a stray coordinate
    // never walks billions of pixels.
    bool clip_long(POINT& a, POINT& b) const
    {
        const Surface& s = canvas_.surface();
        int64_t limit = 4 * (int64_t(s.width) + s.height) + 64;
        if (std::llabs(int64_t(b.x) - a.x) <= limit && std::llabs(int64_t(b.y) - a.y) <= limit)
        {
            return true;
        }
        double t0 = 0;
        double t1 = 1;
        double x0 = a.x, y0 = a.y, ddx = double(b.x) - a.x, ddy = double(b.y) - a.y;
        double margin = ink_.width + 1;
        auto edge = [&](double p, double q) {
            if (p == 0)
            {
                return q >= 0;
            }
            double r = q / p;
            if (p < 0)
            {
                t0 = std::max(t0, r);
            }
            else
            {
                t1 = std::min(t1, r);
            }
            return t0 <= t1;
        };
        if (!edge(-ddx, x0 + margin) || !edge(ddx, s.width + margin - x0) || !edge(-ddy, y0 + margin) ||
            !edge(ddy, s.height + margin - y0))
        {
            return false;
        }
        a = POINT{LONG(std::lround(x0 + t0 * ddx)), LONG(std::lround(y0 + t0 * ddy))};
        b = POINT{LONG(std::lround(x0 + t1 * ddx)), LONG(std::lround(y0 + t1 * ddy))};
        return true;
    }

    bool dash_on()
    {
        if (!ink_.dashes)
        {
            return true;
        }
        bool on = (dash_index_ % 2) == 0;
        if (++dash_step_ >= ink_.dashes[dash_index_])
        {
            dash_step_ = 0;
            dash_index_ = (dash_index_ + 1) % ink_.dash_count;
        }
        return on;
    }

    void stamp(int x, int y)
    {
        bool on = dash_on();
        if (!on && !ink_.bk_opaque)
        {
            return;
        }
        uint32_t pixel = on ? ink_.pixel : ink_.bk_pixel;
        if (ink_.width == 1)
        {
            canvas_.mix_pixel(x, y, pixel, ink_.rop3);
            return;
        }
        int x0 = x - (ink_.width - 1) / 2;
        int y0 = y - (ink_.width - 1) / 2;
        canvas_.fill_rect(RECT{x0, y0, x0 + ink_.width, y0 + ink_.width}, pixel, ink_.rop3);
    }

    Canvas& canvas_;
    PenInk ink_;
    int dash_index_ = 0;
    int dash_step_ = 0;
};

POINT to_device(const Canvas& canvas, int x, int y)
{
    POINT o = canvas.offset();
    return POINT{x + o.x, y + o.y};
}

// The pixel span [*left, *right] of row y of a box with rounded corners of
// radii rx, ry (an ellipse when they are half the box). False when the row
// holds no pixel centre of the shape.
bool row_span(const RECT& box, double rx, double ry, int y, int* left, int* right)
{
    if (y < box.top || y >= box.bottom || rect_empty(box))
    {
        return false;
    }
    double yc = y + 0.5;
    double dy = 0;
    if (ry > 0 && yc < box.top + ry)
    {
        dy = (box.top + ry - yc) / ry;
    }
    else if (ry > 0 && yc > box.bottom - ry)
    {
        dy = (yc - (box.bottom - ry)) / ry;
    }
    if (dy > 1)
    {
        return false;
    }
    double half = rx * std::sqrt(1 - dy * dy);
    *left = int(std::ceil(box.left + rx - half - 0.5));
    *right = int(std::floor(box.right - rx + half - 0.5));
    return *left <= *right;
}

void fill_span(Canvas& canvas, const Brush& brush, int y, int left, int right, uint8_t rop3)
{
    if (left <= right)
    {
        canvas.fill_rect_brush(RECT{left, y, right + 1, y + 1}, brush, rop3);
    }
}

void ink_span(Canvas& canvas, const PenInk& ink, int y, int left, int right)
{
    if (left <= right)
    {
        canvas.fill_rect(RECT{left, y, right + 1, y + 1}, ink.pixel, ink.rop3);
    }
}

// The outline of row y of a one-pixel pen: from each end of the row's span
// to where the neighbouring rows' spans begin, so the outline stays closed
// without doubling up. A row without a neighbour on one side is all outline.
void thin_outline_row(Canvas& canvas, const PenInk& ink, const Brush& brush, const RECT& box, double rx, double ry,
                      int y, int left, int right)
{
    int pl, pr, nl, nr;
    if (!row_span(box, rx, ry, y - 1, &pl, &pr) || !row_span(box, rx, ry, y + 1, &nl, &nr))
    {
        ink_span(canvas, ink, y, left, right);
        return;
    }
    int left_end = std::max(left, std::min(pl, nl) - 1);
    int right_start = std::min(right, std::max(pr, nr) + 1);
    if (left_end >= right_start)
    {
        ink_span(canvas, ink, y, left, right);
        return;
    }
    ink_span(canvas, ink, y, left, left_end);
    fill_span(canvas, brush, y, left_end + 1, right_start - 1, ink.rop3);
    ink_span(canvas, ink, y, right_start, right);
}

// A wide outline: what lies between the shape and the shape inset by the width.
void wide_outline_row(Canvas& canvas, const PenInk& ink, const Brush& brush, const RECT& box, double rx, double ry,
                      int y, int left, int right)
{
    int w = ink.width;
    RECT inner{box.left + w, box.top + w, box.right - w, box.bottom - w};
    int il, ir;
    if (!row_span(inner, std::max(0.0, rx - w), std::max(0.0, ry - w), y, &il, &ir))
    {
        ink_span(canvas, ink, y, left, right);
        return;
    }
    ink_span(canvas, ink, y, left, std::min(right, il - 1));
    fill_span(canvas, brush, y, il, ir, ink.rop3);
    ink_span(canvas, ink, y, std::max(left, ir + 1), right);
}

// A rectangle, rounded rectangle or ellipse: box in logical coordinates.
// Every pixel is drawn once, so R2_NOT twice restores the picture.
void draw_box_shape(Canvas& canvas, const RECT& logical, double rx, double ry)
{
    POINT o = canvas.offset();
    RECT box = rect_offset(rect_normalize(logical), o.x, o.y);
    PenInk ink = pen_ink(canvas);
    auto brush = canvas.brush();
    if (ink.null)
    {
        box.right -= 1;
        box.bottom -= 1;
    }
    int top = std::max<int>(box.top, 0);
    int bottom = std::min<int>(box.bottom, canvas.surface().height);
    for (int y = top; y < bottom; ++y)
    {
        int left, right;
        if (!row_span(box, rx, ry, y, &left, &right))
        {
            continue;
        }
        if (ink.null)
        {
            fill_span(canvas, *brush, y, left, right, ink.rop3);
        }
        else if (ink.width == 1)
        {
            thin_outline_row(canvas, ink, *brush, box, rx, ry, y, left, right);
        }
        else
        {
            wide_outline_row(canvas, ink, *brush, box, rx, ry, y, left, right);
        }
    }
}

struct Crossing
{
    double x;
    int direction;
};

void fill_polygon_row(Canvas& canvas, const std::vector<POINT>& pts, int y, bool winding, const Brush& brush,
                      uint8_t rop3)
{
    std::vector<Crossing> crossings;
    double yc = y + 0.5;
    for (size_t i = 0; i < pts.size(); ++i)
    {
        POINT a = pts[i];
        POINT b = pts[(i + 1) % pts.size()];
        if (a.y == b.y || yc < std::min(a.y, b.y) || yc >= std::max(a.y, b.y))
        {
            continue;
        }
        double x = a.x + (yc - a.y) * double(b.x - a.x) / double(b.y - a.y);
        crossings.push_back(Crossing{x, b.y > a.y ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing& p, const Crossing& q) { return p.x < q.x; });
    int count = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i)
    {
        count = winding ? count + crossings[i].direction : count + 1;
        bool inside = winding ? count != 0 : (count & 1) != 0;
        if (inside)
        {
            int left = int(std::ceil(crossings[i].x - 0.5));
            int right = int(std::ceil(crossings[i + 1].x - 0.5)) - 1;
            fill_span(canvas, brush, y, left, right, rop3);
        }
    }
}

// The inside of a polygon (device points) by the DC's fill mode and brush.
void fill_polygon(Canvas& canvas, const std::vector<POINT>& pts)
{
    auto brush = canvas.brush();
    uint8_t rop3 = rop2_to_rop3(canvas.dc().state.rop2);
    bool winding = canvas.dc().state.fill_mode == WINDING;
    auto [low, high] = std::minmax_element(pts.begin(), pts.end(), [](POINT a, POINT b) { return a.y < b.y; });
    int top = std::max<int>(low->y, 0);
    int bottom = std::min<int>(high->y, canvas.surface().height);
    for (int y = top; y < bottom; ++y)
    {
        fill_polygon_row(canvas, pts, y, winding, *brush, rop3);
    }
}

// Points in device coordinates; the outline is closed when `closed`.
void draw_path(Canvas& canvas, const std::vector<POINT>& pts, bool closed)
{
    LineDrawer line(canvas);
    for (size_t i = 0; i + 1 < pts.size(); ++i)
    {
        line.segment(pts[i], pts[i + 1]);
    }
    if (closed && pts.size() > 1)
    {
        line.segment(pts.back(), pts.front());
    }
}

std::vector<POINT> device_points(const Canvas& canvas, const POINT* points, int count)
{
    std::vector<POINT> out;
    out.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
    {
        out.push_back(to_device(canvas, points[i].x, points[i].y));
    }
    return out;
}

// The brush of FillRect: a handle or a system colour as (HBRUSH)(COLOR_x + 1).
std::shared_ptr<Brush> fill_brush(HBRUSH brush)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(brush) & ~uintptr_t(SYS_COLOR_INDEX_FLAG);
    if (value >= 1 && value <= COLOR_GRADIENTINACTIVECAPTION + 1)
    {
        brush = GetSysColorBrush(int(value - 1));
    }
    return object_get_as<Brush>(brush, Kind::Brush);
}

// Fill a logical rectangle with a brush, PATCOPY-style (no ROP2).
int fill_logical(HDC hdc, const RECT* rect, HBRUSH handle, uint8_t rop3)
{
    Canvas canvas(hdc);
    auto brush = canvas.ok() ? fill_brush(handle) : nullptr;
    if (!brush || !rect)
    {
        if (brush)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
        }
        return 0;
    }
    POINT o = canvas.offset();
    canvas.fill_rect_brush(rect_offset(*rect, o.x, o.y), *brush, rop3);
    return 1;
}

} // namespace

} // namespace os::gdi

using namespace os::gdi;

BOOL LineTo(HDC hdc, int x, int y)
{
    Canvas canvas(hdc);
    if (!canvas.ok())
    {
        return FALSE;
    }
    POINT from = canvas.dc().state.position;
    LineDrawer line(canvas);
    line.segment(to_device(canvas, from.x, from.y), to_device(canvas, x, y));
    canvas.dc().state.position = POINT{x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count)
{
    Canvas canvas(hdc);
    if (!canvas_ready(canvas, points && count >= 2))
    {
        return FALSE;
    }
    draw_path(canvas, device_points(canvas, points, count), false);
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    Canvas canvas(hdc);
    if (!canvas_ready(canvas, points && count >= 2))
    {
        return FALSE;
    }
    std::vector<POINT> pts = device_points(canvas, points, count);
    fill_polygon(canvas, pts);
    draw_path(canvas, pts, true);
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    Canvas canvas(hdc);
    if (!canvas.ok())
    {
        return FALSE;
    }
    draw_box_shape(canvas, RECT{left, top, right, bottom}, 0, 0);
    return TRUE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int ellipse_width, int ellipse_height)
{
    Canvas canvas(hdc);
    if (!canvas.ok())
    {
        return FALSE;
    }
    RECT box = rect_normalize(RECT{left, top, right, bottom});
    double rx = std::min(std::abs(ellipse_width), int(box.right - box.left)) / 2.0;
    double ry = std::min(std::abs(ellipse_height), int(box.bottom - box.top)) / 2.0;
    draw_box_shape(canvas, box, rx, ry);
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    Canvas canvas(hdc);
    if (!canvas.ok())
    {
        return FALSE;
    }
    RECT box = rect_normalize(RECT{left, top, right, bottom});
    draw_box_shape(canvas, box, (box.right - box.left) / 2.0, (box.bottom - box.top) / 2.0);
    return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    return fill_logical(hdc, rect, brush, 0xF0);
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    if (!rect || rect_empty(*rect))
    {
        return fill_logical(hdc, rect, brush, 0xAA);
    }
    const RECT& r = *rect;
    const RECT sides[] = {{r.left, r.top, r.right, r.top + 1},
                          {r.left, r.bottom - 1, r.right, r.bottom},
                          {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                          {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
    for (const RECT& side : sides)
    {
        if (!fill_logical(hdc, &side, brush, 0xF0))
        {
            return 0;
        }
    }
    return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect)
{
    Canvas canvas(hdc);
    if (!canvas_ready(canvas, rect != nullptr))
    {
        return FALSE;
    }
    POINT o = canvas.offset();
    canvas.fill_rect(rect_offset(*rect, o.x, o.y), 0, 0x55);
    return TRUE;
}
