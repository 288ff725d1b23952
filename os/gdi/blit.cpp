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
// Blits from a source without a brush onto 16- and 32-bit surfaces go a row
// at a time: the source row (sampled when stretched) is converted into the
// destination's format as a whole (RGB565 and 0x00RRGGBB directly), then
// combined by a loop made for the raster operation. Same-format copies move
// whole rows.
#include "os/gdi/gdi_private.h"
#include "os/gdi/pixel_rows.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

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

// Row buffers kept from blit to blit, one pair per thread.
template <class T>
T* row_space(int which, int n)
{
    thread_local std::vector<uint32_t> buffers[2];
    std::vector<uint32_t>& buffer = buffers[which];
    size_t words = (size_t(n) * sizeof(T) + 3) / 4;
    if (buffer.size() < words)
    {
        buffer.resize(words);
    }
    return reinterpret_cast<T*>(buffer.data());
}

// Whether a blit goes a row at a time: a source, no brush, a 16- or 32-bit destination.
bool by_rows(const Blit& b)
{
    int bpp = format_bpp(b.dst.surface().format);
    return b.src && !b.brush && (bpp == 16 || bpp == 32);
}

// n source pixels of row sy, at columns sx + i (columns null) or columns[i],
// as destination pixel values of type T.
template <class T>
const T* source_row(const Blit& b, int sy, int sx, const int* columns, int n)
{
    const Surface& s = *b.src;
    const Surface& d = b.dst.surface();
    const uint8_t* row = s.row(sy);
    auto sampled = [&](const auto* pixels, int which) {
        using Pixel = std::remove_const_t<std::remove_pointer_t<decltype(pixels)>>;
        if (!columns)
        {
            return pixels + sx;
        }
        Pixel* out = row_space<Pixel>(which, n);
        sample_row<Pixel>(out, pixels, columns, n, Pixel(~0u));
        return const_cast<const Pixel*>(out);
    };
    if (b.convert->same())
    {
        return sampled(reinterpret_cast<const T*>(row), 0);
    }
    T* out = row_space<T>(0, n);
    if constexpr (sizeof(T) == 4)
    {
        if (s.format == PixelFormat::Rgb565 && d.format == PixelFormat::Rgb32)
        {
            row_565_to_32(out, sampled(reinterpret_cast<const uint16_t*>(row), 1), n);
            return out;
        }
    }
    else
    {
        if (s.format == PixelFormat::Rgb32 && d.format == PixelFormat::Rgb565)
        {
            row_32_to_565(out, sampled(reinterpret_cast<const uint32_t*>(row), 1), n);
            return out;
        }
    }
    for (int i = 0; i < n; ++i)
    {
        out[i] = T((*b.convert)(read_pixel(s, columns ? columns[i] : sx + i, sy)));
    }
    return out;
}

struct RopCopy
{
    static uint32_t one(uint32_t s, uint32_t) { return s; }
#if defined(__SSE2__)
    static __m128i many(__m128i s, __m128i) { return s; }
#endif
};

// n destination pixels from x on row y combined with the source values s;
// results are masked as the format writes them (the top byte of 0x00RRGGBB
// stays clear).
template <class T>
void combine_row(const Blit& b, int x, int y, const T* s, int n, uint32_t mask)
{
    T* dst = reinterpret_cast<T*>(b.dst.surface().row(y)) + x;
    switch (b.rop3)
    {
    case 0xCC: rop_row<RopCopy>(dst, s, n, mask); return;
    case 0x88: rop_row<RopAnd>(dst, s, n, mask); return;
    case 0x66: rop_row<RopXor>(dst, s, n, mask); return;
    case 0xEE: rop_row<RopOr>(dst, s, n, mask); return;
    case 0x44: rop_row<RopErase>(dst, s, n, mask); return;
    case 0x33: rop_row<RopNotCopy>(dst, s, n, mask); return;
    default: break;
    }
    for (int i = 0; i < n; ++i)
    {
        dst[i] = T(apply_rop3(b.rop3, 0, s[i], dst[i]) & mask);
    }
}

