// image_copies.cpp -- turned, scaled, doubled and tinted whole-image copies
#include "engine/platform/image.h"

#include "engine/base/math_utils.h"
#include "engine/platform/pixel_format.h"

#include <algorithm>
#include <cstring>

namespace {

bool usable(const Image& image)
{
    return image.pixels && (image.bits == 16 || image.bits == 32);
}

bool sameLayout(const Image& a, const Image& b)
{
    return a.bits == b.bits && a.stride == b.stride && a.height == b.height && a.width == b.width;
}

} // namespace

void Image::copyTransformed(const Image& source, bool mirror, bool transpose)
{
    if (!usable(*this) || !usable(source) || bits != source.bits)
        return;
    int needW = transpose ? height : width, needH = transpose ? width : height;
    if (source.width < needW || source.height < needH)
        return;
    for (int r = 0; r < height; ++r)
        for (int k = 0; k < width; ++k)
        {
            uint32_t value = transpose ? source.pixelRaw(r, k) : source.pixelRaw(k, r);
            if (mirror)
                setPixelRaw(width - 1 - k, r, value);
            else
                setPixelRaw(k, height - 1 - r, value);
        }
}

void Image::copyFrom(const Image& source, bool useBlit)
{
    if (!usable(*this) || !usable(source))
        return;
    if (source.width == width && source.height == height)
    {
        if (sameLayout(*this, source))
            std::memcpy(pixels, source.pixels, size_t(stride) * size_t(height));
        else
            drawImage(source, 0, 0);
        return;
    }
    if (useBlit)
        drawImage(source, 0, 0);
    else
        scaleFrom(source, -1, -1, -1, -1);
}

// The older form filled the whole image whenever the sizes differed and
// byte-copied rows of another stride; only the place is written here.
void Image::blit(const Image& source, int x, int y, int w, int h)
{
    if (!usable(*this) || !usable(source))
        return;
    if (w == source.width && h == source.height)
    {
        if (x == 0 && y == 0 && sameLayout(*this, source))
            std::memcpy(pixels, source.pixels, size_t(stride) * size_t(height));
        else
            drawImage(source, x, y);
        return;
    }
    if (x == 0 && y == 0 && w == width && h == height && width / 2 == source.width && height / 2 == source.height &&
        bits == source.bits)
    {
        doubleFrom(source);
        return;
    }
    drawScaled(source, x, y, w, h);
}

void Image::scaleFrom(const Image& source, int srcX, int srcY, int srcW, int srcH)
{
    if (!usable(*this) || !usable(source) || bits != source.bits || width <= 0 || height <= 0)
        return;
    if (srcX < 0 || srcY < 0 || srcW < 0 || srcH < 0)
        srcX = 0, srcY = 0, srcW = source.width, srcH = source.height;
    srcW = std::min(srcW, source.width - srcX);
    srcH = std::min(srcH, source.height - srcY);
    if (srcW <= 0 || srcH <= 0)
        return;
    int stepX = (srcW << 10) / width, stepY = (srcH << 10) / height;
    for (int j = 0; j < height; ++j)
    {
        int sy = srcY + (j * stepY >> 10);
        for (int i = 0; i < width; ++i)
            setPixelRaw(i, j, source.pixelRaw(srcX + (i * stepX >> 10), sy));
    }
}

void Image::doubleFrom(const Image& source)
{
    if (!usable(*this) || !usable(source) || bits != source.bits || width / 2 != source.width ||
        height / 2 != source.height)
        return;
    for (int y = 0; y < source.height; ++y)
    {
        for (int x = 0; x < source.width; ++x)
        {
            uint32_t value = source.pixelRaw(x, y);
            setPixelRaw(2 * x, 2 * y, value);
            setPixelRaw(2 * x + 1, 2 * y, value);
        }
        std::memcpy(getPixelAddress(0, 2 * y + 1), getPixelAddress(0, 2 * y), size_t(stride));
    }
}

void Image::fill(uint32_t colour)
{
    if (usable(*this))
        fillWhole(toPixel(colour & 0xFFFFFF));
}

void Image::blendColor(int mode, int, uint32_t colour)
{
    if (!usable(*this) || (mode != 2 && mode != 4))
        return;
    uint32_t c16 = rgbTo565(colour);
    int cr5 = int(c16 >> 11), cg6 = int(c16 >> 5 & 0x3F), cb5 = int(c16 & 0x1F);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            uint32_t p = pixelRaw(x, y);
            if (bits == 32)
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
            setPixelRaw(x, y, p);
        }
}
