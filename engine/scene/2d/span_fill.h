// span_fill.h -- the pixel rule of the 2D span fillers, for RGB565 (Pixel16)
// and 0x00RRGGBB (Pixel32)
//
// One texel per pixel: masked by the colour key, tinted towards the material
// colour (texturePercent), brightened by color2 (saturating), blended with
// the destination (transparency), then blended by the mask's brightness.
//
// The span loop is compiled once for every combination of what a material
// fixes for all its quads (surface format, kind of mask, texture or plain
// colour, detail level 1 or above) and of whether the quad's texel row is
// the same along a span (no v step along x: the row offset is taken once a
// span instead of once a texel); the material picks its loops once.
#pragma once

#include "engine/scene/core/pixel_ops.h"
#include "engine/scene/2d/raster_context.h"

#include <cstdint>

namespace spanfill {

enum MaskKind
{
    kNoMask,
    kKeyMask,   // hides texels at the colour key
    kAlphaMask, // ... and blends by its brightness elsewhere
};

// Writes count pixels from row[first] on, texels stepped by (dudx, dvdx);
// Straight: dvdx is 0.
template <typename F, int Mask, bool Textured, bool Tinted, bool Straight>
void fillSpanPixels(const FillState& s, uint8_t* rowBytes, int first, int count, int32_t u, int32_t v, int32_t dudx,
                    int32_t dvdx)
{
    using Pixel = typename F::Word;
    Pixel* row = reinterpret_cast<Pixel*>(rowBytes) + first;
    // Locals, so that the stores into the row cannot make the compiler read
    // the state again for every pixel.
    const Pixel* texels = static_cast<const Pixel*>(s.texels);
    const Pixel* maskTexels = static_cast<const Pixel*>(s.maskTexels);
    const uint32_t maskU = s.texelMaskU, maskV = s.texelMaskV;
    const int rowLength = s.rowLength;
    const uint32_t color = s.color, color2 = s.color2, colorKey = s.colorKey;
    const int32_t texturePercent = s.texturePercent, transparency = s.transparency;
    const int straightRow = int((uint32_t(v) >> 16) & maskV) * rowLength;
    for (int i = 0; i < count; ++i, u += dudx, v += dvdx)
    {
        int index = int((uint32_t(u) >> 16) & maskU);
        if constexpr (Straight)
            index += straightRow;
        else
            index += int((uint32_t(v) >> 16) & maskV) * rowLength;
        uint32_t m = 0;
        if constexpr (Mask != kNoMask)
        {
            m = maskTexels[index];
            if (m == colorKey)
                continue;
        }
        uint32_t t = color;
        if constexpr (Textured)
            t = texels[index];
        if constexpr (Tinted)
        {
            if (texturePercent < 255)
                t = F::lerp(color, t, texturePercent);
            if (color2 != 0)
                t = F::addSaturated(color2, t);
            if (transparency != 0)
                t = F::lerp(t, row[i], transparency);
        }
        if constexpr (Mask == kAlphaMask)
            if (m != F::kWhite)
                t = F::lerp(row[i], t, F::maskAlpha(m));
        row[i] = Pixel(t);
    }
}

template <typename F, int Mask, bool Textured, bool Tinted>
void pickSpans(FillState::SpanPixels out[2])
{
    out[0] = &fillSpanPixels<F, Mask, Textured, Tinted, false>;
    out[1] = &fillSpanPixels<F, Mask, Textured, Tinted, true>;
}

template <typename F, int Mask, bool Textured>
void pickTinted(bool tinted, FillState::SpanPixels out[2])
{
    if (tinted)
        pickSpans<F, Mask, Textured, true>(out);
    else
        pickSpans<F, Mask, Textured, false>(out);
}

template <typename F, int Mask>
void pickTextured(bool textured, bool tinted, FillState::SpanPixels out[2])
{
    if (textured)
        pickTinted<F, Mask, true>(tinted, out);
    else
        pickTinted<F, Mask, false>(tinted, out);
}

template <typename F>
void pickMask(const FillState& s, FillState::SpanPixels out[2])
{
    const bool tinted = s.detailLevel != 1, textured = s.texels != nullptr;
    if (!s.hasMask)
        pickTextured<F, kNoMask>(textured, tinted, out);
    else if (s.masked)
        pickTextured<F, kAlphaMask>(textured, tinted, out);
    else
        pickTextured<F, kKeyMask>(textured, tinted, out);
}

// The two span loops (v stepping, v still) for a loaded state: F, or its
// whole-pixel form Wide when the weights lie in 0..255 (mask weights always
// do), where both give the same pixels.
template <typename F, typename Wide>
void selectSpans(const FillState& s, FillState::SpanPixels out[2])
{
    const bool weightsInRange = s.texturePercent >= 0 && s.transparency >= 0 && s.transparency <= 255;
    if (weightsInRange)
        pickMask<Wide>(s, out);
    else
        pickMask<F>(s, out);
}

} // namespace spanfill
