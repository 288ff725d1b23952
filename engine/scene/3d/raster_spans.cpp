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

#include <new>

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
    bool fogDivide;
    double fogRange;
    uint64_t fogDivider;
    uint32_t triangleFogColor;

    explicit Shading(const State& s)
        : diffuse(s.diffuse), specular(s.specular), color(s.color), color2(s.color2), transparency(s.transparency),
          shininessStrength(s.shininessStrength), texturePercent(s.texturePercent),
          reflectionPercent(s.reflectionPercent), reflection(s.reflection), reflectionIndexMask(s.reflectionIndexMask),
          fogFront(s.fogFront), fogBack(s.fogBack), fogScale(s.fogScale), fogDivide(s.fogDivide), fogRange(s.fogRange),
          fogDivider(s.fogDivider), triangleFogColor(s.triangleFogColor)
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
    const int k = s.fogDivide ? fogWeightDivided(s.fogBack, f, s.fogDivider, s.fogRange)
                              : int((int64_t(s.fogBack) - f) * s.fogScale >> 8);
    return P::lerp(s.triangleFogColor, c, k);
}

#if defined(__SSE2__)
// Four neighbouring pixels at once, for the commonest loops (a texture in
// the surface's format, no mask, detail level 1 or 2): the same arithmetic
// as the pixel rule, lane by lane, with every channel product and blend in
// 16-bit halves of 32-bit lanes where it fits exactly. Pixels that fail the
// depth test keep their colour and depth (they are written back as read).
template <class P>
struct Lanes;

template <>
struct Lanes<Pixel16Wide>
{
    static constexpr int kShiftR = 11, kShiftG = 5, kProductR = 5, kProductG = 6, kProductB = 5;
    static __m128i load(const uint16_t* p) { return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128()); }
    static void store(uint16_t* p, __m128i v)
    {
        // The low half of each lane, four 16-bit words in the low 64 bits.
        const __m128i words = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 2, 0)), _MM_SHUFFLE(3, 3, 2, 0));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi32(words, _MM_SHUFFLE(3, 3, 2, 0)));
    }
    static __m128i red(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 11), _mm_set1_epi32(31)); }
    static __m128i green(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 5), _mm_set1_epi32(63)); }
    static __m128i blue(__m128i v) { return _mm_and_si128(v, _mm_set1_epi32(31)); }
};

template <>
struct Lanes<Pixel32Wide>
{
    static constexpr int kShiftR = 16, kShiftG = 8, kProductR = 8, kProductG = 8, kProductB = 8;
    static __m128i load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static __m128i red(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 16), _mm_set1_epi32(255)); }
    static __m128i green(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(255)); }
    static __m128i blue(__m128i v) { return _mm_and_si128(v, _mm_set1_epi32(255)); }
};

