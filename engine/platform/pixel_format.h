// pixel_format.h -- the two pixel formats of images: RGB565 and 0x00RRGGBB
#pragma once

#include <cstdint>

// 0xRRGGBB to RGB565: the top 5, 6 and 5 bits of red, green and blue.
inline uint16_t rgbTo565(uint32_t c)
{
    return uint16_t((c >> 8 & 0xF800) | (c >> 5 & 0x7E0) | (c >> 3 & 0x1F));
}

inline uint16_t rgbTo565(uint8_t r, uint8_t g, uint8_t b)
{
    return uint16_t((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}

// RGB565 to 0xRRGGBB, each channel widened by repeating its top bits.
inline uint32_t rgbFrom565(uint16_t p)
{
    uint32_t r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

// One pixel of a row in the format of `bits` (16 or 32) from 8-bit channels.
inline void storePixel(uint8_t* row, int x, int bits, uint8_t r, uint8_t g, uint8_t b)
{
    if (bits == 16)
        reinterpret_cast<uint16_t*>(row)[x] = rgbTo565(r, g, b);
    else
        reinterpret_cast<uint32_t*>(row)[x] = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}
