// reciprocal_tables.h -- the rasteriser's tables of reciprocals
//
// Recip18[i] = 2^18 / i (single precision, entry 0 = entry 1); Recip16[j] =
// 2^22 / j while that fits in 16 bits (0xFFFF at j = 64, 0 below). Steps
// along edges and spans multiply by these instead of dividing.
#pragma once

#include <cstdint>

constexpr int32_t kRecipEntries = 4096;

extern int32_t Recip18[kRecipEntries];
extern uint16_t Recip16[kRecipEntries];
// Recip16 in 32-bit entries, for loops that read four bytes an entry
extern int32_t Recip16Wide[kRecipEntries];

void BuildReciprocalTables();

// Recip18 at an index limited to the table (negative reads entry 0)
inline int32_t Recip18At(int32_t i)
{
    return Recip18[i < 0 ? 0 : (i >= kRecipEntries ? kRecipEntries - 1 : i)];
}

inline uint16_t Recip16At(int32_t j)
{
    return Recip16[j < 0 ? 0 : (j >= kRecipEntries ? kRecipEntries - 1 : j)];
}
