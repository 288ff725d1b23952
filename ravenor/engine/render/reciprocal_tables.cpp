// reciprocal_tables.cpp -- Recip18 and Recip16
#include "ravenor/engine/render/reciprocal_tables.h"

int32_t Recip18[kRecipEntries];
uint16_t Recip16[kRecipEntries];
int32_t Recip16Wide[kRecipEntries];

void BuildReciprocalTables()
{
    for (int32_t i = 1; i < kRecipEntries; ++i)
        Recip18[i] = static_cast<int32_t>(262144.0f / static_cast<float>(i));
    Recip18[0] = Recip18[1];
    Recip16[0] = 0;
    for (int32_t j = 1; j < kRecipEntries; ++j)
    {
        const int32_t q = 0x400000 / j;
        Recip16[j] = q < 0x10000 ? static_cast<uint16_t>(q) : (q == 0x10000 ? 0xFFFF : 0);
    }
    for (int32_t j = 0; j < kRecipEntries; ++j)
        Recip16Wide[j] = Recip16[j];
}
