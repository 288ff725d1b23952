// race_canvas_test.cpp -- a race page set up in this process on the demo
// superbike track: the grid, the start lights on the period step, and a race
// of two laps against two rivals (the player's bike on autopilot here) that
// ends through the application with the scoreboard command; the HUD line
// and the sky heading by their numbers.
#include "racing/moravel/tests/race_fixture.h"

#include "content/model3ds/model_writer.h"
#include "racing/framework/testing/key_script.h"

#include <os/sync.h>
#include <os/sysinfo.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace moravel {
namespace {

using namespace race_test;

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
    EXPECT_EQ(page.racers[2], page.player);
    EXPECT_EQ(page.player->segment, n - 7);
    // Lights 1, 2, 3 on the second to fourth period; the race runs from the fourth.
    int shown[4];
    for (int period = 0; period < 4; ++period)
    {
        EXPECT_FALSE(page.running) << period;
        page.onPeriod(1.0f);
        shown[period] = page.start.lightShown;
    }
    EXPECT_EQ(shown[0], 0);
    EXPECT_EQ(shown[1], 1);
    EXPECT_EQ(shown[2], 2);
    EXPECT_EQ(shown[3], 3);
    EXPECT_TRUE(page.running);
    page.onPeriod(1.0f);
    EXPECT_EQ(page.start.lightShown, 0);
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
    uint32_t lastFrameMs = 0;
    while (race.restartedWith.empty() && frames < 30 * 200)
    {
        const uint32_t before = GetTickCount();
        race.frame(dt);
        lastFrameMs = GetTickCount() - before;
        ++frames;
    }
    EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Oval:Bob:N/A");
    // The screen faded to black over two seconds before the restart.
    EXPECT_GE(lastFrameMs, 1900u);
    EXPECT_FALSE(page.isRunning());
    // Two laps of about 1740 units at no more than 110 units a second.
    EXPECT_GT(race.app->raceTime, 2.0f * 1700.0f / 110.0f);
    EXPECT_LT(race.app->raceTime, 120.0f);
    EXPECT_EQ(page.laps.lapsLeft, 0);
    // The rivals rode on too (they passed the start line at least once).
    for (size_t i = 0; i < 2; ++i)
        rivalProgress += page.racers[i]->speed();
    EXPECT_GT(rivalProgress, 0.0f);
}

// The key script of the headless program race (tests/two_laps.script): key
// events on the program's clock, the player waiting on the grid until the
// first. The program takes the events due before its next frame; the race
// here does the same.
constexpr int kScriptFirstKeyMs = 6000;
// The road's bumps are random: the program seeds its generator with the
// clock when it starts, at 0 on the headless back end's clock.
constexpr unsigned kProgramSeed = 0;
using racing_test::KeyEvent;
using racing_test::rideRace;

// The program test's race script, written from the rider above when
// MORAVEL_WRITE_KEY_SCRIPT names a file. Played here, the committed script
// finishes the race, also a little earlier or later (a margin for the
// program's own scheduling).
TEST(RaceCanvas, KeyScriptRidesTwoLaps)
{
    if (const char* path = std::getenv("MORAVEL_WRITE_KEY_SCRIPT"))
    {
        RaceFixture race(false);
        os_srand(kProgramSeed);
        ASSERT_TRUE(race.prepare());
        std::vector<KeyEvent> events;
        int endMs = racing_test::driveRace(race, events, kScriptFirstKeyMs);
        ASSERT_GT(endMs, 0) << "the rider did not finish";
        EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Oval:Bob:N/A");
        std::ofstream(path) << racing_test::scriptText(
            "# Two laps of the superbike oval against two rivals, ridden by keys.\n"
            "# Written by MORAVEL_WRITE_KEY_SCRIPT=<file> moravel_game_tests --gtest_filter=RaceCanvas.KeyScript*\n",
            events, endMs);
    }
    ASSERT_FALSE(
        racing_test::scriptFileEvents(os::testing::source_root() + "/racing/moravel/tests/two_laps.script").empty())
        << "no key script";
    for (int shift : {-10, 0, 10})
    {
        SCOPED_TRACE(shift);
        std::vector<KeyEvent> events = racing_test::scriptFileEvents(
            os::testing::source_root() + "/racing/moravel/tests/two_laps.script", shift);
        RaceFixture race(false);
        os_srand(kProgramSeed);
        ASSERT_TRUE(race.prepare());
        int endMs = rideRace(race, events, [](int) {});
        EXPECT_GT(endMs, 0) << "laps left " << race.page->laps.lapsLeft << ", checkpoint "
                            << race.page->laps.nextCheckpoint << ", segment " << race.page->player->segment
                            << ", speed " << race.page->player->speed() << ", off " << int(race.page->player->offTrack);
        EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Oval:Bob:N/A");
        EXPECT_EQ(race.page->laps.lapsLeft, 0);
        EXPECT_FALSE(race.page->player->autopilot);
    }
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

TEST(RaceCanvas, SettingsOutsideTheirRangeTakeTheMiddleSensitivity)
{
    struct Case
    {
        const char* entry;
        float sensitivity;
    };
    for (Case c : {Case{"strSensitivity=GUIType:checkboxGroup, selected:0\n", 0.25f},
                   Case{"strSensitivity=GUIType:checkboxGroup, selected:2\n", 1.25f},
                   Case{"strSensitivity=GUIType:checkboxGroup, selected:7\n", 0.75f},
                   Case{"strSensitivity=GUIType:checkboxGroup, selected:-3\n", 0.75f}, Case{"", 0.75f}})
    {
        tree().write("GUI/gsetting.properties", std::string("soundEffect=GUIType:checkboxGroup, selected:0\n") + c.entry);
        RaceFixture race(false);
        ASSERT_TRUE(race.prepare());
        EXPECT_FLOAT_EQ(race.page->raceTrack.steerSensitivity, c.sensitivity) << c.entry;
    }
    tree().write("GUI/gsetting.properties", "strSensitivity=GUIType:checkboxGroup, selected:1\n");
}

TEST(RaceCanvas, ATrackTooShortToRaceIsRefused)
{
    // One segment: 8 vertices and 14 faces.
    model3ds::MeshSpec mesh{"track", {}, {}, {}, ""};
    for (int k = 0; k < 8; ++k)
        mesh.positions.insert(mesh.positions.end(), {float(k), 0.0f, 0.0f});
    for (int f = 0; f < 14; ++f)
        mesh.faces.insert(mesh.faces.end(), {0, 1, 2});
    model3ds::ModelSpec model;
    model.meshes.push_back(mesh);
    std::vector<uint8_t> bytes = model3ds::writeModel(model);
    tree().write("scenes/Tiny.3ds", std::string(bytes.begin(), bytes.end()));
    tree().write("scenes/SB_Tiny.properties", "grpTrack=type:Group3D, model:Tiny.3ds, radius:4.0, container:mainScene\n"
                                              "scene.meshPrecision=2.0\n");
    RaceFixture race(false);
    EXPECT_FALSE(race.prepare(u"Tiny"));
    EXPECT_FALSE(race.page->isPrepared);
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
