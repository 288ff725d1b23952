// race_controls.cpp -- keys of the race pages
#include "racing/framework/race_controls.h"

#include "engine/platform/frame_timer.h"

#include <os/windows.h>

namespace racing {

Pedal pedalOf(uint32_t keys)
{
    if (keys & 1)
        return Pedal::Throttle;
    if (keys & 2)
        return Pedal::Brake;
    if (keys & kThrottleButtons)
        return Pedal::Throttle;
    if (keys & kBrakeButtons)
        return Pedal::Brake;
    return Pedal::None;
}

int racePageKey(int key, bool& showFrameRate, FrameTimer& timer)
{
    if (key == VK_TAB)
    {
        showFrameRate = !showFrameRate;
        timer.mode = showFrameRate ? FrameTimer::MeasureOnly : FrameTimer::Capped;
        return -1;
    }
    if (key >= VK_F1 && key <= VK_F1 + 7)
        return key - VK_F1;
    return -1;
}

} // namespace racing
