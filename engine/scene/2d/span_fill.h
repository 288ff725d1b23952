// span_fill.h -- the pixel rule of the 2D span fillers, for RGB565 (Pixel16)
// and 0x00RRGGBB (Pixel32)
//
// One texel per pixel: masked by the colour key, tinted towards the material
// colour (texturePercent), brightened by color2 (saturating), blended with
// the destination (transparency), then blended by the mask's brightness.
#pragma once

#include "engine/scene/core/pixel_ops.h"
#include "engine/scene/2d/raster_context.h"

#include <cstdint>

// One pixel by the rule; false when the mask hides it. Without a texture
// (texels null) every texel is the material colour.
template <typename F>
inline bool shadeTexel(const FillState& s, int index, uint32_t d, uint32_t& out)
{
    using Pixel = typename F::Word;
    uint32_t m = 0;
    if (s.hasMask)
    {
        m = static_cast<const Pixel*>(s.maskTexels)[index];
        if (m == s.colorKey)
            return false;
    }
    uint32_t t = s.texels ? static_cast<const Pixel*>(s.texels)[index] : s.color;
    if (s.detailLevel != 1)
    {
        if (s.texturePercent < 255)
            t = F::lerp(s.color, t, s.texturePercent);
        if (s.color2 != 0)
            t = F::addSaturated(s.color2, t);
        if (s.transparency != 0)
            t = F::lerp(t, d, s.transparency);
    }
    if (s.masked && m != F::kWhite)
        t = F::lerp(d, t, F::maskAlpha(m));
    out = t;
    return true;
}

// Writes count pixels from row[first] on, texels stepped by (dudx, dvdx).
template <typename F>
inline void fillSpanPixels(const FillState& s, uint8_t* rowBytes, int first, int count, int32_t u, int32_t v,
                           int32_t dudx, int32_t dvdx)
{
    using Pixel = typename F::Word;
    Pixel* row = reinterpret_cast<Pixel*>(rowBytes) + first;
    for (int i = 0; i < count; ++i, u += dudx, v += dvdx)
    {
        int index = int((uint32_t(u) >> 16) & s.texelMaskU) + int((uint32_t(v) >> 16) & s.texelMaskV) * s.rowLength;
        uint32_t t = 0;
        if (shadeTexel<F>(s, index, row[i], t))
            row[i] = Pixel(t);
    }
}