inline __m128i select(__m128i mask, __m128i yes, __m128i no)
{
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// (a × (256 - k) + b × k) >> 8 per lane: a + ((b - a) × k >> 8) for k in
// 0..255, channels below 256.
inline __m128i blendLanes(__m128i a, __m128i b, __m128i k, __m128i inverse)
{
    return _mm_srli_epi32(_mm_add_epi16(_mm_mullo_epi16(a, inverse), _mm_mullo_epi16(b, k)), 8);
}

// The per-span constants of the four-pixel step.
template <class P>
struct FourPixels
{
    using L = Lanes<P>;
    __m128i dz, dsu, dsv, dtu, dtv; // four steps of each attribute
    __m128i maskU, maskV, sixtyThree, sign;
    __m128i rowShift;
    __m128i fogFront, fogBack, fogScale, fogR, fogG, fogB;
    bool fogDivide, fogNarrow;
    __m128 fogRangeNarrow;
    __m128d fogRange, twoFiftySix;
    const typename P::Word* texels;
    const uint32_t* diffuse;

    FourPixels(const Texels<P, true>& texture, int rowBits, const Shading& s, const int32_t* g)
        : dz(_mm_set1_epi32(g[kDepth] * 4)), dsu(_mm_set1_epi32(g[kShadeU] * 4)), dsv(_mm_set1_epi32(g[kShadeV] * 4)),
          dtu(_mm_set1_epi32(g[kTexelU] * 4)), dtv(_mm_set1_epi32(g[kTexelV] * 4)),
          maskU(_mm_set1_epi32(int(texture.maskU))), maskV(_mm_set1_epi32(int(texture.maskV))),
          sixtyThree(_mm_set1_epi32(63)), sign(_mm_set1_epi32(int(0x80000000u))), rowShift(_mm_cvtsi32_si128(rowBits)),
          fogFront(_mm_set1_epi32(s.fogFront)), fogBack(_mm_set1_epi32(s.fogBack)), fogScale(_mm_set1_epi32(s.fogScale)),
          fogR(L::red(_mm_set1_epi32(int(s.triangleFogColor)))), fogG(L::green(_mm_set1_epi32(int(s.triangleFogColor)))),
          fogB(L::blue(_mm_set1_epi32(int(s.triangleFogColor)))), fogDivide(s.fogDivide),
          fogNarrow(s.fogRange < 65536.0), fogRangeNarrow(_mm_set1_ps(float(s.fogRange))), fogRange(_mm_set1_pd(s.fogRange)), twoFiftySix(_mm_set1_pd(256.0)), texels(texture.pixels), diffuse(s.diffuse)
    {
    }

    // Lanes start, start + step, start + 2 step, start + 3 step.
    static __m128i ramp(int32_t start, int32_t step)
    {
        return _mm_set_epi32(int(uint32_t(start) + 3u * uint32_t(step)), int(uint32_t(start) + 2u * uint32_t(step)),
                             int(uint32_t(start) + uint32_t(step)), start);
    }

    template <int Level>
    void fill(typename P::Word* row, uint32_t* depthRow, __m128i z, __m128i su, __m128i sv, __m128i tu, __m128i tv,
              bool fogOn) const
    {
        const __m128i stored = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depthRow));
        const __m128i nearer = _mm_cmpgt_epi32(_mm_xor_si128(stored, sign), _mm_xor_si128(z, sign));
        if (_mm_movemask_epi8(nearer) == 0)
            return;
        alignas(16) uint32_t texelAt[4], shadeAt[4];
        const __m128i texelIndex = _mm_add_epi32(_mm_and_si128(_mm_srai_epi32(tu, 16), maskU),
                                                 _mm_sll_epi32(_mm_and_si128(_mm_srai_epi32(tv, 16), maskV), rowShift));
        _mm_store_si128(reinterpret_cast<__m128i*>(texelAt), texelIndex);
        __m128i c = _mm_set_epi32(int(texels[texelAt[3]]), int(texels[texelAt[2]]), int(texels[texelAt[1]]),
                                  int(texels[texelAt[0]]));
        __m128i r = L::red(c), g = L::green(c), b = L::blue(c);
        if constexpr (Level == 2)
        {
            const __m128i shade = _mm_add_epi32(_mm_slli_epi32(_mm_and_si128(_mm_srai_epi32(sv, 18), sixtyThree), 6),
                                                _mm_and_si128(_mm_srai_epi32(su, 18), sixtyThree));
            _mm_store_si128(reinterpret_cast<__m128i*>(shadeAt), shade);
            const __m128i light = _mm_set_epi32(int(diffuse[shadeAt[3]]), int(diffuse[shadeAt[2]]),
                                                int(diffuse[shadeAt[1]]), int(diffuse[shadeAt[0]]));
            r = _mm_srli_epi32(_mm_mullo_epi16(L::red(light), r), L::kProductR);
            g = _mm_srli_epi32(_mm_mullo_epi16(L::green(light), g), L::kProductG);
            b = _mm_srli_epi32(_mm_mullo_epi16(L::blue(light), b), L::kProductB);
        }
        if (fogOn)
        {
            const __m128i f = _mm_srli_epi32(z, 16);
            const __m128i beyondFront = _mm_cmpgt_epi32(f, fogFront), beyondBack = _mm_cmpgt_epi32(f, fogBack);
            const __m128i band = _mm_andnot_si128(beyondBack, beyondFront);
            __m128i k;
            const __m128i span = _mm_sub_epi32(fogBack, f);
            if (fogDivide && fogNarrow)
            {
                // The racing weight span × 256 / (back - front), four lanes
                // in floats: exact for a band narrower than 2^16 (the
                // quotient's distance to the next whole number, at least
                // 1 / (back - front), is then above a float's rounding).
                // Lanes outside the band are not used.
                k = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(_mm_slli_epi32(span, 8)), fogRangeNarrow));
            }
            else if (fogDivide)
            {
                // The same in doubles for wider bands.
                const __m128d low = _mm_div_pd(_mm_mul_pd(_mm_cvtepi32_pd(span), twoFiftySix), fogRange);
                const __m128d high = _mm_div_pd(
                    _mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(span, _MM_SHUFFLE(1, 0, 3, 2))), twoFiftySix), fogRange);
                k = _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
            }
            else
            {
                // k = (back - f) × scale >> 8 (exact in the band, where it is below 2^16).
                const __m128i even = _mm_mul_epu32(span, fogScale);
                const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(span, 32), fogScale);
                const __m128i product = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                                           _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
                k = _mm_and_si128(_mm_srli_epi32(product, 8), _mm_set1_epi32(0xFFFF));
            }
            const __m128i inverse = _mm_sub_epi32(_mm_set1_epi32(256), k);
            r = select(beyondBack, fogR, select(band, blendLanes(fogR, r, k, inverse), r));
            g = select(beyondBack, fogG, select(band, blendLanes(fogG, g, k, inverse), g));
            b = select(beyondBack, fogB, select(band, blendLanes(fogB, b, k, inverse), b));
        }
        c = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, L::kShiftR), _mm_slli_epi32(g, L::kShiftG)), b);
        L::store(row, select(nearer, c, L::load(row)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(depthRow), select(nearer, z, stored));
    }
};
#endif

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
#if defined(__SSE2__)
    // Four pixels at a time where the texel rows are a power of two long.
    constexpr bool kFourAtOnce = Native && Textured && Mask == kNoMask && (Level == 1 || Level == 2);
    using Four = FourPixels<P>;
    const int rowBits = texture.rowPixels && (texture.rowPixels & (texture.rowPixels - 1)) == 0
                            ? __builtin_ctz(texture.rowPixels)
                            : -1;
    const bool fourAtOnce = kFourAtOnce && rowBits >= 0;
    // Made at the first row long enough (small faces often have none).
    alignas(16) unsigned char fourSpace[sizeof(Four)];
    const Four* four = nullptr;
