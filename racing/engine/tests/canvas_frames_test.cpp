// canvas_frames_test.cpp -- a racing page driven by its window timer inside
// the blocking loop: frame order, steps, priority, input before frames
#include "racing/engine/canvas.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <os/windows.h>

#include <string>
#include <vector>

namespace {

class Page : public racing::Canvas
{
public:
    Page() : Canvas(u"page") {}
    void update(float step) override
    {
        log.push_back("update");
        steps.push_back(step);
        priorities.push_back(GetThreadPriority(GetCurrentThread()));
    }
    void renderScenes() override { log.push_back("render"); }
    void afterFrame(float) override
    {
        log.push_back("after");
        if (int(steps.size()) == framesWanted)
            DestroyWindow(getParent()->getHandle());
    }
    void onPeriod(float step) override { periods.push_back(step); }
    void onKey(UINT message, int key) override
    {
        if (message == WM_KEYDOWN)
            log.push_back("key");
    }
    std::vector<std::string> log;
    std::vector<float> steps;
    std::vector<int> priorities;
    std::vector<float> periods;
    int framesWanted = 1 << 30;
};

struct Frame
{
    racing::Window window{u"frame", nullptr, false};
    Page* page = new Page();
    Frame()
    {
        EXPECT_TRUE(window.create(0, 0, 240, 320));
        EXPECT_TRUE(window.addChild(page, 0, 0, 240, 320));
    }
};

} // namespace

TEST(RacingFrames, EachTickIsOneFrameWithAStepAndAboveNormalPriority)
{
    Frame frame;
    frame.page->framesWanted = 2100;
    UpdateWindow(frame.page->getHandle()); // the first paint before the page runs
    frame.page->log.clear();
    int presentsBefore = os::host::headless::presents();
    frame.page->start();
    EXPECT_EQ(racing::runMessageLoop(frame.window.getHandle()), 0);
    ASSERT_EQ(frame.page->steps.size(), 2100u);
    EXPECT_EQ(frame.page->log[0], "update");
    EXPECT_EQ(frame.page->log[1], "render");
    EXPECT_EQ(frame.page->log[2], "after");
    for (size_t i = 0; i < frame.page->steps.size(); ++i)
    {
        ASSERT_GT(frame.page->steps[i], 0.0f) << "frame " << i << ": the platform paces the timer";
        ASSERT_EQ(frame.page->priorities[i], THREAD_PRIORITY_ABOVE_NORMAL);
    }
    // The first 2000 ms window closes once, and onPeriod gets that frame's step.
    ASSERT_EQ(frame.page->periods.size(), 1u);
    EXPECT_FLOAT_EQ(frame.page->periods[0], 0.001f);
    EXPECT_GE(os::host::headless::presents() - presentsBefore, 2099) << "each frame is shown";
    EXPECT_FALSE(frame.page->isRunning()) << "destroying the page's window stopped it";
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
}

TEST(RacingFrames, InputPostedDuringAFrameComesBeforeTheNextFrame)
{
    Frame frame;
    frame.page->framesWanted = 3;
    frame.page->start();
    frame.page->setFocus();
    PostMessageW(frame.page->getHandle(), WM_KEYDOWN, VK_LEFT, 0);
    InvalidateRect(frame.page->getHandle(), nullptr, FALSE);
    racing::runMessageLoop(frame.window.getHandle());
    // The key first, then the paint (a frame while running), then the ticks.
    std::vector<std::string> expected = {"key", "update", "render", "after", "update", "render", "after",
                                         "update", "render", "after"};
    EXPECT_EQ(frame.page->log, expected);
}

TEST(RacingFrames, PaintOfAStoppedPageDrawsWithoutAFrame)
{
    Frame frame;
    SendMessageW(frame.page->getHandle(), WM_PAINT, 0, 0);
    EXPECT_EQ(frame.page->log, std::vector<std::string>{"render"});
    EXPECT_FLOAT_EQ(frame.page->getStep(), -1.0f);
    frame.window.destroy();
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        ;
}

TEST(RacingFrames, TheRacingStepIsNotFlooredTheEngineStepIs)
{
    FrameTimer engine, racingTimer;
    racingTimer.floorDt = false;
    engine.reset();
    racingTimer.reset();
    engine.tick();
    racingTimer.tick();
    EXPECT_FLOAT_EQ(engine.dt, 1e-10f) << "two ticks in one millisecond";
    EXPECT_EQ(racingTimer.dt, 0.0f);
    os::host::headless::advance(3);
    engine.tick();
    racingTimer.tick();
    EXPECT_FLOAT_EQ(engine.dt, 0.003f);
    EXPECT_FLOAT_EQ(racingTimer.dt, 0.003f);
}
