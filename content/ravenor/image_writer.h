// image_writer.h -- ".tex" texture tables and 24-bit TGA images
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace ravenor_content {

struct Texture
{
    uint32_t width = 0;     // powers of two, width x height at most 65536
    uint32_t height = 0;
    uint32_t drawMode = 0;  // 0 opaque, 1 colour key, 2 half, 3 half with key, 4 additive with key
    uint32_t oneSided = 0;
    uint32_t extra = 0;     // the sixth header word
    std::vector<std::vector<uint16_t>> frames;   // RGB565, rows top to bottom
};

// The count, then each texture's six words followed by its frames. The frame
// count written is the number of frames given.
std::vector<uint8_t> WriteTex(const std::vector<Texture>& textures);

// A 16 x 16 texture of one frame, each texel from texel(x, y) (rows top to bottom)
Texture Tile16(const std::function<uint16_t(int x, int y)>& texel);

// ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3) of 8-bit components
uint16_t Rgb565(uint8_t r, uint8_t g, uint8_t b);

// An uncompressed 24-bit TGA (type 2, no identification field, descriptor 0)
// of width x height pixels given as 0xRRGGBB in file order (bottom row first
// for an upright picture).
std::vector<uint8_t> WriteTga(uint16_t width, uint16_t height, const std::vector<uint32_t>& rgb);

} // namespace ravenor_content
