// frame_timer.cpp -- frame step and adaptive pacing on the tick counter
#include "engine/platform/frame_timer.h"

#include <os/sync.h>
#include <os/sysinfo.h>

FrameTimer::FrameTimer()
{
    reset();
}

void FrameTimer::reset()
{
    lastMs = GetTickCount();
}

bool FrameTimer::tick()
{
    uint32_t now = GetTickCount();
    int realMs = int(now - lastMs);
    elapsedMs = realMs;
    nowMs = lastMs = now;
    periodMs = targetFps > 0 ? 1000 / targetFps : 0;

    if (mode == MeasureOnly)
        delayMs = 0;
    else if (elapsedMs > periodMs)
        elapsedMs = periodMs; // one slow frame never makes a large step

    dt = float(elapsedMs) * 0.001f;
    if (floorDt && dt < 1e-10f)
        dt = 1e-10f;

    // The rate and the sleep follow the real frame time; only the step is capped.
    sumMs += realMs;
    frames += 1;

    int sleepMs = delayMs + extraDelayMs;
    if (sleepMs > 0)
        Sleep(DWORD(sleepMs));

    if (sumMs <= windowMs)
        return false;
    return closeWindow();
}

bool FrameTimer::closeWindow()
{
    fpsExact = float(frames * 1000.0 / sumMs);
    fps = int(fpsExact + 0.5f);
    delayMs += (periodMs * frames - sumMs) / frames;
    if (mode == Capped || delayMs < 0)
        delayMs = 0;
    frames = 0;
    sumMs = 0;
    return true;
}
