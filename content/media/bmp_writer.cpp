// bmp_writer.cpp -- BMP file images
#include "content/media/bmp_writer.h"

namespace media {

namespace {

uint32_t colourTableBytes(const BmpOptions& o)
{
    if (o.bits <= 8)
        return uint32_t(4 * (1 << o.bits));
    return o.masks565 ? 12u : 0u;
}

void putHeaders(Bytes& b, int width, int height, int stride, const BmpOptions& o)
{
    uint32_t offset = 14 + 40 + colourTableBytes(o);
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + uint32_t(stride * height));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, uint32_t(width));
    put32(b, uint32_t(o.topDown ? -height : height));
    put16(b, 1);
    put16(b, uint32_t(o.bits));
    put32(b, o.masks565 ? 3 : 0);
    put32(b, uint32_t(stride * height));
    for (int i = 0; i < 4; ++i)
        put32(b, 0);
}

void putColourTable(Bytes& b, const BmpOptions& o)
{
    if (o.bits <= 8)
        for (int i = 0; i < (1 << o.bits); ++i)
            put32(b, size_t(i) < o.palette.size() ? o.palette[size_t(i)] : 0);
    if (o.masks565)
    {
        put32(b, 0xF800);
        put32(b, 0x07E0);
        put32(b, 0x001F);
    }
}

Bytes packRow(int y, int width, int stride, const PixelFn& pixel, const BmpOptions& o)
{
    Bytes line(size_t(stride), 0);
    for (int x = 0; x < width; ++x)
    {
        uint32_t v = bmpPixel(pixel(x, y), o);
        int bit = x * o.bits;
        if (o.bits < 8)
            line[size_t(bit / 8)] |= uint8_t(v << (8 - o.bits - bit % 8));
        else
            for (int k = 0; k < o.bits / 8; ++k)
                line[size_t(bit / 8 + k)] = uint8_t(v >> (8 * k));
    }
    return line;
}

} // namespace

uint32_t bmpPixel(uint32_t c, const BmpOptions& o)
{
    uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    if (o.bits == 16)
        return o.masks565 ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3 : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    if (o.bits <= 8)
        for (size_t i = 0; i < o.palette.size(); ++i)
            if (o.palette[i] == c)
                return uint32_t(i);
    return c;
}

Bytes makeBmp(int width, int height, const PixelFn& pixel, const BmpOptions& o)
{
    int stride = ((o.bits * width + 31) / 32) * 4;
    Bytes b;
    putHeaders(b, width, height, stride, o);
    putColourTable(b, o);
    for (int row = 0; row < height; ++row)
    {
        Bytes line = packRow(o.topDown ? row : height - 1 - row, width, stride, pixel, o);
        b.insert(b.end(), line.begin(), line.end());
    }
    return b;
}

} // namespace media
