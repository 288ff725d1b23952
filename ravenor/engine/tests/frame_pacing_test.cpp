// frame_pacing_test.cpp -- pacing on the virtual clock and the speed factor
#include <gtest/gtest.h>

#include <algorithm>

#include <os/windows.h>

#include "ravenor/engine/core/frame_pacing.h"
#include "os/testing/host.h"

// A frame that took some time: how long pacing sleeps and the factor it sets.
TEST(PaceFrame, SleepsToThePeriodAndSetsTheFactor)
{
    struct Case
    {
        uint32_t work;
        uint32_t period;
        uint32_t slept;
        int32_t factor;
    };
    const Case cases[] = {
        {20, 47, 27, 256},    // 47 x 1310 >> 8 = 240, raised to 256
        {47, 47, 0, 256},
        {60, 47, 0, 307},     // 60 x 1310 >> 8
        {100, 47, 0, 511},
        {5000, 47, 0, 511},
        {0, 20, 20, 256},
    };
    for (const Case& c : cases)
    {
        ResetFramePacing();
        os::host::headless::advance(c.work);
        const DWORD before = GetTickCount();
        PaceFrame(c.period);
        EXPECT_EQ(c.slept, GetTickCount() - before) << c.work;
        EXPECT_EQ(c.factor, g_speedFactor) << c.work;
        EXPECT_EQ(std::max(c.work, c.period), LastFrameElapsed());
    }
}

TEST(PaceFrame, ClockWrapStillPaces)
{
    os::host::headless::set_time(0xFFFFFFF0ull);
    ResetFramePacing();
    os::host::headless::advance(10);
    PaceFrame(47);
    EXPECT_EQ(47u, LastFrameElapsed());
    EXPECT_EQ(256, g_speedFactor);
}

// Fires when the clock modulo n x 22 is below the last frame's length.
TEST(IsTickDue, OncePerPeriod)
{
    ResetFramePacing();
    os::host::headless::set_time(1000);
    ResetFramePacing();
    PaceFrame(47);   // elapsed 47, now 1047
    struct Case
    {
        uint64_t now;
        uint32_t n;
        bool due;
    };
    const Case cases[] = {
        {1047, 0, true}, {1056, 3, true}, {1056 + 50, 3, false}, {1100, 5, true},
        {1100 + 46, 5, true}, {1100 + 47, 5, false}, {5, 0, true},
    };
    for (const Case& c : cases)
    {
        os::host::headless::set_time(c.now);
        EXPECT_EQ(c.due, IsTickDue(c.n)) << c.now << " n " << c.n;
    }
}
