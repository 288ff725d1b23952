// canvas.cpp -- a drawing session on a DC: target surface, clip and primitives
#include "os/gdi/gdi_private.h"

#include "os/host/host.h"

#include <algorithm>

namespace os::gdi {

namespace {

// Cut every rectangle of `rects` to `limit`, dropping the empty ones.
void cut(std::vector<RECT>& rects, const RECT& limit)
{
    std::vector<RECT> kept;
    for (const RECT& r : rects)
    {
        RECT c = rect_intersect(r, limit);
        if (!rect_empty(c))
        {
            kept.push_back(c);
        }
    }
    rects.swap(kept);
}

void fill_span(const Surface& s, int y, int left, int right, uint32_t value)
{
    uint8_t* row = s.row(y);
    value &= pixel_mask(s.format);
    if (format_bpp(s.format) == 16)
    {
        std::fill(reinterpret_cast<uint16_t*>(row) + left, reinterpret_cast<uint16_t*>(row) + right, uint16_t(value));
        return;
    }
    if (s.format == PixelFormat::Rgb32)
    {
        std::fill(reinterpret_cast<uint32_t*>(row) + left, reinterpret_cast<uint32_t*>(row) + right, value);
        return;
    }
    for (int x = left; x < right; ++x)
    {
        write_pixel(s, x, y, value);
    }
}

} // namespace

Canvas::Canvas(HDC hdc) : dc_(dc_get(hdc))
{
    if (!dc_)
    {
        return;
    }
    if (dc_->target == Target::Memory)
    {
        bitmap_ = object_get_as<Bitmap>(dc_->state.bitmap, Kind::Bitmap);
        if (!bitmap_)
        {
            bitmap_ = object_get_as<Bitmap>(default_bitmap(), Kind::Bitmap);
        }
        surface_ = bitmap_->surface;
        clip_.push_back(RECT{0, 0, surface_.width, surface_.height});
    }
    else
    {
        // Ask the window manager first: it must never wait for the screen
        // while a thread drawing on the screen waits for it.
        window_area(*dc_, &origin_, clip_);
        lock_ = std::unique_lock<std::recursive_mutex>(os::host::screen().lock);
        screen_ = true;
        surface_ = screen_surface();
    }
    offset_ = POINT{origin_.x + dc_->state.viewport.x, origin_.y + dc_->state.viewport.y};
    cut(clip_, RECT{0, 0, surface_.width, surface_.height});
    if (dc_->painting)
    {
        cut(clip_, rect_offset(dc_->paint_rect, origin_.x, origin_.y));
    }
    if (dc_->state.has_clip)
    {
        cut(clip_, rect_offset(dc_->state.clip, origin_.x, origin_.y));
    }
}

Canvas::~Canvas()
{
    if (!screen_ || rect_empty(dirty_))
    {
        return;
    }
    lock_.unlock();
    os::host::backend().present(&dirty_);
}

void Canvas::touch(const RECT& device)
{
    if (rect_empty(device))
    {
        return;
    }
    if (rect_empty(dirty_))
    {
        dirty_ = device;
        return;
    }
    dirty_.left = std::min(dirty_.left, device.left);
    dirty_.top = std::min(dirty_.top, device.top);
    dirty_.right = std::max(dirty_.right, device.right);
    dirty_.bottom = std::max(dirty_.bottom, device.bottom);
}

bool Canvas::visible(int x, int y) const
{
    for (const RECT& r : clip_)
    {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
        {
            return true;
        }
    }
    return false;
}

void Canvas::mix_pixel(int x, int y, uint32_t pattern, uint8_t rop3)
{
    if (!visible(x, y))
    {
        return;
    }
    uint32_t dest = rop3 == 0xF0 ? 0 : read_pixel(surface_, x, y);
    write_pixel(surface_, x, y, apply_rop3(rop3, pattern, 0, dest));
    touch(RECT{x, y, x + 1, y + 1});
}

void Canvas::put_pixel(int x, int y, COLORREF color)
{
    mix_pixel(x, y, color_to_pixel(surface_, color), 0xF0);
}

void Canvas::blend_pixel(int x, int y, COLORREF color, int coverage)
{
    if (coverage <= 0 || !visible(x, y))
    {
        return;
    }
    if (coverage >= 255)
    {
        put_pixel(x, y, color);
        return;
    }
    COLORREF below = pixel_to_color(surface_, read_pixel(surface_, x, y));
    put_pixel(x, y, blend_color(color, below, coverage));
}

COLORREF Canvas::blend_color(COLORREF color, COLORREF below, int coverage)
{
    auto mix = [coverage](int s, int d) { return d + ((s - d) * coverage + 127) / 255; };
    return RGB(mix(GetRValue(color), GetRValue(below)), mix(GetGValue(color), GetGValue(below)),
               mix(GetBValue(color), GetBValue(below)));
}

void Canvas::fill_rect(const RECT& device, uint32_t pattern, uint8_t rop3)
{
    for (const RECT& c : clip_)
    {
        RECT r = rect_intersect(c, device);
        if (rect_empty(r))
        {
            continue;
        }
        for (int y = r.top; y < r.bottom; ++y)
        {
            if (rop3 == 0xF0)
            {
                fill_span(surface_, y, r.left, r.right, pattern);
                continue;
            }
            for (int x = r.left; x < r.right; ++x)
            {
                write_pixel(surface_, x, y, apply_rop3(rop3, pattern, 0, read_pixel(surface_, x, y)));
            }
        }
        touch(r);
    }
}

void Canvas::fill_rect_brush(const RECT& device, const Brush& brush, uint8_t rop3)
{
    if (brush.log.lbStyle == BS_NULL)
    {
        return;
    }
    if (!brush.pattern)
    {
        fill_rect(device, brush_pixel(brush, 0, 0), rop3);
        return;
    }
    for (const RECT& c : clip_)
    {
        RECT r = rect_intersect(c, device);
        for (int y = r.top; y < r.bottom; ++y)
        {
            for (int x = r.left; x < r.right; ++x)
            {
                uint32_t value = brush_pixel(brush, x, y);
                write_pixel(surface_, x, y, apply_rop3(rop3, value, 0, read_pixel(surface_, x, y)));
            }
        }
        touch(r);
    }
}

uint32_t Canvas::brush_pixel(const Brush& brush, int x, int y) const
{
    if (!brush.pattern)
    {
        return color_to_pixel(surface_, brush.log.lbColor);
    }
    const Surface& p = brush.pattern->surface;
    int px = ((x - origin_.x) % p.width + p.width) % p.width;
    int py = ((y - origin_.y) % p.height + p.height) % p.height;
    uint32_t bit = read_pixel(p, px, py);
    if (p.format == PixelFormat::Mono && p.palette_size == 0)
    {
        // A monochrome bitmap without colours paints in the DC's text and background colours.
        return color_to_pixel(surface_, bit ? dc_->state.bk_color : dc_->state.text_color);
    }
    return color_to_pixel(surface_, pixel_to_color(p, bit));
}

std::shared_ptr<Pen> Canvas::pen() const
{
    auto pen = object_get_as<Pen>(dc_->state.pen, Kind::Pen);
    return pen ? pen : object_get_as<Pen>(GetStockObject(BLACK_PEN), Kind::Pen);
}

std::shared_ptr<Brush> Canvas::brush() const
{
    auto brush = object_get_as<Brush>(dc_->state.brush, Kind::Brush);
    return brush ? brush : object_get_as<Brush>(GetStockObject(WHITE_BRUSH), Kind::Brush);
}

bool canvas_ready(const Canvas& canvas, bool arguments_ok)
{
    if (canvas.ok() && !arguments_ok)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    return canvas.ok() && arguments_ok;
}

} // namespace os::gdi
