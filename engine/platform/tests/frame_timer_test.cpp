// frame_timer_test.cpp -- steps, caps, measuring windows and sleeps on the virtual clock
#include "engine/platform/frame_timer.h"

#include "os/testing/host.h"

#include <os/sysinfo.h>

#include <gtest/gtest.h>

namespace headless = os::host::headless;

namespace {

// Runs `count` frames of `frameMs` each; answers the tick that closed the
// first window (1-based), or 0.
int runFrames(FrameTimer& timer, int count, uint32_t frameMs)
{
    int closed = 0;
    for (int i = 1; i <= count; ++i)
    {
        headless::advance(frameMs);
        if (timer.tick() && closed == 0)
            closed = i;
    }
    return closed;
}

} // namespace

TEST(FrameTimer, DefaultsAndZeroStep)
{
    FrameTimer timer;
    EXPECT_EQ(timer.mode, FrameTimer::MeasureOnly);
    EXPECT_EQ(timer.targetFps, 30);
    EXPECT_EQ(timer.windowMs, 2000);
    EXPECT_EQ(timer.lastMs, GetTickCount());

    EXPECT_FALSE(timer.tick()); // same millisecond as the reset
    EXPECT_EQ(timer.elapsedMs, 0);
    EXPECT_FLOAT_EQ(timer.dt, 1e-10f);
    EXPECT_EQ(timer.periodMs, 33);
}

TEST(FrameTimer, StepCapPerMode)
{
    const struct
    {
        int8_t mode;
        int targetFps;
        int elapsed;
        float dt;
    } cases[] = {
        {FrameTimer::MeasureOnly, 30, 100, 0.1f},
        {FrameTimer::Paced, 30, 100, 0.033f},
        {FrameTimer::Capped, 30, 100, 0.033f},
        {FrameTimer::Capped, 10, 250, 0.1f},
        {FrameTimer::Paced, 30, 20, 0.02f},
    };
    for (const auto& c : cases)
    {
        FrameTimer timer;
        timer.mode = c.mode;
        timer.targetFps = c.targetFps;
        headless::advance(uint32_t(c.elapsed));
        timer.tick();
        EXPECT_FLOAT_EQ(timer.dt, c.dt) << "mode " << int(c.mode) << " after " << c.elapsed << " ms";
    }
}

TEST(FrameTimer, PacedModeRaisesTheSleepAtTheFirstWindow)
{
    FrameTimer timer;
    timer.mode = FrameTimer::Paced;
    // 200 frames of 10 ms make exactly 2000 ms: the window closes only above it.
    EXPECT_EQ(runFrames(timer, 200, 10), 0);
    EXPECT_EQ(runFrames(timer, 1, 10), 1);
    EXPECT_EQ(timer.fps, 100);
    EXPECT_FLOAT_EQ(timer.fpsExact, 100.0f);
    EXPECT_EQ(timer.delayMs, 23); // (33 * 201 - 2010) / 201
    EXPECT_EQ(timer.frames, 0);
    EXPECT_EQ(timer.sumMs, 0);

    // The next tick sleeps 23 ms after measuring, so the frame after it sees 33.
    uint32_t before = GetTickCount();
    headless::advance(10);
    timer.tick();
    EXPECT_EQ(GetTickCount() - before, 33u);
    headless::advance(10);
    timer.tick();
    EXPECT_EQ(timer.elapsedMs, 33);
}

TEST(FrameTimer, SleepNeverGoesNegative)
{
    FrameTimer timer;
    timer.mode = FrameTimer::Paced;
    runFrames(timer, 50, 50); // slower than the target: the shortfall would be negative
    EXPECT_EQ(timer.delayMs, 0);
}

TEST(FrameTimer, CappedModeSleepsOnlyTheExtraDelay)
{
    FrameTimer timer;
    timer.mode = FrameTimer::Capped;
    timer.extraDelayMs = 10;
    for (int i = 0; i < 250; ++i)
    {
        uint32_t before = GetTickCount();
        headless::advance(5);
        timer.tick();
        ASSERT_EQ(GetTickCount() - before, 15u) << "tick " << i;
        ASSERT_EQ(timer.delayMs, 0);
    }
}

TEST(FrameTimer, MeasureOnlyNeverSleeps)
{
    FrameTimer timer;
    for (int i = 0; i < 100; ++i)
    {
        uint32_t before = GetTickCount();
        headless::advance(1);
        timer.tick();
        ASSERT_EQ(GetTickCount() - before, 1u);
    }
    EXPECT_EQ(timer.delayMs, 0);
}

TEST(FrameTimer, RateFollowsRealTimeUnderTheCap)
{
    // 100 ms frames at a 30 fps target: steps are capped, the rate is the real one.
    FrameTimer timer;
    timer.mode = FrameTimer::Capped;
    EXPECT_EQ(runFrames(timer, 21, 100), 21);
    EXPECT_EQ(timer.fps, 10);
    EXPECT_FLOAT_EQ(timer.dt, 0.033f);
}

TEST(FrameTimer, ResetSkipsThePause)
{
    FrameTimer timer;
    headless::advance(5000);
    timer.reset();
    headless::advance(20);
    timer.tick();
    EXPECT_EQ(timer.elapsedMs, 20);
}

TEST(FrameTimer, TickCounterWrapKeepsSteps)
{
    headless::set_time(0xFFFFFFF0ull);
    FrameTimer timer;
    headless::advance(32);
    timer.tick();
    EXPECT_EQ(timer.elapsedMs, 32);
}
