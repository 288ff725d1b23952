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

RaceKeys raceKeys(uint32_t keys, int orientation)
{
    if (orientation == 0)
        return {steeringOf(keys), pedalOf(keys)};
    // The arrows of a turned screen: steering on Up and Down, the pedals on
    // Left and Right; then the device's buttons.
    const uint32_t up = 1, down = 2, left = 4, right = 8;
    const uint32_t steerLeft = orientation == 1 ? down : up, steerRight = orientation == 1 ? up : down;
    const uint32_t throttle = orientation == 1 ? left : right, brake = orientation == 1 ? right : left;
    RaceKeys out;
    out.steering = keys & steerLeft ? 0 : keys & steerRight ? 1 : 2;
    out.pedal = keys & throttle                ? Pedal::Throttle
                : keys & brake                 ? Pedal::Brake
                : keys & kThrottleButtons      ? Pedal::Throttle
                : keys & kBrakeButtons         ? Pedal::Brake
                                               : Pedal::None;
    return out;
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
