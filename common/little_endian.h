// little_endian.h -- little-endian fields of file images: read from bytes,
// appended to a byte vector
#pragma once

#include <cstdint>
#include <vector>

inline uint16_t readLE16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

inline uint32_t readLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void appendLE16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void appendLE32(std::vector<uint8_t>& out, uint32_t v)
{
    appendLE16(out, v & 0xFFFF);
    appendLE16(out, v >> 16);
}
