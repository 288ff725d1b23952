// rgb565.h -- 8-bit red, green and blue packed into one 16-bit pixel
#pragma once

#include <cstdint>

// ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3); components of 256 or more
// give the field's maximum, negative ones 0.
inline uint16_t packRgb565(int32_t r, int32_t g, int32_t b)
{
    const auto clamp = [](int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    return uint16_t(clamp(r) >> 3 << 11 | clamp(g) >> 2 << 5 | clamp(b) >> 3);
}
