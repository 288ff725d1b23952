// blit.cpp -- BitBlt, StretchBlt, PatBlt and single pixels
//
// A blit maps every destination pixel inside the destination's clip to a
// source pixel (nearest neighbour; mirrored when the source and destination
// sizes differ in sign), converts the source value to the destination format
// and combines it with the brush and the destination through the ternary
// raster operation. Destination pixels whose source falls outside the source
// bitmap stay as they are. Conversion rules:
//   - colour tables map through their colours;
//   - a monochrome bitmap that is not a DIB section maps 0 to the destination
//     DC's text colour and 1 to its background colour;
//   - colour to monochrome gives 1 where the source is the source DC's
//     background colour, 0 elsewhere.
// Same-format copies move whole rows; RGB565 and 0x00RRGGBB convert directly.
#include "os/gdi/gdi_private.h"

#include <algorithm>
#include <cstring>

namespace os::gdi {

namespace {

uint8_t rop_code(DWORD rop)
{
    return uint8_t(rop >> 16);
}

bool rop_uses_source(uint8_t r)
{
    return (((r >> 2) ^ r) & 0x33) != 0;
}

bool rop_uses_pattern(uint8_t r)
{
    return (((r >> 4) ^ r) & 0x0F) != 0;
}

bool rop_uses_dest(uint8_t r)
{
    return (((r >> 1) ^ r) & 0x55) != 0;
}

bool same_palette(const Surface& a, const Surface& b)
{
    if (a.palette_size != b.palette_size)
    {
        return false;
    }
    return a.palette_size == 0 || memcmp(a.palette, b.palette, size_t(a.palette_size) * sizeof(RGBQUAD)) == 0;
}

// Turns source pixel values into destination pixel values.
class Converter
{
public:
    Converter(const Canvas& src, const Canvas& dst) : src_(src.surface()), dst_(dst.surface())
    {
        bool indexed = format_bpp(src_.format) <= 8;
        if (same_layout(src_, dst_) && (src_.format == PixelFormat::Mono || !indexed || same_palette(src_, dst_)))
        {
            mapping_ = Mapping::Same;
        }
        else if (dst_.format == PixelFormat::Mono && src_.format != PixelFormat::Mono)
        {
            mapping_ = Mapping::ToMono;
            background_ = color_to_pixel(src_, src.dc().state.bk_color);
        }
        else if (indexed)
        {
            mapping_ = Mapping::Table;
            build_table(src, dst);
        }
    }

    bool same() const { return mapping_ == Mapping::Same; }

    uint32_t operator()(uint32_t v) const
    {
        switch (mapping_)
        {
        case Mapping::Same: return v;
        case Mapping::Table: return v < table_.size() ? table_[v] : 0;
        case Mapping::ToMono: return v == background_ ? 1u : 0u;
        case Mapping::Direct: break;
        }
        return color_to_pixel(dst_, pixel_to_color(src_, v));
    }

private:
    enum class Mapping
    {
        Same,
        Table,
        Direct,
        ToMono,
    };

    void build_table(const Canvas& src, const Canvas& dst)
    {
        bool mono_ddb = src_.format == PixelFormat::Mono && src.bitmap() && !src.bitmap()->dib;
        int count = 1 << format_bpp(src_.format);
        for (int i = 0; i < count; ++i)
        {
            COLORREF color = pixel_to_color(src_, uint32_t(i));
            if (mono_ddb)
            {
                color = i ? dst.dc().state.bk_color : dst.dc().state.text_color;
            }
            table_.push_back(color_to_pixel(dst_, color));
        }
    }

