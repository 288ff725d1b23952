// class_messages.cpp -- the class table
#include "ravenor/game/world/class_messages.h"

namespace {

ClassHandler g_classTable[kClassCount] = {};

} // namespace

int32_t SendClassMessage(int32_t c, Entity* e, int32_t message)
{
    if (c < 0 || c >= kClassCount || g_classTable[c] == nullptr)
        return -1;
    return g_classTable[c](c, e, message);
}

void SetClassHandler(int32_t first, int32_t last, ClassHandler handler)
{
    for (int32_t c = first; c <= last; ++c)
        if (c >= 0 && c < kClassCount)
            g_classTable[c] = handler;
}
