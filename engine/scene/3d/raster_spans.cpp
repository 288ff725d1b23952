// raster_spans.cpp -- the per-pixel work of the triangle filler: texels,
// masks, light by detail level, transparency, specular, reflection and fog
//
// The row loop is chosen once per material from a table of loops, each
// compiled for one surface format, detail level, kind of mask, presence of a
// texture and whether the pictures are stored in the surface's format; what
// else is fixed for the triangle (weights, fog) is read into locals before
// the row, so the loop holds no call and no test of the material's kind.
#include "engine/scene/core/pixel_ops.h"
#include "engine/scene/3d/raster_state.h"

namespace {

using State = Rasterizer::State;
using SpanFiller = Rasterizer::SpanFiller;

enum MaskKind
{
    kNoMask,
    kKeyMask,   // the mask only hides texels at the colour key
    kAlphaMask, // ... and blends by its brightness elsewhere
};

// A picture as the row loop samples it. Native: stored in the surface's
// pixel format and read as one word; otherwise read through a conversion.
template <class P, bool Native>
struct Texels
{
    const typename P::Word* pixels;
    const RasterImage* image;
    uint32_t maskU, maskV, rowPixels;

    explicit Texels(const RasterImage& from)
        : pixels(reinterpret_cast<const typename P::Word*>(from.pixels)), image(&from), maskU(uint32_t(from.maskU)),
          maskV(uint32_t(from.maskV)), rowPixels(uint32_t(from.rowPixels))
    {
    }
    uint32_t at(int32_t u, int32_t v) const
    {
        const uint32_t index = (uint32_t(u >> 16) & maskU) + (uint32_t(v >> 16) & maskV) * rowPixels;
        if constexpr (!Native)
            return image->read(index);
        else if constexpr (sizeof(typename P::Word) == 4)
            return pixels[index] & 0xFFFFFF;
        else
            return pixels[index];
    }
};

// What the pixel rule reads of the material, light and fog, copied into the
// span loop's own frame once a call: stores into the rows cannot alias it,
// so what is fixed for the triangle stays out of the pixel loop.
struct Shading
{
    const uint32_t* diffuse;
    const uint32_t* specular;
    uint32_t color, color2;
    int32_t transparency, shininessStrength, texturePercent, reflectionPercent;
    RasterImage reflection;
    int32_t reflectionIndexMask;
    int32_t fogFront, fogBack, fogScale;
    uint32_t triangleFogColor;