    const Surface& src_;
    const Surface& dst_;
    Mapping mapping_ = Mapping::Direct;
    uint32_t background_ = 0;
    std::vector<uint32_t> table_;
};

// One blit, in device coordinates of each side.
struct Blit
{
    Canvas& dst;
    const Surface* src = nullptr; // nullptr when the rop ignores the source
    const Converter* convert = nullptr;
    const Brush* brush = nullptr; // nullptr when the rop ignores the pattern
    uint8_t rop3 = 0xCC;
    RECT to{};   // normalised destination rectangle
    RECT from{}; // normalised source rectangle
    bool flip_x = false;
    bool flip_y = false;
};

bool stretched(const Blit& b)
{
    return b.flip_x || b.flip_y || b.to.right - b.to.left != b.from.right - b.from.left ||
           b.to.bottom - b.to.top != b.from.bottom - b.from.top;
}

// Source coordinate of destination coordinate d along one axis (each
// destination pixel takes the source pixel its left or top edge falls in);
// -1 outside the source.
int map_axis(int d, int to_lo, int to_hi, int from_lo, int from_hi, bool flip, int limit)
{
    int64_t n = int64_t(to_hi) - to_lo;
    int64_t m = int64_t(from_hi) - from_lo;
    int64_t j = (int64_t(d) - to_lo) * m / n;
    if (flip)
    {
        j = m - 1 - j;
    }
    int64_t s = from_lo + j;
    return s >= 0 && s < limit ? int(s) : -1;
}

void blit_pixel(const Blit& b, int x, int y, int sx, int sy)
{
    const Surface& d = b.dst.surface();
    uint32_t s = b.src ? (*b.convert)(read_pixel(*b.src, sx, sy)) : 0;
    uint32_t p = b.brush ? b.dst.brush_pixel(*b.brush, x, y) : 0;
    uint32_t old = rop_uses_dest(b.rop3) ? read_pixel(d, x, y) : 0;
    write_pixel(d, x, y, apply_rop3(b.rop3, p, s, old));
}

void row_565_to_32(uint32_t* out, const uint16_t* in, int n)
{
    for (int i = 0; i < n; ++i)
    {
        uint32_t v = in[i];
        uint32_t r = v >> 11 & 31, g = v >> 5 & 63, bl = v & 31;
        out[i] = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (bl << 3 | bl >> 2);
    }
}

void row_32_to_565(uint16_t* out, const uint32_t* in, int n)
{
    for (int i = 0; i < n; ++i)
    {
        uint32_t v = in[i];
        out[i] = uint16_t((v >> 8 & 0xF800) | (v >> 5 & 0x07E0) | (v >> 3 & 0x001F));
    }
}

// Source and destination in one direct format, no brush: the masked-sprite case.
template <class T>
void rop_run(T* dst, const T* src, int n, uint8_t rop3, uint32_t mask)
{
    for (int i = 0; i < n; ++i)
    {
        dst[i] = T(apply_rop3(rop3, 0, src[i], dst[i]) & mask);
    }
}

// A straight run of n pixels: the fast paths of plain copies, else per pixel.
void blit_run(const Blit& b, int x, int y, int sx, int sy, int n)
{
    const Surface& d = b.dst.surface();
    if (b.src && !b.brush && b.convert->same() && format_bpp(d.format) >= 16 && b.rop3 != 0xCC)
    {
        if (format_bpp(d.format) == 16)
        {
            rop_run(reinterpret_cast<uint16_t*>(d.row(y)) + x, reinterpret_cast<const uint16_t*>(b.src->row(sy)) + sx,
                    n, b.rop3, 0xFFFFu);
            return;
        }
        if (format_bpp(d.format) == 32)
        {
            rop_run(reinterpret_cast<uint32_t*>(d.row(y)) + x, reinterpret_cast<const uint32_t*>(b.src->row(sy)) + sx,
                    n, b.rop3, 0x00FFFFFFu);
            return;
        }
    }
    if (b.rop3 == 0xCC && b.src)
    {
        int bpp = format_bpp(d.format);
        if (b.convert->same() && bpp >= 8)
        {
            memmove(d.row(y) + x * (bpp / 8), b.src->row(sy) + sx * (bpp / 8), size_t(n) * size_t(bpp / 8));
            return;
        }
        if (b.src->format == PixelFormat::Rgb565 && d.format == PixelFormat::Rgb32)
        {
            row_565_to_32(reinterpret_cast<uint32_t*>(d.row(y)) + x,
                          reinterpret_cast<const uint16_t*>(b.src->row(sy)) + sx, n);
            return;
        }
        if (b.src->format == PixelFormat::Rgb32 && d.format == PixelFormat::Rgb565)
        {
            row_32_to_565(reinterpret_cast<uint16_t*>(d.row(y)) + x,
                          reinterpret_cast<const uint32_t*>(b.src->row(sy)) + sx, n);
            return;
        }
    }
    for (int i = 0; i < n; ++i)
    {
        blit_pixel(b, x + i, y, sx + i, sy);
    }
}

// One clipped destination rectangle of an unstretched blit.
void blit_straight(const Blit& b, const RECT& r)
{
    int dx = b.from.left - b.to.left;
    int dy = b.from.top - b.to.top;
    RECT run = r;
    if (b.src)
    {
        run = rect_intersect(r, rect_offset(RECT{0, 0, b.src->width, b.src->height}, -dx, -dy));
    }
    for (int y = run.top; y < run.bottom; ++y)
    {
        blit_run(b, run.left, y, run.left + dx, y + dy, run.right - run.left);
    }
    b.dst.touch(run);
}

void blit_stretched(const Blit& b, const RECT& r)
{
    int sw = b.src ? b.src->width : INT32_MAX;
    int sh = b.src ? b.src->height : INT32_MAX;
    std::vector<int> columns;
    for (int x = r.left; x < r.right; ++x)
    {
        columns.push_back(map_axis(x, b.to.left, b.to.right, b.from.left, b.from.right, b.flip_x, sw));
    }
    for (int y = r.top; y < r.bottom; ++y)
    {
        int sy = map_axis(y, b.to.top, b.to.bottom, b.from.top, b.from.bottom, b.flip_y, sh);
        for (int x = r.left; sy >= 0 && x < r.right; ++x)
        {
            if (columns[size_t(x - r.left)] >= 0)
            {
                blit_pixel(b, x, y, columns[size_t(x - r.left)], sy);
            }
        }
    }
    b.dst.touch(r);
}

void run_blit(const Blit& b)
{
    bool stretch = stretched(b);
    for (const RECT& c : b.dst.clip())
    {
        RECT r = rect_intersect(c, b.to);
        if (rect_empty(r))
        {
            continue;
        }
        if (stretch)
        {
            blit_stretched(b, r);
        }
        else
        {
            blit_straight(b, r);
        }
    }
}

// The rectangle x, y, w, h in device coordinates, normalised; flipped when w or h is negative.
RECT device_rect(POINT offset, int x, int y, int w, int h, bool* flip_x, bool* flip_y)
{
    *flip_x = w < 0;
    *flip_y = h < 0;
    return rect_offset(rect_normalize(RECT{x, y, x + w, y + h}), offset.x, offset.y);
}

// A private copy of a surface, so that a blit within one surface reads the
// pixels as they were before it started.
Surface snapshot(const Surface& s, std::vector<uint8_t>& keep)
{
    size_t row_bytes = (size_t(s.width) * size_t(format_bpp(s.format)) + 7) / 8;
    keep.resize(row_bytes * size_t(s.height));
    for (int y = 0; y < s.height; ++y)
    {
        memcpy(keep.data() + row_bytes * size_t(y), s.row(y), row_bytes);
    }
    Surface copy = s;
    copy.top = keep.data();
    copy.stride = ptrdiff_t(row_bytes);
    return copy;
}

// The source side of a blit: its rectangle, mirroring, pixels and conversion.
BOOL blit_with_source(Blit& b, bool flip_x, bool flip_y, HDC src_dc, int sx, int sy, int sw, int sh)
{
    Canvas src(src_dc);
    if (!src.ok())
    {
        return FALSE;
    }
    bool src_flip_x = false, src_flip_y = false;
    b.from = device_rect(src.offset(), sx, sy, sw, sh, &src_flip_x, &src_flip_y);
    b.flip_x = flip_x != src_flip_x;
    b.flip_y = flip_y != src_flip_y;
    std::vector<uint8_t> kept;
    Surface source = src.surface().top == b.dst.surface().top ? snapshot(src.surface(), kept) : src.surface();
    Converter convert(src, b.dst);
    b.src = &source;
    b.convert = &convert;
    if (!rect_empty(b.from))
    {
        run_blit(b);
    }
    return TRUE;
}

BOOL stretch_blt(HDC hdc, int x, int y, int w, int h, HDC src_dc, int sx, int sy, int sw, int sh, DWORD rop)
{
    Canvas dst(hdc);
    if (!dst.ok())
    {
        return FALSE;
    }
    Blit b{dst};
    b.rop3 = rop_code(rop);
    bool flip_x = false, flip_y = false;
    b.to = device_rect(dst.offset(), x, y, w, h, &flip_x, &flip_y);
    auto brush = dst.brush();
    if (rop_uses_pattern(b.rop3))
    {
        if (brush->log.lbStyle == BS_NULL)
        {
            return TRUE; // nothing to paint with
        }
        b.brush = brush.get();
    }
    if (rop_uses_source(b.rop3))
    {
        return blit_with_source(b, flip_x, flip_y, src_dc, sx, sy, sw, sh);
    }
    b.from = b.to;
    run_blit(b);
    return TRUE;
}

} // namespace

} // namespace os::gdi