#endif
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
            int x = first;
#if defined(__SSE2__)
            if constexpr (kFourAtOnce)
                if (fourAtOnce && end - x >= 4)
                {
                    if (!four)
                        four = new (fourSpace) Four(texture, rowBits, shading, s.gradient);
                    __m128i vz = Four::ramp(z, dz), vsu = Four::ramp(su, dsu), vsv = Four::ramp(sv, dsv);
                    __m128i vtu = Four::ramp(tu, dtu), vtv = Four::ramp(tv, dtv);
                    for (; end - x >= 4; x += 4)
                    {
                        four->template fill<Level>(row + x, depthRow + x, vz, vsu, vsv, vtu, vtv, fogOn);
                        vz = _mm_add_epi32(vz, four->dz);
                        vsu = _mm_add_epi32(vsu, four->dsu);
                        vsv = _mm_add_epi32(vsv, four->dsv);
                        vtu = _mm_add_epi32(vtu, four->dtu);
                        vtv = _mm_add_epi32(vtv, four->dtv);
                    }
                    z = _mm_cvtsi128_si32(vz);
                    su = _mm_cvtsi128_si32(vsu);
                    sv = _mm_cvtsi128_si32(vsv);
                    tu = _mm_cvtsi128_si32(vtu);
                    tv = _mm_cvtsi128_si32(vtv);
                }
#endif
            for (; x < end; ++x, z += dz, su += dsu, sv += dsv, tu += dtu, tv += dtv)
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