    explicit Shading(const State& s)
        : diffuse(s.diffuse), specular(s.specular), color(s.color), color2(s.color2), transparency(s.transparency),
          shininessStrength(s.shininessStrength), texturePercent(s.texturePercent),
          reflectionPercent(s.reflectionPercent), reflection(s.reflection), reflectionIndexMask(s.reflectionIndexMask),
          fogFront(s.fogFront), fogBack(s.fogBack), fogScale(s.fogScale), triangleFogColor(s.triangleFogColor)
    {
    }
};

// What a pixel of the triangle gets before fog and mask, by detail level.
template <class P, int Level, bool Textured>
inline uint32_t colourByLevel(const Shading& s, uint32_t texel, uint32_t destination, int shade, int32_t shadeU,
                              int32_t shadeV)
{
    if constexpr (Level == 1)
        return texel;
    else if constexpr (Level == 4)
        return s.transparency ? P::lerp(texel, destination, s.transparency) : texel;
    else
    {
        const uint32_t diffuse = s.diffuse[shade];
        if constexpr (Level == 2)
            return P::modulate(diffuse, texel);
        else if constexpr (Level == 3)
        {
            uint32_t c = P::modulate(diffuse, texel);
            if (s.transparency)
                c = P::lerp(c, destination, s.transparency);
            return P::addSaturated(c, P::scale(s.specular[shade], s.shininessStrength));
        }
        else
        {
            uint32_t c = P::modulate(diffuse, s.color);
            if constexpr (Textured)
                c = P::lerp(c, P::modulate(diffuse, texel), s.texturePercent);
            if (s.color2)
                c = P::addSaturated(s.color2, c);
            if (s.transparency)
                c = P::lerp(c, destination, s.transparency);
            uint32_t spec = s.specular[shade];
            if (s.reflection.pixels)
            {
                const int m = s.reflectionIndexMask;
                const uint32_t index =
                    uint32_t((shadeU >> 16) & m) + uint32_t((shadeV >> 16) & m) * uint32_t(s.reflection.rowPixels);
                spec = P::lerp(spec, P::addSaturated(spec, s.reflection.read(index)), s.reflectionPercent);
            }
            return P::addSaturated(c, P::scale(spec, s.shininessStrength));
        }
    }
}

template <class P>
inline uint32_t applyFog(const Shading& s, uint32_t c, uint32_t depth)
{
    const int32_t f = int32_t(depth >> 16);
    if (f <= s.fogFront)
        return c;
    if (f > s.fogBack)
        return s.triangleFogColor;
    const int k = int((int64_t(s.fogBack) - f) * s.fogScale >> 8);
    return P::lerp(s.triangleFogColor, c, k);
}

// Rows [yStart, yEnd) of the current triangle: per row the span from the
// left edge to the right edge, right end exclusive and cut to the clip
// width, with the attributes of the left edge advanced past a negative left
// end; then both edges and the left edge's attributes step to the next row.
// Everything it calls is compiled into it (flatten): the colour arithmetic
// of the fog and the blends runs in the pixel loop, not in calls.
template <class P, int Level, int Mask, bool Textured, bool Native>
[[gnu::flatten]] void fillSpans(State& s, int yStart, int yEnd)
{
    using Word = typename P::Word;
    // Locals, so that the stores into the rows cannot make the compiler read
    // the state again for every pixel.
    const Texels<P, Native> texture(s.texture), mask(s.mask);
    const uint32_t color = s.color, colorKey = s.colorKey;
    const bool fogOn = s.fogOn;
    const Shading shading(s);
    const int width = s.width;
    const int32_t dz = s.gradient[kDepth], dsu = s.gradient[kShadeU], dsv = s.gradient[kShadeV];
    const int32_t dtu = s.gradient[kTexelU], dtv = s.gradient[kTexelV];
    // A flat face reads its one entry through shade coordinates held still.
    const bool flat = s.flatIndex >= 0;
    const int32_t flatU = (s.flatIndex & 63) << 18, flatV = (s.flatIndex >> 6) << 18;
    // The edges in locals; the left edge carries the attributes.
    int32_t leftX = s.left.x, rightX = s.right.x;
    const int32_t leftStep = s.left.xStep, rightStep = s.right.xStep;
    int32_t rowZ = s.left.a[kDepth], rowSU = s.left.a[kShadeU], rowSV = s.left.a[kShadeV];
    int32_t rowTU = s.left.a[kTexelU], rowTV = s.left.a[kTexelV];
    const int32_t* const rowStep = s.left.aStep;
    const int32_t stride = s.stride;
    uint8_t* rowBytes = s.origin + yStart * stride;
    uint32_t* depthRow = s.depth + yStart * width;
    for (int y = yStart; y < yEnd; ++y, rowBytes += stride, depthRow += width)
    {
        int first = leftX >> 16;
        int end = rightX >> 16;
        if (end > width)
            end = width;
        if (end > first && end >= 1)
        {
            int32_t z = rowZ, su = rowSU, sv = rowSV, tu = rowTU, tv = rowTV;
            if (first < 0)
            {
                const int64_t skip = -first;
                z = int32_t(z + dz * skip);
                su = int32_t(su + dsu * skip);
                sv = int32_t(sv + dsv * skip);
                tu = int32_t(tu + dtu * skip);
                tv = int32_t(tv + dtv * skip);
                first = 0;
            }
            if (flat)
                su = flatU, sv = flatV;
            Word* row = reinterpret_cast<Word*>(rowBytes);
            for (int x = first; x < end; ++x, z += dz, su += dsu, sv += dsv, tu += dtu, tv += dtv)
            {
                const uint32_t depth = uint32_t(z);
                if (depth >= depthRow[x])
                    continue;
                uint32_t maskTexel = 0;
                if constexpr (Mask != kNoMask)
                {
                    maskTexel = mask.at(tu, tv);
                    // A mask texel at the colour key hides the pixel, keyed or not.
                    if (maskTexel == colorKey)
                        continue;
                }
                uint32_t texel = color;
                if constexpr (Textured)
                    texel = texture.at(tu, tv);
                uint32_t destination = 0;
                if constexpr (Level >= 3 || Mask == kAlphaMask)
                    destination = row[x];
                int shade = 0;
                if constexpr (Level != 1 && Level != 4)
                    shade = int(((sv >> 18) & 63) * 64 + ((su >> 18) & 63));
                uint32_t c = colourByLevel<P, Level, Textured>(shading, texel, destination, shade, su, sv);
                if (fogOn)
                    c = applyFog<P>(shading, c, depth);
                if constexpr (Mask == kAlphaMask)
                    if (maskTexel != P::kWhite)
                        c = P::lerp(destination, c, P::maskAlpha(maskTexel));
                row[x] = Word(c);
                depthRow[x] = depth;
            }
        }
        leftX += leftStep;
        rightX += rightStep;
        rowZ += rowStep[kDepth];
        rowSU += rowStep[kShadeU];
        rowSV += rowStep[kShadeV];
        rowTU += rowStep[kTexelU];
        rowTV += rowStep[kTexelV];
    }
    s.left.x = leftX;
    s.right.x = rightX;
    s.left.a[kDepth] = rowZ;
    s.left.a[kShadeU] = rowSU;
    s.left.a[kShadeV] = rowSV;
    s.left.a[kTexelU] = rowTU;
    s.left.a[kTexelV] = rowTV;
}

template <class P, int Level, int Mask, bool Textured>
SpanFiller pickNative(bool native)
{
    return native ? &fillSpans<P, Level, Mask, Textured, true> : &fillSpans<P, Level, Mask, Textured, false>;
}

template <class P, int Level, int Mask>
SpanFiller pickTexture(bool textured, bool native)
{
    return textured ? pickNative<P, Level, Mask, true>(native) : pickNative<P, Level, Mask, false>(native);
}

template <class P, int Level>
SpanFiller pickMask(int mask, bool textured, bool native)
{
    switch (mask)
    {
    case kNoMask:
        return pickTexture<P, Level, kNoMask>(textured, native);
    case kKeyMask:
        return pickTexture<P, Level, kKeyMask>(textured, native);
    default:
        return pickTexture<P, Level, kAlphaMask>(textured, native);
    }
}

template <class P>
SpanFiller pickLevel(int level, int mask, bool textured, bool native)
{
    switch (level)
    {
    case 1:
        return pickMask<P, 1>(mask, textured, native);
    case 2:
        return pickMask<P, 2>(mask, textured, native);
    case 3:
        return pickMask<P, 3>(mask, textured, native);
    case 4:
        return pickMask<P, 4>(mask, textured, native);
    default:
        return pickMask<P, 5>(mask, textured, native);
    }
}

} // namespace

Rasterizer::SpanFiller Rasterizer::selectSpanFiller(const State& s, bool rgb565)
{
    const int mask = !s.hasMask ? kNoMask : s.alphaMask ? kAlphaMask : kKeyMask;
    // Texture and mask as stored, or one of them through a conversion.
    const bool native = !(s.hasTexture && s.texture.convert) && !(s.hasMask && s.mask.convert);
    return rgb565 ? pickLevel<Pixel16Wide>(s.detailLevel, mask, s.hasTexture, native)
                  : pickLevel<Pixel32Wide>(s.detailLevel, mask, s.hasTexture, native);
}

void Rasterizer::fillSpans(int yStart, int yEnd)
{
    state->fillSpans(*state, yStart, yEnd);
}
