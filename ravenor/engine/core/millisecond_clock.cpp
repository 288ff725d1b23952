// millisecond_clock.cpp -- the probes' millisecond clock
#include "ravenor/engine/core/millisecond_clock.h"

#include <os/windows.h>

namespace {

std::function<uint32_t()> g_clock;

} // namespace

uint32_t MillisecondClock()
{
    if (g_clock)
        return g_clock();
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart >= 1000 && QueryPerformanceCounter(&counter))
        return static_cast<uint32_t>(counter.QuadPart / (frequency.QuadPart / 1000));
    return GetTickCount();
}

void SetMillisecondClock(std::function<uint32_t()> clock)
{
    g_clock = std::move(clock);
}
