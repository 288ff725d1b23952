// little_endian.h -- little-endian fields of file images: read from bytes,
// written over bytes, appended to a byte vector
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

inline void writeLE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
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
