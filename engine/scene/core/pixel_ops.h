// pixel_ops.h -- per-channel colour arithmetic of the 3D rasteriser for
// 0x00RRGGBB words and RGB565 pixels
#pragma once

#include "engine/platform/pixel_format.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct Pixel32
{
    using Word = uint32_t;
    static constexpr uint32_t kWhite = 0xFFFFFF;

    static int red(uint32_t c) { return int(c >> 16 & 0xFF); }
    static int green(uint32_t c) { return int(c >> 8 & 0xFF); }
    static int blue(uint32_t c) { return int(c & 0xFF); }
    static uint32_t make(int r, int g, int b) { return uint32_t(r & 0xFF) << 16 | uint32_t(g & 0xFF) << 8 | uint32_t(b & 0xFF); }

    // Per-channel product.
    static uint32_t modulate(uint32_t a, uint32_t b)
    {
        return make(red(a) * red(b) >> 8, green(a) * green(b) >> 8, blue(a) * blue(b) >> 8);
    }
    // Per-channel saturating sum.
    static uint32_t addSaturated(uint32_t a, uint32_t b)
    {
        const uint32_t s = (a & 0xFEFEFF) + (b & 0xFEFEFF);
        const uint32_t k = s & 0x1010100;
        return (s | (k - (k >> 8))) & 0xFFFFFF;
    }
    // a + (b - a) * k >> 8 per channel.
    static uint32_t lerp(uint32_t a, uint32_t b, int k)
    {
        return make(red(a) + ((red(b) - red(a)) * k >> 8), green(a) + ((green(b) - green(a)) * k >> 8),
                    blue(a) + ((blue(b) - blue(a)) * k >> 8));
    }
    static uint32_t scale(uint32_t c, int k) { return make(red(c) * k >> 8, green(c) * k >> 8, blue(c) * k >> 8); }
    // Alpha of a luminance mask texel.
    static int maskAlpha(uint32_t m) { return (red(m) + green(m) + blue(m)) / 3; }
};

struct Pixel16
{
    using Word = uint16_t;
    static constexpr uint32_t kWhite = 0xFFFF;

    static int red(uint32_t c) { return int(c >> 11 & 31); }
    static int green(uint32_t c) { return int(c >> 5 & 63); }
    static int blue(uint32_t c) { return int(c & 31); }
    static uint32_t make(int r, int g, int b) { return uint32_t(r & 31) << 11 | uint32_t(g & 63) << 5 | uint32_t(b & 31); }

    // Each product is taken with one channel in place, so no field has to be
    // moved out and back: red (a × b) >> 5 at bit 11, green (a × b) >> 6 at
    // bit 5, blue (a × b) >> 5 at bit 0.
    static uint32_t modulate(uint32_t a, uint32_t b)
    {
        const uint32_t r = (((a & 0xF800) * (b >> 11 & 31)) >> 5) & 0xF800;
        const uint32_t g = (((a & 0x7E0) * (b & 0x7E0)) >> 11) & 0x7E0;
        const uint32_t bl = ((a & 31) * (b & 31)) >> 5;
        return r | g | bl;
    }
    static uint32_t addSaturated(uint32_t a, uint32_t b)
    {
        const int r = red(a) + red(b), g = green(a) + green(b), bl = blue(a) + blue(b);
        return make(r > 31 ? 31 : r, g > 63 ? 63 : g, bl > 31 ? 31 : bl);
    }
    static uint32_t lerp(uint32_t a, uint32_t b, int k)
    {
        return make(red(a) + ((red(b) - red(a)) * k >> 8), green(a) + ((green(b) - green(a)) * k >> 8),
                    blue(a) + ((blue(b) - blue(a)) * k >> 8));
    }
    static uint32_t scale(uint32_t c, int k) { return make(red(c) * k >> 8, green(c) * k >> 8, blue(c) * k >> 8); }
    static int maskAlpha(uint32_t m) { return 2 * (red(m) + green(m) + blue(m)); }
};

// The same arithmetic done on whole pixels, for the fillers' inner loops.
// Every result equals Pixel32's and Pixel16's for blend and scale weights
// 0..255 (a filler whose weights can lie outside uses the plain forms).

// 0x00RRGGBB: the three channels at once in SSE2 lanes (every x86-64 has
// SSE2; elsewhere the plain forms serve).
#if defined(__SSE2__)
struct Pixel32Wide : Pixel32
{
    static __m128i channels(uint32_t c) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(c & 0xFFFFFF)), _mm_setzero_si128()); }
    static uint32_t pack(__m128i c) { return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(c, c))); }

    static uint32_t modulate(uint32_t a, uint32_t b)
    {
        return pack(_mm_srli_epi16(_mm_mullo_epi16(channels(a), channels(b)), 8));
    }
    // a + (b - a) * k >> 8 per channel: the difference, scaled by 128, times
    // 2k keeps the product's high half exact in 16 bits.
    static uint32_t lerp(uint32_t a, uint32_t b, int k)
    {
        const __m128i from = channels(a);
        const __m128i step = _mm_slli_epi16(_mm_sub_epi16(channels(b), from), 7);
        return pack(_mm_add_epi16(from, _mm_mulhi_epi16(step, _mm_set1_epi16(short(k << 1)))));
    }
    static uint32_t scale(uint32_t c, int k)
    {
        return pack(_mm_srli_epi16(_mm_mullo_epi16(channels(c), _mm_set1_epi16(short(k))), 8));
    }
};
#else
struct Pixel32Wide : Pixel32
{
};
#endif

// RGB565 arithmetic with the three channels spread over one 64-bit word
// (blue at bit 0, green at 16, red at 32), so each field has room for a
// product by a weight: a blend is one pair of multiplies, exact because
// a + ((b - a) × k >> 8) equals (a × (256 - k) + b × k) >> 8.
struct Pixel16Wide : Pixel16
{
    static uint64_t spread(uint32_t c) { return (c & 0x1F) | uint64_t(c & 0x7E0) << 11 | uint64_t(c & 0xF800) << 21; }
    // The fields of a spread sum, each divided by 256, back to RGB565.
    static uint32_t gather(uint64_t s)
    {
        return uint32_t((s >> 29) & 0xF800) | uint32_t((s >> 19) & 0x7E0) | uint32_t((s >> 8) & 0x1F);
    }
    static uint32_t lerp(uint32_t a, uint32_t b, int k)
    {
        return gather(spread(a) * uint64_t(256 - k) + spread(b) * uint64_t(k));
    }
    static uint32_t scale(uint32_t c, int k) { return gather(spread(c) * uint64_t(k)); }
};
