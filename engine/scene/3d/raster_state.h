// raster_state.h -- the state the triangle set-up hands to the span fillers
#pragma once

#include "engine/scene/core/pixel_ops.h"
#include "engine/scene/3d/rasterizer.h"

#include <cstdint>

// A picture sampled by the fillers: power-of-two masks within its size and
// its real row length, so that no index leaves the image.
struct RasterImage
{
    const uint8_t* pixels = nullptr;
    int32_t bits = 0;
    int32_t rowPixels = 0;
    int32_t maskU = 0, maskV = 0;
    bool convert = false; // stored in the other pixel format than the surface

    void setFrom(const Image* image, int surfaceBits);
    // The texel at index in the surface's pixel format.
    uint32_t read(uint32_t index) const
    {
        if (bits == 16)
        {
            const uint32_t p = reinterpret_cast<const uint16_t*>(pixels)[index];
            if (!convert)
                return p;
            const uint32_t r = p >> 11 & 31, g = p >> 5 & 63, b = p & 31;
            return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
        }
        const uint32_t p = reinterpret_cast<const uint32_t*>(pixels)[index] & 0xFFFFFF;
        return convert ? rgbTo565(p) : p;
    }
};

enum RasterAttribute
{
    kDepth,
    kShadeU,
    kShadeV,
    kTexelU,
    kTexelV,
    kAttributeCount
};

struct Rasterizer::Edge
{
    int32_t x = 0, xStep = 0;
    int32_t a[kAttributeCount] = {}, aStep[kAttributeCount] = {};
};

// The racing fog weight of depth f in the band (front, back]: the quotient
// ((back - f) << 8) / (back - front). For bands under 2^24 units through a
// multiplier, divider = ceil(2^64 / (back - front)), which divides every
// 32-bit numerator exactly; wider bands (divider 0) in doubles, exact as
// well (the quotient is below 256, the divisor below 2^32).
inline int32_t fogWeightDivided(int32_t back, int32_t f, uint64_t divider, double range)
{
    const int64_t span = int64_t(back) - f;
    if (divider)
        return int32_t(uint64_t((unsigned __int128)(uint64_t(span) << 8) * divider >> 64));
    return int32_t(double(span) * 256.0 / range);
}

// The multiplier of fogWeightDivided for a band of that many units (0 for
// bands of 2^24 units and more).
inline uint64_t fogDividerFor(int64_t range)
{
    if (range <= 1)
        return ~uint64_t(0); // a band of one unit holds only the numerator 0
    return range < (int64_t(1) << 24) ? ~uint64_t(0) / uint64_t(range) + 1 : 0;
}

struct Rasterizer::State
{
    // Surface and frame: the clip rectangle's first pixel and depth word.
    uint8_t* origin = nullptr;
    int32_t stride = 0, width = 0;
    uint32_t* depth = nullptr;
    const uint32_t* diffuse = nullptr;
    const uint32_t* specular = nullptr;
    // Fog.
    bool fogLoaded = false;
    uint32_t fogColor = 0;
    int32_t fogFront = 0, fogBack = 0, fogScale = 0;
    // The per-pixel division by back - front (the racing profile's).
    bool fogDivide = false;
    double fogRange = 1.0;
    uint64_t fogDivider = 0;
    // Material.
    int32_t detailLevel = 2;
    uint32_t color = 0, color2 = 0, colorKey = 0;
    RasterImage texture, mask, reflection;
    bool hasTexture = false, hasMask = false, alphaMask = false;
    bool flat = false;
    int32_t transparency = 0, shininessStrength = 255, texturePercent = 255, reflectionPercent = 255;
    int32_t reflectionIndexMask = 0;
    Rasterizer::SpanFiller fillSpans = nullptr;
    // Triangle.
    bool fogOn = false;
    uint32_t triangleFogColor = 0;
    int32_t flatIndex = -1;
    int32_t gradient[kAttributeCount] = {};
    Edge left, right;
};
