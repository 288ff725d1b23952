// race_canvas_test.cpp -- a race page set up in this process on the demo
// superbike track: the grid, the start lights on the period step, and a race
// of two laps against two rivals (the player's bike on autopilot here) that
// ends through the application with the scoreboard command; the HUD line
// and the sky heading by their numbers.
#include "racing/moravel/race_canvas.h"
#include "racing/moravel/racing_app.h"

#include "engine/scene/3d/group3d.h"

#include <gtest/gtest.h>

#include <cmath>

#include <cstdlib>
#include <memory>
#include <string>

namespace moravel {
namespace {

const bool kHeadlessTree = [] {
    setenv("OS_BACKEND", "headless", 0);
    setenv("OS_DEVICE_ROOT", MORAVEL_DEVICE_ROOT, 0);
    return true;
}();

struct RaceFixture
{
    std::u16string restartedWith;
    std::unique_ptr<RacingApp> app;
    RaceCanvas* page = nullptr;

    explicit RaceFixture(bool exercise)
    {
        RacingApp::restartHook = [this](const std::u16string& command) { restartedWith = command; };
        app = std::make_unique<RacingApp>(u"Vasko-Moravel race test");
        app->create(0, 0, 176, 234);
        app->mode = 0;
        app->exercise = exercise;
        topSpeed = 110.0f;
        page = new RaceCanvas(app.get(), u"\\Program Files\\Vasko-Moravel\\resources\\");
        app->racePage = page;
        app->addChild(page, 0, 0, 176, 234);
    }
    ~RaceFixture() { RacingApp::restartHook = nullptr; }

    bool prepare()
    {
        return page->prepareRace({u"SBPaint_Blue", u"SBPaint_Red", u"SBPaint_Yellow"}, {u"Oval"}, 1, 0, u"Bob:");
    }

    // One frame as the canvas runs it, without drawing.
    void frame(float dt)
    {
        page->update(dt);
        page->afterFrame(dt);
    }
};

TEST(RaceCanvas, GridAndStartLights)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    const int n = page.track.segmentCount;
    ASSERT_EQ(n, 300);
    ASSERT_EQ(page.racers.size(), 3u);
    EXPECT_EQ(page.racers[0]->segment, 1);
    EXPECT_EQ(page.racers[1]->segment, n - 15);
    EXPECT_EQ(page.racers[2], page.player.get());
    EXPECT_EQ(page.player->segment, n - 7);
    // Lights 1, 2, 3 on the second to fourth period; the race runs from the fourth.
    int shown[4];
    for (int period = 0; period < 4; ++period)
    {
        EXPECT_FALSE(page.running) << period;
        page.onPeriod(1.0f);
        shown[period] = page.lightShown;
    }
    EXPECT_EQ(shown[0], 0);
    EXPECT_EQ(shown[1], 1);
    EXPECT_EQ(shown[2], 2);
    EXPECT_EQ(shown[3], 3);
    EXPECT_TRUE(page.running);
    page.onPeriod(1.0f);
    EXPECT_EQ(page.lightShown, 0);
    EXPECT_EQ(page.frameTimer.windowMs, 2000);
    // Rivals get their own paint, never the player's.
    Material* mine = page.player->model->findMaterial(u"body");
    for (size_t i = 0; i < 2; ++i)
    {
        Material* theirs = page.racers[i]->model->findMaterial(u"body");
        ASSERT_NE(theirs, nullptr);
        EXPECT_NE(theirs, mine);
        EXPECT_NE(theirs->texture, mine->texture);
    }
}

TEST(RaceCanvas, TwoLapsAgainstTwoRivalsEndWithTheScoreboard)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    page.player->autopilot = 1; // the test rides the player's bike
    for (int period = 0; period < 4; ++period)
        page.onPeriod(1.0f);
    ASSERT_TRUE(page.running);
    const float dt = 1.0f / 30.0f;
    int frames = 0;
    float rivalProgress = 0.0f;
    while (race.restartedWith.empty() && frames < 30 * 200)
    {
        race.frame(dt);
        ++frames;
    }
    EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Oval:Bob:N/A");
    // Two laps of about 1740 units at no more than 110 units a second.
    EXPECT_GT(race.app->raceTime, 2.0f * 1700.0f / 110.0f);
    EXPECT_LT(race.app->raceTime, 120.0f);
    EXPECT_EQ(page.laps.lapsLeft, 0);
    // The rivals rode on too (they passed the start line at least once).
    for (size_t i = 0; i < 2; ++i)
        rivalProgress += page.racers[i]->speed();
    EXPECT_GT(rivalProgress, 0.0f);
}

TEST(RaceCanvas, AnExerciseEndsAfterOneLapWithTheIntro)
{
    RaceFixture race(true);
    ASSERT_TRUE(race.prepare());
    EXPECT_EQ(race.page->track.lapCount, 1);
    EXPECT_EQ(race.page->player->autopilot, 1);
    for (int period = 0; period < 4; ++period)
        race.page->onPeriod(1.0f);
    for (int frames = 0; race.restartedWith.empty() && frames < 30 * 100; ++frames)
        race.frame(1.0f / 30.0f);
    EXPECT_EQ(race.restartedWith, u"ARG:intro");
}

TEST(RaceCanvas, HudLineAndSkyHeading)
{
    EXPECT_EQ(RaceCanvas::hudText(1.5f, 75.5f, 100.0f), "LAP:1.5 TM:01:15.5 V:126km");
    EXPECT_EQ(RaceCanvas::hudText(2.0f, 0.0f, -20.0f), "LAP:2.0 TM:00:0.0 V:025km");
    EXPECT_NEAR(RaceCanvas::skyHeading(0.0f, 1.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(RaceCanvas::skyHeading(1.0f, 0.0f), 0.25f, 1e-6f);
    EXPECT_NEAR(RaceCanvas::skyHeading(0.0f, -1.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(RaceCanvas::skyHeading(-1.0f, 0.0f), 0.75f, 1e-6f);
    // A sine just over 1 from rounding stays a number.
    float h = RaceCanvas::skyHeading(1.0000001f, 0.0f);
    EXPECT_FALSE(std::isnan(h));
}

} // namespace
} // namespace moravel