using namespace os::gdi;

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int src_x, int src_y, DWORD rop)
{
    return stretch_blt(dst, x, y, width, height, src, src_x, src_y, width, height, rop);
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int src_x, int src_y, int src_width,
                int src_height, DWORD rop)
{
    return stretch_blt(dst, x, y, width, height, src, src_x, src_y, src_width, src_height, rop);
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
    if (rop_uses_source(rop_code(rop)))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return stretch_blt(hdc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    Canvas canvas(hdc);
    POINT o = canvas.ok() ? canvas.offset() : POINT{0, 0};
    if (!canvas.ok() || !canvas.visible(x + o.x, y + o.y))
    {
        return CLR_INVALID;
    }
    return pixel_to_color(canvas.surface(), read_pixel(canvas.surface(), x + o.x, y + o.y));
}

// Answers the colour actually set (the nearest the format can show), or
// CLR_INVALID outside the clip.
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    Canvas canvas(hdc);
    POINT o = canvas.ok() ? canvas.offset() : POINT{0, 0};
    if (!canvas.ok() || !canvas.visible(x + o.x, y + o.y))
    {
        return CLR_INVALID;
    }
    canvas.put_pixel(x + o.x, y + o.y, color);
    return pixel_to_color(canvas.surface(), color_to_pixel(canvas.surface(), color));
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color)
{
    return SetPixel(hdc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}
