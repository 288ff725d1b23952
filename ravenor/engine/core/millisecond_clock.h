// millisecond_clock.h -- the clock the hardware probes measure with
//
// The high-resolution counter in milliseconds, GetTickCount where there is
// none. Tests may put a scripted clock in its place.
#pragma once

#include <cstdint>
#include <functional>

uint32_t MillisecondClock();

// Tests: nullptr restores the system clock.
void SetMillisecondClock(std::function<uint32_t()> clock);
