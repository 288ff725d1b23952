// image_ops.cpp -- copies, scaling, doubling, filling and tinting
#include "racing/engine/image_ops.h"

#include "engine/base/math_utils.h"
#include "engine/platform/image.h"

#include <os/wstring.h>

#include <algorithm>
#include <cstring>

namespace racing {

namespace {

bool usable(const Image& image)
{
    return image.pixels && (image.bits == 16 || image.bits == 32);
}

uint32_t pixelAt(const Image& image, int x, int y)
{
    const uint8_t* p = image.getPixelAddress(x, y);
    return image.bits == 16 ? *reinterpret_cast<const uint16_t*>(p) : *reinterpret_cast<const uint32_t*>(p);
}

void setPixel(Image& image, int x, int y, uint32_t value)
{
    uint8_t* p = image.getPixelAddress(x, y);
    if (image.bits == 16)
        *reinterpret_cast<uint16_t*>(p) = uint16_t(value);
    else
        *reinterpret_cast<uint32_t*>(p) = value;
}

uint16_t toRgb565(uint32_t c)
{
    return uint16_t((c >> 8 & 0xF800) | (c >> 5 & 0x7E0) | (c >> 3 & 0x1F));
}

bool sameLayout(const Image& a, const Image& b)
{
    return a.bits == b.bits && a.stride == b.stride && a.height == b.height && a.width == b.width;
}

} // namespace

Image* loadImage(const WCHAR* path, bool useScreenDepth)
{
    static const WCHAR* const kKnown[] = {u".jpg", u".JPG", u".jpeg", u".JPEG", u".bmp", u".BMP"};
    for (const WCHAR* extension : kKnown)
        if (path && wcsstr(path, extension))
            return new Image(path, useScreenDepth);
    return new Image(0, 0, useScreenDepth);
}

void copyTransformed(Image& out, const Image& src, bool mirror, bool transpose)
{
    if (!usable(out) || !usable(src) || out.bits != src.bits)
        return;
    // The source must reach every pixel read.
    int needW = transpose ? out.height : out.width, needH = transpose ? out.width : out.height;
    if (src.width < needW || src.height < needH)
        return;
    for (int r = 0; r < out.height; ++r)
        for (int k = 0; k < out.width; ++k)
        {
            uint32_t value = transpose ? pixelAt(src, r, k) : pixelAt(src, k, r);
            if (mirror)
                setPixel(out, out.width - 1 - k, r, value);
            else
                setPixel(out, k, out.height - 1 - r, value);
        }
}

void copyFrom(Image& out, const Image& src, bool useBlit)
{
    if (!usable(out) || !usable(src))
        return;
    if (src.width == out.width && src.height == out.height)
    {
        if (sameLayout(out, src))
            std::memcpy(out.pixels, src.pixels, size_t(out.stride) * size_t(out.height));
        else
            out.drawImage(src, 0, 0);
        return;
    }
    if (useBlit)
        out.drawImage(src, 0, 0);
    else
        scaleFrom(out, src, -1, -1, -1, -1);
}

// Only the place (x, y, width, height) is written: the older form filled the
// whole image whenever the sizes differed and byte-copied rows of another
// stride.
void blit(Image& out, const Image& src, int x, int y, int width, int height)
{
    if (!usable(out) || !usable(src))
        return;
    if (width == src.width && height == src.height)
    {
        if (x == 0 && y == 0 && sameLayout(out, src))
            std::memcpy(out.pixels, src.pixels, size_t(out.stride) * size_t(out.height));
        else
            out.drawImage(src, x, y);
        return;
    }
    if (x == 0 && y == 0 && width == out.width && height == out.height && out.width / 2 == src.width &&
        out.height / 2 == src.height && out.bits == src.bits)
    {
        doubleFrom(out, src);
        return;
    }
    out.drawScaled(src, x, y, width, height);
}

void scaleFrom(Image& out, const Image& src, int srcX, int srcY, int srcW, int srcH)
{
    if (!usable(out) || !usable(src) || out.bits != src.bits || out.width <= 0 || out.height <= 0)
        return;
    if (srcX < 0 || srcY < 0 || srcW < 0 || srcH < 0)
        srcX = 0, srcY = 0, srcW = src.width, srcH = src.height;
    srcW = std::min(srcW, src.width - srcX);
    srcH = std::min(srcH, src.height - srcY);
    if (srcW <= 0 || srcH <= 0)
        return;
    int stepX = (srcW << 10) / out.width, stepY = (srcH << 10) / out.height;
    for (int j = 0; j < out.height; ++j)
    {
        int sy = srcY + (j * stepY >> 10);
        for (int i = 0; i < out.width; ++i)
            setPixel(out, i, j, pixelAt(src, srcX + (i * stepX >> 10), sy));
    }
}

void doubleFrom(Image& out, const Image& src)
{
    if (!usable(out) || !usable(src) || out.bits != src.bits || out.width / 2 != src.width ||
        out.height / 2 != src.height)
        return;
    for (int y = 0; y < src.height; ++y)
    {
        for (int x = 0; x < src.width; ++x)
        {
            uint32_t value = pixelAt(src, x, y);
            setPixel(out, 2 * x, 2 * y, value);
            setPixel(out, 2 * x + 1, 2 * y, value);
        }
        std::memcpy(out.getPixelAddress(0, 2 * y + 1), out.getPixelAddress(0, 2 * y), size_t(out.stride));
    }
}

void fill(Image& out, uint32_t colour)
{
    if (!usable(out))
        return;
    uint32_t value = out.bits == 16 ? toRgb565(colour) : (colour & 0xFFFFFF);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            setPixel(out, x, y, value);
}

void blendColor(Image& out, int mode, uint32_t colour)
{
    if (!usable(out) || (mode != 2 && mode != 4))
        return;
    uint32_t c16 = toRgb565(colour);
    int cr5 = int(c16 >> 11), cg6 = int(c16 >> 5 & 0x3F), cb5 = int(c16 & 0x1F);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
        {
            uint32_t p = pixelAt(out, x, y);
            if (out.bits == 32)
            {
                if (mode == 2)
                    p = addColorSaturated(p, colour);
                else
                    p = (((p >> 16 & 0xFF) * (colour >> 16 & 0xFF) >> 8) << 16) |
                        (((p >> 8 & 0xFF) * (colour >> 8 & 0xFF) >> 8) << 8) | ((p & 0xFF) * (colour & 0xFF) >> 8);
            }
            else
            {
                int r = int(p >> 11), g = int(p >> 5 & 0x3F), b = int(p & 0x1F);
                if (mode == 2)
                    r = std::min(r + cr5, 31), g = std::min(g + cg6, 63), b = std::min(b + cb5, 31);
                else
                    r = r * cr5 >> 5, g = g * cg6 >> 6, b = b * cb5 >> 5;
                p = uint32_t(r << 11 | g << 5 | b);
            }
            setPixel(out, x, y, p);
        }
}

} // namespace racing
