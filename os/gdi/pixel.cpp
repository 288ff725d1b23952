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

void write_32_raw(uint8_t* row, int x, uint32_t v)
{
    memcpy(row + 4 * x, &v, 4);
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
    {32, 0x00FFFFFFu, read_32, write_32},      {16, 0xFFFFu, read_16, write_16},
    {32, 0xFFFFFFFFu, read_32, write_32_raw},
};

const FormatOps& ops(PixelFormat format)
{
    return kFormats[int(format)];
}



// An n-bit channel value (n >= 1) as 8 bits: a narrower one repeats its
// bits downwards (so full scale stays full scale), a wider one keeps its top.
uint32_t channel_to_8(uint32_t v, int bits)
{
    if (bits >= 8)
    {
        return v >> (bits - 8);
    }
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits)
    {
        out = out << bits | v;
    }
    int total = (8 + bits - 1) / bits * bits;
    return out >> (total - 8);
}

// An 8-bit channel value as n bits: the top bits of a narrower one, a wider
// one repeats its bits downwards.
uint32_t channel_from_8(uint32_t v, int bits)
{
    if (bits <= 8)
    {
        return v >> (8 - bits);
    }
    uint32_t out = 0;
    for (int filled = 0; filled < bits; filled += 8)
    {
        out = out << 8 | v;
    }
    int total = (bits + 7) / 8 * 8;
    return out >> (total - bits);
}

struct Channel
{
    int shift;
    int bits;
};

Channel channel_of(uint32_t mask)
{
    return mask ? Channel{__builtin_ctz(mask), __builtin_popcount(mask)} : Channel{0, 0};
}

uint32_t masked_from_color(const Surface& s, COLORREF color)
{
    const uint32_t parts[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    uint32_t value = 0;
    for (int i = 0; i < 3; ++i)
    {
        Channel c = channel_of(s.masks[i]);
        value |= c.bits ? channel_from_8(parts[i], c.bits) << c.shift & s.masks[i] : 0;
    }
    return value;
}

COLORREF masked_to_color(const Surface& s, uint32_t v)
{
    uint32_t parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
    {
        Channel c = channel_of(s.masks[i]);
        parts[i] = c.bits ? channel_to_8((v & s.masks[i]) >> c.shift, c.bits) : 0;
    }
    return RGB(parts[0], parts[1], parts[2]);
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

bool same_layout(const Surface& a, const Surface& b)
{
    if (a.format != b.format)
    {
        return false;
    }
    bool masked = a.format == PixelFormat::Masked16 || a.format == PixelFormat::Masked32;
    return !masked || memcmp(a.masks, b.masks, sizeof a.masks) == 0;
}

bool usable_masks(const uint32_t masks[3], int bpp)
{
    uint64_t limit = uint64_t(1) << bpp;
    uint32_t seen = 0;
    for (int i = 0; i < 3; ++i)
    {
        uint32_t m = masks[i];
        // One run of ones: adding its lowest bit carries through the run.
        bool contiguous = m != 0 && ((m + (m & -m)) & m) == 0;
        if (!contiguous || m >= limit || (seen & m))
        {
            return false;
        }
        seen |= m;
    }
    return true;
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
    case PixelFormat::Masked16:
    case PixelFormat::Masked32: return masked_from_color(s, color);
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
        return RGB(channel_to_8(v >> 11 & 31, 5), channel_to_8(v >> 5 & 63, 6), channel_to_8(v & 31, 5));
    case PixelFormat::Rgb555:
        return RGB(channel_to_8(v >> 10 & 31, 5), channel_to_8(v >> 5 & 31, 5), channel_to_8(v & 31, 5));
    case PixelFormat::Rgb24:
    case PixelFormat::Rgb32: return RGB(v >> 16 & 255, v >> 8 & 255, v & 255);
    case PixelFormat::Masked16:
    case PixelFormat::Masked32: return masked_to_color(s, v);
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
