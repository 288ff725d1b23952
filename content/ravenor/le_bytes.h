// le_bytes.h -- little-endian output for the writers
#pragma once

#include "common/little_endian.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ravenor_content {

inline void AppendU32(std::vector<uint8_t>& out, uint32_t v)
{
    appendLE32(out, v);
}

inline void AppendU16(std::vector<uint8_t>& out, uint16_t v)
{
    appendLE16(out, v);
}

inline void AppendI16(std::vector<uint8_t>& out, int16_t v)
{
    AppendU16(out, static_cast<uint16_t>(v));
}

// Overwrites a word already written (tests use it to damage files on purpose)
inline void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    writeLE32(out.data() + at, v);
}

} // namespace ravenor_content
