// changed_copy.cpp -- changed-word copies
#include "ravenor/engine/display/changed_copy.h"

void CopyChangedWords(uint32_t* screen, const uint32_t* current, uint32_t* previous, size_t first, size_t count,
                      bool keep)
{
    for (size_t i = first; i < first + count; ++i)
    {
        if (current[i] == previous[i])
            continue;
        screen[i] = current[i];
        if (keep)
            previous[i] = current[i];
    }
}
