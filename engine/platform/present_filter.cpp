// present_filter.cpp -- the colour-blend fade
#include "engine/platform/present_filter.h"

#include "engine/platform/image.h"
#include "engine/platform/pixel_format.h"

#include <algorithm>

namespace {

// c + floor((k - c) * amount / 256); the shift floors negative steps too.
inline uint32_t blendChannel(uint32_t c, uint32_t k, int amount)
{
    return uint32_t(int(c) + ((int(k) - int(c)) * amount >> 8));
}

} // namespace

void ColorBlendFilter::apply(int zoom256)
{
    if (!image || image->isEmpty() || amount == 0)
        return;
    // An amount outside 0..256 would carry one channel into the next.
    amount = std::clamp(amount, 0, 256);
    // Never beyond the picture, whatever the zoom.
    zoom256 = std::clamp(zoom256, 0, 256);
    int areaWidth = (image->width * zoom256) >> 8;
    int areaHeight = (image->height * zoom256) >> 8;
    if (image->bits == 16)
        apply16(areaWidth, areaHeight);
    else
        apply32(areaWidth, areaHeight);
}

void ColorBlendFilter::apply16(int areaWidth, int areaHeight)
{
    uint16_t k = rgbTo565(colour);
    uint32_t kr = k >> 11, kg = (k >> 5) & 0x3F, kb = k & 0x1F;
    for (int y = 0; y < areaHeight; ++y)
    {
        auto* row = reinterpret_cast<uint16_t*>(image->getPixelAddress(0, y));
        for (int x = 0; x < areaWidth; ++x)
        {
            uint16_t p = row[x];
            uint32_t r = blendChannel(p >> 11, kr, amount);
            uint32_t g = blendChannel((p >> 5) & 0x3F, kg, amount);
            uint32_t b = blendChannel(p & 0x1F, kb, amount);
            row[x] = uint16_t(r << 11 | g << 5 | b);
        }
    }
}

void ColorBlendFilter::apply32(int areaWidth, int areaHeight)
{
    uint32_t kr = (colour >> 16) & 0xFF, kg = (colour >> 8) & 0xFF, kb = colour & 0xFF;
    for (int y = 0; y < areaHeight; ++y)
    {
        auto* row = reinterpret_cast<uint32_t*>(image->getPixelAddress(0, y));
        for (int x = 0; x < areaWidth; ++x)
        {
            uint32_t p = row[x];
            uint32_t r = blendChannel((p >> 16) & 0xFF, kr, amount);
            uint32_t g = blendChannel((p >> 8) & 0xFF, kg, amount);
            uint32_t b = blendChannel(p & 0xFF, kb, amount);
            row[x] = r << 16 | g << 8 | b;
        }
    }
}
