// bmp_writer.h -- BMP file images: every depth, either row order
#pragma once

#include "content/media/bytes.h"

#include <cstdint>
#include <vector>

namespace media {

struct BmpOptions
{
    int bits = 24;                 // 1, 4, 8 (palette), 16 (5-5-5 or 5-6-5), 24, 32
    bool topDown = false;          // negative height
    bool masks565 = false;         // 16 bits as BI_BITFIELDS 5-6-5
    std::vector<uint32_t> palette; // 0xRRGGBB entries for 1 to 8 bits
};

// The stored value of the colour 0xRRGGBB (its palette index for 1 to 8
// bits; a colour missing from the palette is stored as given).
uint32_t bmpPixel(uint32_t colour, const BmpOptions& options);

// "BM", a 40-byte info header, the colour table or masks, then the rows
// padded to 4 bytes.
Bytes makeBmp(int width, int height, const PixelFn& pixel, const BmpOptions& options = {});

} // namespace media
