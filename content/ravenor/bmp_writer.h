// bmp_writer.h -- uncompressed 24-bit BMP pictures (the splash screen)
#pragma once

#include <cstdint>
#include <vector>

namespace ravenor_content {

// Pixels given as 0xRRGGBB, rows top-down; written bottom-up as BMP stores them.
std::vector<uint8_t> WriteBmp24(int32_t width, int32_t height, const std::vector<uint32_t>& rgb);

} // namespace ravenor_content
