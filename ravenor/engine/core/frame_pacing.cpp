// frame_pacing.cpp -- pacing frames on the millisecond clock
#include "ravenor/engine/core/frame_pacing.h"

#include <os/windows.h>

#include <algorithm>

int32_t g_speedFactor = 256;

namespace {

DWORD g_previousEnd = 0;
uint32_t g_elapsed = 0;

} // namespace

void PaceFrame(uint32_t period)
{
    const DWORD now = GetTickCount();
    const int32_t wait = static_cast<int32_t>(g_previousEnd + period - now);
    if (wait > 0)
        Sleep(static_cast<DWORD>(wait));
    const DWORD end = GetTickCount();
    g_elapsed = end - g_previousEnd;
    g_previousEnd = end;
    const uint64_t factor = (uint64_t{g_elapsed} * 1310) >> 8;
    g_speedFactor = static_cast<int32_t>(std::clamp<uint64_t>(factor, 256, 511));
}

uint32_t LastFrameElapsed()
{
    return g_elapsed;
}

bool IsTickDue(uint32_t n)
{
    if (n == 0)
        return true;
    return GetTickCount() % (n * 22) < g_elapsed;
}

void ResetFramePacing()
{
    g_previousEnd = GetTickCount();
    g_elapsed = 0;
    g_speedFactor = 256;
}