// One row of a blit that goes by rows (straight: columns null).
template <class T>
void row_run(const Blit& b, int x, int y, int sx, int sy, const int* columns, int n)
{
    const Surface& d = b.dst.surface();
    const Surface& s = *b.src;
    T* dst = reinterpret_cast<T*>(d.row(y)) + x;
    if (b.rop3 == 0xCC)
    {
        // Copies convert or sample straight into the destination.
        const uint8_t* row = s.row(sy);
        if constexpr (sizeof(T) == 4)
        {
            if (!columns && s.format == PixelFormat::Rgb565 && d.format == PixelFormat::Rgb32)
            {
                return row_565_to_32(dst, reinterpret_cast<const uint16_t*>(row) + sx, n);
            }
        }
        else
        {
            if (!columns && s.format == PixelFormat::Rgb32 && d.format == PixelFormat::Rgb565)
            {
                return row_32_to_565(dst, reinterpret_cast<const uint32_t*>(row) + sx, n);
            }
        }
        if (columns && b.convert->same())
        {
            const T mask = T(d.format == PixelFormat::Rgb32 ? 0x00FFFFFFu : 0xFFFFFFFFu);
            return sample_row<T>(dst, reinterpret_cast<const T*>(row), columns, n, mask);
        }
    }
    // A straight blit between surfaces of one format keeps the top byte of
    // 32-bit pixels only in a copy (which never gets here).
    uint32_t mask = d.format == PixelFormat::Rgb32 || (!columns && b.convert->same()) ? 0x00FFFFFFu : 0xFFFFFFFFu;
    combine_row<T>(b, x, y, source_row<T>(b, sy, sx, columns, n), n, mask);
}

// A stretched row whose source row is the row above's (not a copy): the
// converted samples row_run left in the row buffer are combined again.
template <class T>
void repeat_row(const Blit& b, int x, int y, int n)
{
    uint32_t mask = b.dst.surface().format == PixelFormat::Rgb32 ? 0x00FFFFFFu : 0xFFFFFFFFu;
    combine_row<T>(b, x, y, row_space<T>(0, n), n, mask);
}

// A straight run of n pixels: plain copies move the row, blits by rows
// convert and combine it, the others go pixel by pixel.
void blit_run(const Blit& b, int x, int y, int sx, int sy, int n)
{
    const Surface& d = b.dst.surface();
    int bpp = format_bpp(d.format);
    if (b.rop3 == 0xCC && b.src && b.convert->same() && bpp >= 8)
    {
        memmove(d.row(y) + x * (bpp / 8), b.src->row(sy) + sx * (bpp / 8), size_t(n) * size_t(bpp / 8));
        return;
    }
    if (by_rows(b))
    {
        bpp == 16 ? row_run<uint16_t>(b, x, y, sx, sy, nullptr, n) : row_run<uint32_t>(b, x, y, sx, sy, nullptr, n);
        return;
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
    // Runs of columns whose source lies inside the source bitmap, the same on every row
    int n = r.right - r.left;
    std::vector<std::pair<int, int>> runs;
    for (int start = 0; start < n;)
    {
        if (columns[size_t(start)] < 0)
        {
            ++start;
            continue;
        }
        int end = start;
        while (end < n && columns[size_t(end)] >= 0)
        {
            ++end;
        }
        runs.emplace_back(start, end);
        start = end;
    }
    bool rows = by_rows(b);
    const Surface& d = b.dst.surface();
    bool wide = format_bpp(d.format) == 32;
    int last_sy = -1;
    for (int y = r.top; y < r.bottom; ++y)
    {
        int sy = map_axis(y, b.to.top, b.to.bottom, b.from.top, b.from.bottom, b.flip_y, sh);
        if (sy < 0)
        {
            continue;
        }
        // A copy's row taken from the same source row as the row above is
        // that row again.
        if (rows && b.rop3 == 0xCC && sy == last_sy)
        {
            size_t bytes = size_t(format_bpp(d.format) / 8);
            memcpy(d.row(y) + size_t(r.left) * bytes, d.row(y - 1) + size_t(r.left) * bytes, size_t(n) * bytes);
            continue;
        }
        // Other raster operations combine the same source samples again:
        // they are still in the row buffer when the row has one run.
        if (rows && sy == last_sy && runs.size() == 1)
        {
            auto [start, end] = runs.front();
            wide ? repeat_row<uint32_t>(b, r.left + start, y, end - start)
                 : repeat_row<uint16_t>(b, r.left + start, y, end - start);
            continue;
        }
        last_sy = sy;
        for (auto [start, end] : runs)
        {
            const int* run = columns.data() + start;
            if (rows)
            {
                wide ? row_run<uint32_t>(b, r.left + start, y, 0, sy, run, end - start)
                     : row_run<uint16_t>(b, r.left + start, y, 0, sy, run, end - start);
                continue;
            }
            for (int i = start; i < end; ++i)
            {
                blit_pixel(b, r.left + i, y, columns[size_t(i)], sy);
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
