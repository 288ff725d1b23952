// text.cpp -- text output and measurement on a DC
//
// Glyph coverage is blended over the destination in its own pixel format with
// the DC's text colour (anti-aliased, deterministic: same FreeType, same font
// files, same pixels). In OPAQUE background mode the text cell (advance width
// x line height) is filled with the background colour first; TRANSPARENT
// leaves it. Everything is cut to the DC's clip (a window DC's visible area).
#include "os/font/font_private.h"
#include "os/font/layout.h"
#include "os/font/render.h"

#include <algorithm>
#include <climits>
#include <map>
#include <mutex>
#include <string>

namespace os::font {

namespace {

constexpr uint8_t kPatCopy = 0xF0; // ternary rop: the pattern (a fill colour)

struct RunStyle
{
    COLORREF text = 0;
    COLORREF back = 0;
    bool opaque = false;
    bool underline = false;
    bool strike = false;
};

RunStyle style_of(const os::gdi::Dc& dc, const FontObject& font)
{
    RunStyle s;
    s.text = dc.state.text_color;
    s.back = dc.state.bk_color;
    s.opaque = dc.state.bk_mode == OPAQUE;
    s.underline = font.log.lfUnderline != 0;
    s.strike = font.log.lfStrikeOut != 0;
    return s;
}

void fill(os::gdi::Canvas& canvas, RECT device, const RECT& limit, COLORREF color)
{
    device = os::gdi::rect_intersect(device, limit);
    if (os::gdi::rect_empty(device))
        return;
    canvas.fill_rect(device, os::gdi::color_to_pixel(canvas.surface(), color), kPatCopy);
}

// One run at device position (x, top of cell). `limit` is a device clip on
// top of the DC's own (the rectangle of ETO_CLIPPED or DrawTextW).
// `underline_at` underlines one character (a DrawTextW prefix), -1 for none;
// tabs stop every `tab_width` pixels (DT_EXPANDTABS), 0 = no room.
void draw_run(os::gdi::Canvas& canvas, Face& face, const RunStyle& style, int x, int top, std::u16string_view text,
              const RECT& limit, int underline_at = -1, int tab_width = 0)
{
    const Metrics& m = face.metrics();
    std::vector<int> xs = run_positions(face, text, tab_width);
    if (style.opaque)
        fill(canvas, {x, top, x + xs.back(), top + m.height}, limit, style.back);
    int baseline = top + m.ascent;
    // Each glyph is cut to each rectangle of the DC's clip (they do not
    // overlap) and blended there without a test per pixel; the area drawn
    // is touched once.
    const uint32_t ink = os::gdi::color_to_pixel(canvas.surface(), style.text);
    place_run(face, text, x, baseline, tab_width, [&](int left, int gtop, const Glyph& g) {
        for (const RECT& area : canvas.clip())
        {
            const RECT cut = os::gdi::rect_intersect(area, limit);
            if (os::gdi::rect_empty(cut))
                continue;
            RECT drawn{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
            for_each_covered(g, left, gtop, cut, [&](int px, int py, uint8_t c) {
                canvas.blend_inside(px, py, style.text, ink, c);
                drawn = {std::min(drawn.left, px), std::min(drawn.top, py), std::max(drawn.right, px + 1),
                         std::max(drawn.bottom, py + 1)};
            });
            if (drawn.left < drawn.right)
                canvas.touch(drawn);
        }
    });
    int under = baseline + m.underline_offset;
    if (style.underline)
        fill(canvas, {x, under, x + xs.back(), under + m.line_thickness}, limit, style.text);
    if (style.strike)
    {
        int y = baseline - m.strike_offset;
        fill(canvas, {x, y, x + xs.back(), y + m.line_thickness}, limit, style.text);
    }
    if (underline_at >= 0 && underline_at < (int)text.size())
        fill(canvas, {x + xs[underline_at], under, x + xs[underline_at + 1], under + 1}, limit, style.text);
}

const RECT kNoLimit = {INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};

size_t text_length(LPCWSTR text, int count)
{
    return count < 0 ? std::char_traits<char16_t>::length(text) : (size_t)count;
}

// Text alignment per DC (SetTextAlign). Kept beside the DC record; a handle
// that is reused after its DC died starts again from TA_LEFT | TA_TOP.
std::mutex g_align_lock;
std::map<HDC, UINT> g_align;

// Lock held: drop the entries of DCs that no longer exist, now and then.
void forget_dead_dcs()
{
    if (g_align.size() < 64)
        return;
    DWORD error = GetLastError();
    std::erase_if(g_align, [](const auto& entry) { return !os::gdi::dc_get(entry.first); });
    SetLastError(error);
}

UINT align_of(HDC hdc)
{
    std::lock_guard<std::mutex> guard(g_align_lock);
    auto it = g_align.find(hdc);
    return it == g_align.end() ? TA_LEFT | TA_TOP : it->second;
}

// Move a reference point to the top-left of the run per the DC's alignment.
POINT aligned_origin(HDC hdc, Face& face, int x, int y, int width)
{
    UINT a = align_of(hdc);
    if ((a & TA_CENTER) == TA_CENTER)
        x -= width / 2;
    else if (a & TA_RIGHT)
        x -= width;
    if ((a & TA_BASELINE) == TA_BASELINE)
        y -= face.metrics().ascent;
    else if (a & TA_BOTTOM)
        y -= face.metrics().height;
    return {x, y};
}

// ExtTextOutW with explicit advances: draws each character at its own cell.
bool draw_text_at(HDC hdc, int x, int y, UINT options, const RECT* rect, std::u16string_view text, const INT* dx)
{
    auto font = dc_font(hdc);
    if (!font)
        return false;
    os::gdi::Canvas canvas(hdc);
    if (!canvas.ok())
        return false;
    Face& face = *font->face;
    std::lock_guard<std::recursive_mutex> guard(face_lock());
    POINT off = canvas.offset();
    RECT limit = kNoLimit;
    if (rect)
    {
        RECT r = os::gdi::rect_offset(os::gdi::rect_normalize(*rect), off.x, off.y);
        if (options & ETO_OPAQUE)
            fill(canvas, r, kNoLimit, canvas.dc().state.bk_color);
        if (options & ETO_CLIPPED)
            limit = r;
    }
    RunStyle style = style_of(canvas.dc(), *font);
    int width = 0;
    for (size_t i = 0; i < text.size(); ++i)
        width += dx ? dx[i] : face.advance(text[i]);
    POINT o = aligned_origin(hdc, face, x, y, width);
    if (!dx)
    {
        draw_run(canvas, face, style, o.x + off.x, o.y + off.y, text, limit);
        return true;
    }
    int pen = o.x + off.x;
    for (size_t i = 0; i < text.size(); ++i)
    {
        draw_run(canvas, face, style, pen, o.y + off.y, text.substr(i, 1), limit);
        pen += dx[i];
    }
    return true;
}

int draw_text(HDC hdc, std::u16string_view text, RECT* rect, UINT format)
{
    auto font = dc_font(hdc);
    if (!font)
        return 0;
    Face& face = *font->face;
    std::lock_guard<std::recursive_mutex> guard(face_lock());
    TextPlan plan = plan_draw_text(face, text, *rect, format);
    if (format & DT_CALCRECT)
    {
        rect->right = plan.bounds.right;
        rect->bottom = plan.bounds.bottom;
        return plan.result;
    }
    os::gdi::Canvas canvas(hdc);
    if (!canvas.ok())
        return 0;
    POINT off = canvas.offset();
    RECT limit = (format & DT_NOCLIP) ? kNoLimit : os::gdi::rect_offset(*rect, off.x, off.y);
    RunStyle style = style_of(canvas.dc(), *font);
    for (const PlacedLine& line : plan.lines)
        draw_run(canvas, face, style, line.x + off.x, line.y + off.y, line.text, limit, line.underline, plan.tab_width);
    return plan.result;
}

bool measure(HDC hdc, std::u16string_view text, int max_extent, int* fit, int* dx, SIZE* size)
{
    auto font = dc_font(hdc);
    if (!font)
        return false;
    std::lock_guard<std::recursive_mutex> guard(face_lock());
    std::vector<int> xs = run_positions(*font->face, text);
    if (fit)
        *fit = (int)(std::upper_bound(xs.begin() + 1, xs.end(), max_extent) - xs.begin() - 1);
    if (dx)
    {
        int n = fit ? *fit : (int)text.size();
        for (int i = 0; i < n; ++i)
            dx[i] = xs[i + 1];
    }
    size->cx = xs.back();
    size->cy = font->face->metrics().height;
    return true;
}

} // namespace

} // namespace os::font

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx)
{
    if (!text && count)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string_view run(text ? text : u"", text ? count : 0);
    return os::font::draw_text_at(hdc, x, y, options, rect, run, dx);
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count)
{
    if (count < 0 || (!text && count))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOutW(hdc, x, y, 0, nullptr, text, (UINT)count, nullptr);
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format)
{
    if (!text || !rect || count < -1)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return os::font::draw_text(hdc, std::u16string_view(text, os::font::text_length(text, count)), rect, format);
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size)
{
    return GetTextExtentExPointW(hdc, text, count, 0, nullptr, nullptr, size);
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int max_extent, LPINT fit, LPINT dx, LPSIZE size)
{
    if (count < 0 || (!text && count) || !size)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string_view run(text ? text : u"", (size_t)count);
    return os::font::measure(hdc, run, max_extent, fit, dx, size);
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    if (!os::gdi::dc_get(hdc))
        return GDI_ERROR;
    std::lock_guard<std::mutex> guard(os::font::g_align_lock);
    os::font::forget_dead_dcs();
    auto [it, fresh] = os::font::g_align.try_emplace(hdc, TA_LEFT | TA_TOP);
    UINT previous = it->second;
    it->second = align;
    return previous;
}

UINT GetTextAlign(HDC hdc)
{
    if (!os::gdi::dc_get(hdc))
        return GDI_ERROR;
    return os::font::align_of(hdc);
}
