// bytes.h -- little-endian fields of the engine's file formats
#pragma once

#include <cstdint>

inline uint32_t GetU32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline uint16_t GetU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline int16_t GetI16(const uint8_t* p)
{
    return static_cast<int16_t>(GetU16(p));
}
