// bytes.h -- little-endian fields of the engine's file formats
#pragma once

#include "common/little_endian.h"

#include <cstdint>

// The city engine's names for the shared readers.
inline uint32_t GetU32(const uint8_t* p)
{
    return readLE32(p);
}

inline uint16_t GetU16(const uint8_t* p)
{
    return readLE16(p);
}

inline int16_t GetI16(const uint8_t* p)
{
    return static_cast<int16_t>(readLE16(p));
}
