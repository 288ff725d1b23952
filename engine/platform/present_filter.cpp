// present_filter.cpp -- the colour-blend fade
//
// Each channel c moves towards the colour's k by amount / 256, rounded
// down: c + floor((k - c) x amount / 256), which is (c x (256 - amount) +
// k x amount) / 256 in whole numbers that never go below 0 or above 16
// bits. Rows are faded eight channels at a time (SSE2) and the rest one
// pixel at a time by the same rule; a full fade fills with the colour.
#include "engine/platform/present_filter.h"

#include "engine/platform/image.h"
#include "engine/platform/pixel_format.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// One channel of the fade; 'toward' is k x amount, 'keep' 256 - amount.
inline uint32_t fadeChannel(uint32_t c, uint32_t toward, uint32_t keep)
{
    return (c * keep + toward) >> 8;
}

void fadeRow565(uint16_t* row, int n, uint16_t k, int amount)
{
    const uint32_t keep = uint32_t(256 - amount);
    const uint32_t kr = uint32_t(k >> 11) * uint32_t(amount), kg = uint32_t((k >> 5) & 0x3F) * uint32_t(amount),
                   kb = uint32_t(k & 0x1F) * uint32_t(amount);
    int x = 0;
#if defined(__SSE2__)
    const __m128i keep16 = _mm_set1_epi16(short(keep));
    const __m128i r16 = _mm_set1_epi16(short(kr)), g16 = _mm_set1_epi16(short(kg)), b16 = _mm_set1_epi16(short(kb));
    const __m128i six = _mm_set1_epi16(0x3F), five = _mm_set1_epi16(0x1F);
    for (; x + 8 <= n; x += 8)
    {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i r = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(p, 11), keep16), r16), 8);
        const __m128i g = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(p, 5), six), keep16), g16), 8);
        const __m128i b = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(p, five), keep16), b16), 8);
        const __m128i out = _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 11), _mm_slli_epi16(g, 5)), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), out);
    }
#endif
    for (; x < n; ++x)
    {
        const uint32_t p = row[x];
        row[x] = uint16_t(fadeChannel(p >> 11, kr, keep) << 11 | fadeChannel((p >> 5) & 0x3F, kg, keep) << 5 |
                          fadeChannel(p & 0x1F, kb, keep));
    }
}

void fadeRow32(uint32_t* row, int n, uint32_t colour, int amount)
{
    const uint32_t keep = uint32_t(256 - amount);
    const uint32_t kr = ((colour >> 16) & 0xFF) * uint32_t(amount), kg = ((colour >> 8) & 0xFF) * uint32_t(amount),
                   kb = (colour & 0xFF) * uint32_t(amount);
    int x = 0;
#if defined(__SSE2__)
    // Bytes widened to 16-bit lanes, two pixels a register: b, g, r, x.
    const __m128i keep16 = _mm_set1_epi16(short(keep));
    const __m128i toward = _mm_set_epi16(0, short(kr), short(kg), short(kb), 0, short(kr), short(kg), short(kb));
    const __m128i zero = _mm_setzero_si128();
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
    for (; x + 4 <= n; x += 4)
    {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), keep16), toward), 8);
        const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), keep16), toward), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_and_si128(_mm_packus_epi16(lo, hi), rgb));
    }
#endif
    for (; x < n; ++x)
    {
        const uint32_t p = row[x];
        row[x] = fadeChannel((p >> 16) & 0xFF, kr, keep) << 16 | fadeChannel((p >> 8) & 0xFF, kg, keep) << 8 |
                 fadeChannel(p & 0xFF, kb, keep);
    }
}

// The full fade: the first row filled, the others copied from it.
template <class Pixel>
void fillArea(Image& image, int areaWidth, int areaHeight, Pixel k)
{
    if (areaWidth <= 0 || areaHeight <= 0)
        return;
    auto* first = reinterpret_cast<Pixel*>(image.getPixelAddress(0, 0));
    std::fill_n(first, areaWidth, k);
    for (int y = 1; y < areaHeight; ++y)
        std::memcpy(image.getPixelAddress(0, y), first, size_t(areaWidth) * sizeof(Pixel));
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
    const uint16_t k = rgbTo565(colour);
    if (amount == 256)
        return fillArea(*image, areaWidth, areaHeight, k);
    for (int y = 0; y < areaHeight; ++y)
        fadeRow565(reinterpret_cast<uint16_t*>(image->getPixelAddress(0, y)), areaWidth, k, amount);
}

void ColorBlendFilter::apply32(int areaWidth, int areaHeight)
{
    if (amount == 256)
        return fillArea(*image, areaWidth, areaHeight, colour & 0x00FFFFFF);
    for (int y = 0; y < areaHeight; ++y)
        fadeRow32(reinterpret_cast<uint32_t*>(image->getPixelAddress(0, y)), areaWidth, colour, amount);
}
