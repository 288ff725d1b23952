// pixel_rows.h -- whole rows of 16- and 32-bit pixels: RGB565 <-> 0x00RRGGBB
// conversion and the source raster operations
//
// Each routine does exactly what the per-pixel rules of pixel.cpp do to
// each pixel; SSE2 (every x86-64 has it) takes sixteen bytes at a time, the
// rest of a row goes one pixel at a time.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace os::gdi {

// 565 widened by repeating each channel's top bits
inline uint32_t widen_565(uint32_t v)
{
    uint32_t r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
    return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

inline uint16_t narrow_to_565(uint32_t v)
{
    return uint16_t((v >> 8 & 0xF800) | (v >> 5 & 0x07E0) | (v >> 3 & 0x001F));
}

#if defined(__SSE2__)
inline __m128i narrow_to_565x4(__m128i v)
{
    const __m128i r = _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0xF800));
    const __m128i g = _mm_and_si128(_mm_srli_epi32(v, 5), _mm_set1_epi32(0x07E0));
    const __m128i b = _mm_and_si128(_mm_srli_epi32(v, 3), _mm_set1_epi32(0x001F));
    // Sign-extended from 16 bits so that the saturating pack keeps them
    return _mm_srai_epi32(_mm_slli_epi32(_mm_or_si128(_mm_or_si128(r, g), b), 16), 16);
}
#endif

inline void row_565_to_32(uint32_t* out, const uint16_t* in, int n)
{
    int i = 0;
#if defined(__SSE2__)
    // Eight pixels in 16-bit lanes: each channel widened to a byte, then
    // green and blue joined into one word and interleaved with red.
    const __m128i f8 = _mm_set1_epi16(0xF8), fc = _mm_set1_epi16(0xFC), three = _mm_set1_epi16(3),
                  seven = _mm_set1_epi16(7);
    for (; i + 8 <= n; i += 8)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i r = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 8), f8), _mm_srli_epi16(v, 13));
        const __m128i g = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 3), fc), _mm_and_si128(_mm_srli_epi16(v, 9), three));
        const __m128i b = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(v, 3), f8), _mm_and_si128(_mm_srli_epi16(v, 2), seven));
        const __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi16(gb, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_unpackhi_epi16(gb, r));
    }
#endif
    for (; i < n; ++i)
    {
        out[i] = widen_565(in[i]);
    }
}

inline void row_32_to_565(uint16_t* out, const uint32_t* in, int n)
{
    int i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8)
    {
        const __m128i a = narrow_to_565x4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
        const __m128i b = narrow_to_565x4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(a, b));
    }
#endif
    for (; i < n; ++i)
    {
        out[i] = narrow_to_565(in[i]);
    }
}

// out[i] = pixels[columns[i]] & mask for n pixels of type T (a stretched row)
template <class T>
void sample_row(T* out, const T* pixels, const int* columns, int n, T mask)
{
    for (int i = 0; i < n; ++i)
    {
        out[i] = T(pixels[columns[i]] & mask);
    }
}

// The source raster operations the programs use, each on a scalar and on
// sixteen bytes.
struct RopAnd // SRCAND
{
    static uint32_t one(uint32_t s, uint32_t d) { return s & d; }
#if defined(__SSE2__)
    static __m128i many(__m128i s, __m128i d) { return _mm_and_si128(s, d); }
#endif
};

struct RopXor // SRCINVERT
{
    static uint32_t one(uint32_t s, uint32_t d) { return s ^ d; }
#if defined(__SSE2__)
    static __m128i many(__m128i s, __m128i d) { return _mm_xor_si128(s, d); }
#endif
};

struct RopOr // SRCPAINT
{
    static uint32_t one(uint32_t s, uint32_t d) { return s | d; }
#if defined(__SSE2__)
    static __m128i many(__m128i s, __m128i d) { return _mm_or_si128(s, d); }
#endif
};

struct RopErase // SRCERASE: source and not destination
{
    static uint32_t one(uint32_t s, uint32_t d) { return s & ~d; }
#if defined(__SSE2__)
    static __m128i many(__m128i s, __m128i d) { return _mm_andnot_si128(d, s); }
#endif
};

struct RopNotCopy // NOTSRCCOPY
{
    static uint32_t one(uint32_t s, uint32_t) { return ~s; }
#if defined(__SSE2__)
    static __m128i many(__m128i s, __m128i) { return _mm_xor_si128(s, _mm_set1_epi32(-1)); }
#endif
};

// dst[i] = Op(src[i], dst[i]) & mask for n pixels of type T
template <class Op, class T>
void rop_row(T* dst, const T* src, int n, uint32_t mask)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i masks = sizeof(T) == 2 ? _mm_set1_epi16(short(mask)) : _mm_set1_epi32(int(mask));
    constexpr int per = int(16 / sizeof(T));
    for (; i + per <= n; i += per)
    {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_and_si128(Op::many(s, d), masks));
    }
#endif
    for (; i < n; ++i)
    {
        dst[i] = T(Op::one(src[i], dst[i]) & mask);
    }
}

} // namespace os::gdi
