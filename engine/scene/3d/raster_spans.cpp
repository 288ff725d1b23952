// raster_spans.cpp -- the per-pixel work of the triangle filler: texels,
// masks, light by detail level, transparency, specular, reflection and fog
#include "engine/scene/core/pixel_ops.h"
#include "engine/scene/3d/raster_state.h"

namespace {

using State = Rasterizer::State;

template <class P>
uint32_t colourByLevel(const State& s, uint32_t texel, uint32_t destination, int shade, int32_t shadeU, int32_t shadeV)
{
    const uint32_t diffuse = s.diffuse[shade];
    switch (s.detailLevel)
    {
    case 1:
        return texel;
    case 2:
        return P::modulate(diffuse, s.hasTexture ? texel : s.color);
    case 3: {
        uint32_t c = P::modulate(diffuse, s.hasTexture ? texel : s.color);
        if (s.transparency)
            c = P::lerp(c, destination, s.transparency);
        return P::addSaturated(c, P::scale(s.specular[shade], s.shininessStrength));
    }
    case 4:
        return s.transparency ? P::lerp(texel, destination, s.transparency) : texel;
    default: {
        uint32_t c = P::modulate(diffuse, s.color);
        if (s.hasTexture)
            c = P::lerp(c, P::modulate(diffuse, texel), s.texturePercent);
        if (s.color2)
            c = P::addSaturated(s.color2, c);
        if (s.transparency)
            c = P::lerp(c, destination, s.transparency);
        uint32_t spec = s.specular[shade];
        if (s.reflection.pixels)
        {
            const int m = s.reflectionIndexMask;
            const uint32_t index = uint32_t((shadeU >> 16) & m) + uint32_t((shadeV >> 16) & m) * uint32_t(s.reflection.rowPixels);
            spec = P::lerp(spec, P::addSaturated(spec, s.reflection.read(index)), s.reflectionPercent);
        }
        return P::addSaturated(c, P::scale(spec, s.shininessStrength));
    }
    }
}

template <class P>
uint32_t applyFog(const State& s, uint32_t c, uint32_t depth)
{
    const int32_t f = int32_t(depth >> 16);
    if (f <= s.fogFront)
        return c;
    if (f > s.fogBack)
        return s.triangleFogColor;
    const int k = int((int64_t(s.fogBack) - f) * s.fogScale >> 8);
    return P::lerp(s.triangleFogColor, c, k);
}

uint32_t imageIndex(const RasterImage& image, int32_t u, int32_t v)
{
    return uint32_t((u >> 16) & image.maskU) + uint32_t((v >> 16) & image.maskV) * uint32_t(image.rowPixels);
}

template <class P>
void fillRow(const State& s, typename P::Word* row, uint32_t* depthRow, int left, int right, int32_t a[kAttributeCount])
{
    const int32_t* g = s.gradient;
    for (int x = left; x < right; ++x)
    {
        const uint32_t depth = uint32_t(a[kDepth]);
        const int32_t su = a[kShadeU], sv = a[kShadeV], tu = a[kTexelU], tv = a[kTexelV];
        for (int k = 0; k < kAttributeCount; ++k)
            a[k] += g[k];
        if (depth >= depthRow[x])
            continue;
        const uint32_t maskTexel = s.hasMask ? s.mask.read(imageIndex(s.mask, tu, tv)) : 0xFFFFFFFFu;
        // A mask texel at the colour key hides the pixel, keyed or not.
        if (s.hasMask && maskTexel == s.colorKey)
            continue;
        const uint32_t texel = s.hasTexture ? s.texture.read(imageIndex(s.texture, tu, tv)) : s.color;
        uint32_t c;
        uint32_t destination = 0;
        const bool blendMask = s.alphaMask && maskTexel != P::kWhite;
        if (s.plainTexture)
        {
            c = texel;
            if (blendMask)
                destination = row[x];
        }
        else
        {
            destination = row[x];
            const int shade = s.flatIndex >= 0 ? s.flatIndex : int(((sv >> 18) & 63) * 64 + ((su >> 18) & 63));
            c = colourByLevel<P>(s, texel, destination, shade, su, sv);
            if (s.fogOn)
                c = applyFog<P>(s, c, depth);
        }
        if (blendMask)
            c = P::lerp(destination, c, P::maskAlpha(maskTexel));
        row[x] = typename P::Word(c);
        depthRow[x] = depth;
    }
}

} // namespace

void Rasterizer::fillSpans(int yStart, int yEnd)
{
    State& s = *state;
    for (int y = yStart; y < yEnd; ++y)
    {
        int left = s.left.x >> 16;
        int right = s.right.x >> 16;
        if (right > width)
            right = width;
        if (right > left && right >= 1)
        {
            int32_t a[kAttributeCount];
            for (int k = 0; k < kAttributeCount; ++k)
                a[k] = s.left.a[k];
            if (left < 0)
            {
                for (int k = 0; k < kAttributeCount; ++k)
                    a[k] = int32_t(a[k] + int64_t(s.gradient[k]) * -left);
                left = 0;
            }
            uint8_t* row = origin + y * stride;
            uint32_t* depthRow = depthBuffer + y * width;
            if (bitsPerPixel == 16)
                fillRow<Pixel16>(s, reinterpret_cast<uint16_t*>(row), depthRow, left, right, a);
            else
                fillRow<Pixel32>(s, reinterpret_cast<uint32_t*>(row), depthRow, left, right, a);
        }
        s.left.x += s.left.xStep;
        s.right.x += s.right.xStep;
        for (int k = 0; k < kAttributeCount; ++k)
            s.left.a[k] += s.left.aStep[k];
    }
}
