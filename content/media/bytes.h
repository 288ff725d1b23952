// bytes.h -- the byte buffers the media writers fill, and little-endian puts
#pragma once

#include "common/little_endian.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace media {

using Bytes = std::vector<uint8_t>;
// A picture given as 0xRRGGBB per pixel
using PixelFn = std::function<uint32_t(int x, int y)>;

inline void put16(Bytes& b, uint32_t v)
{
    appendLE16(b, v);
}

inline void put32(Bytes& b, uint32_t v)
{
    appendLE32(b, v);
}

} // namespace media
