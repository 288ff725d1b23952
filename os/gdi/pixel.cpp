// pixel.cpp -- pixel formats: reading, writing and colour conversion, raster ops
//
// One small table row per format; every drawing path goes through these
// primitives or through the row converters of blit.cpp built on them.
#include "os/gdi/gdi_private.h"

#include <cstring>

namespace os::gdi {

namespace {

uint32_t read_mono(const uint8_t* row, int x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1u;
}

void write_mono(uint8_t* row, int x, uint32_t v)
{
    uint8_t bit = uint8_t(0x80u >> (x & 7));
    row[x >> 3] = uint8_t((row[x >> 3] & ~bit) | ((v & 1u) ? bit : 0));
}

uint32_t read_pal4(const uint8_t* row, int x)
{
    return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
}

void write_pal4(uint8_t* row, int x, uint32_t v)
{
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
}

uint32_t read_8(const uint8_t* row, int x)
{
    return row[x];
}

void write_8(uint8_t* row, int x, uint32_t v)
{
    row[x] = uint8_t(v);
}

uint32_t read_16(const uint8_t* row, int x)
{
    uint16_t v;
    memcpy(&v, row + 2 * x, 2);
    return v;
}

void write_16(uint8_t* row, int x, uint32_t v)
{
    uint16_t w = uint16_t(v);
    memcpy(row + 2 * x, &w, 2);
}

uint32_t read_24(const uint8_t* row, int x)
{
    const uint8_t* p = row + 3 * x;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

void write_24(uint8_t* row, int x, uint32_t v)
{
    uint8_t* p = row + 3 * x;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}

uint32_t read_32(const uint8_t* row, int x)
{
    uint32_t v;
    memcpy(&v, row + 4 * x, 4);
    return v;
}

// The top byte of a 0x00RRGGBB pixel stays clear whatever a raster op gives.
void write_32(uint8_t* row, int x, uint32_t v)
{
    v &= 0x00FFFFFFu;
    memcpy(row + 4 * x, &v, 4);
}

struct FormatOps
{
    int bpp;
    uint32_t mask;
    uint32_t (*read)(const uint8_t* row, int x);
    void (*write)(uint8_t* row, int x, uint32_t v);
};

// Indexed by PixelFormat.
const FormatOps kFormats[] = {
    {1, 0x1u, read_mono, write_mono},          {4, 0xFu, read_pal4, write_pal4},
    {8, 0xFFu, read_8, write_8},               {16, 0x7FFFu, read_16, write_16},
    {16, 0xFFFFu, read_16, write_16},          {24, 0xFFFFFFu, read_24, write_24},
    {32, 0x00FFFFFFu, read_32, write_32},
};

const FormatOps& ops(PixelFormat format)
{
    return kFormats[int(format)];
}


// Widen an n-bit channel to 8 bits by repeating its top bits.
uint32_t widen(uint32_t v, int bits)
{
    return (v << (8 - bits)) | (v >> (2 * bits - 8));
}

const RGBQUAD kMonoPalette[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};

uint32_t nearest_entry(const RGBQUAD* palette, int count, COLORREF color)
{
    int r = GetRValue(color);
    int g = GetGValue(color);
    int b = GetBValue(color);
    uint32_t best = 0;
    int best_distance = 1 << 30;
    for (int i = 0; i < count; ++i)
    {
        int dr = palette[i].rgbRed - r;
        int dg = palette[i].rgbGreen - g;
        int db = palette[i].rgbBlue - b;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance)
        {
            best_distance = distance;
            best = uint32_t(i);
        }
    }
    return best;
}

// A surface's colour table; a monochrome bitmap without one is black and white.
const RGBQUAD* palette_of(const Surface& s, int* count)
{
    if (s.palette && s.palette_size > 0)
    {
        *count = s.palette_size;
        return s.palette;
    }
    *count = s.format == PixelFormat::Mono ? 2 : 0;
    return kMonoPalette;
}

} // namespace

int format_bpp(PixelFormat format)
{
    return ops(format).bpp;
}

uint32_t pixel_mask(PixelFormat format)
{
    return ops(format).mask;
}

uint32_t read_pixel(const Surface& s, int x, int y)
{
    return ops(s.format).read(s.row(y), x);
}

void write_pixel(const Surface& s, int x, int y, uint32_t value)
{
    ops(s.format).write(s.row(y), x, value);
}

uint32_t color_to_pixel(const Surface& s, COLORREF color)
{
    uint32_t r = GetRValue(color);
    uint32_t g = GetGValue(color);
    uint32_t b = GetBValue(color);
    switch (s.format)
    {
    case PixelFormat::Rgb565: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    case PixelFormat::Rgb555: return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case PixelFormat::Rgb24:
    case PixelFormat::Rgb32: return r << 16 | g << 8 | b;
    default:
    {
        int count = 0;
        const RGBQUAD* palette = palette_of(s, &count);
        return count ? nearest_entry(palette, count, color) : 0;
    }
    }
}

COLORREF pixel_to_color(const Surface& s, uint32_t v)
{
    switch (s.format)
    {
    case PixelFormat::Rgb565:
        return RGB(widen(v >> 11 & 31, 5), widen(v >> 5 & 63, 6), widen(v & 31, 5));
    case PixelFormat::Rgb555:
        return RGB(widen(v >> 10 & 31, 5), widen(v >> 5 & 31, 5), widen(v & 31, 5));
    case PixelFormat::Rgb24:
    case PixelFormat::Rgb32: return RGB(v >> 16 & 255, v >> 8 & 255, v & 255);
    default:
    {
        int count = 0;
        const RGBQUAD* palette = palette_of(s, &count);
        if (int(v) >= count)
        {
            return RGB(0, 0, 0);
        }
        return RGB(palette[v].rgbRed, palette[v].rgbGreen, palette[v].rgbBlue);
    }
    }
}

uint32_t apply_rop3(uint8_t rop3, uint32_t p, uint32_t s, uint32_t d)
{
    switch (rop3)
    {
    case 0x00: return 0;
    case 0xFF: return ~0u;
    case 0xCC: return s;
    case 0xAA: return d;
    case 0xF0: return p;
    case 0x88: return s & d;
    case 0x66: return s ^ d;
    case 0xEE: return s | d;
    case 0x44: return s & ~d;
    case 0x33: return ~s;
    case 0x55: return ~d;
    case 0x5A: return p ^ d;
    default: break;
    }
    uint32_t result = 0;
    for (int i = 0; i < 8; ++i)
    {
        if (rop3 >> i & 1)
        {
            result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
        }
    }
    return result;
}

// Bit (p << 1 | d) of rop2 - 1 is the result for pen bit p and destination bit d.
uint8_t rop2_to_rop3(int rop2)
{
    if (rop2 < R2_BLACK || rop2 > R2_WHITE)
    {
        rop2 = R2_COPYPEN;
    }
    unsigned table = unsigned(rop2 - 1);
    uint8_t rop3 = 0;
    for (int i = 0; i < 8; ++i)
    {
        int index = ((i >> 2) << 1) | (i & 1);
        if (table >> index & 1)
        {
            rop3 = uint8_t(rop3 | (1 << i));
        }
    }
    return rop3;
}

} // namespace os::gdi
