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
#include <filesystem>
#include <fstream>

#include "content/model3ds/model_writer.h"
#include "os/testing/program_run.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace moravel {
namespace {

namespace fs = std::filesystem;

// A copy of the game's folder in a device tree of this test's own, so the
// tests can change its settings and tracks.
struct ScratchTree
{
    os::testing::ScratchFolder folder{"moravel_race"};
    std::string game = folder.path + "/Program Files/Vasko-Moravel";

    ScratchTree()
    {
        fs::create_directories(folder.path + "/Program Files");
        fs::copy(fs::path(MORAVEL_DEVICE_ROOT) / "Program Files" / "Vasko-Moravel", game, fs::copy_options::recursive);
        setenv("OS_BACKEND", "headless", 0);
        setenv("OS_DEVICE_ROOT", folder.path.c_str(), 1);
    }

    void write(const std::string& relative, const std::string& text) const
    {
        std::ofstream(game + "/resources/" + relative, std::ios::binary) << text;
    }
};

const ScratchTree& tree()
{
    static ScratchTree scratch;
    return scratch;
}

const bool kTreeReady = (tree(), true);

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

    bool prepare(const char16_t* trackName = u"Oval")
    {
        return page->prepareRace({u"SBPaint_Blue", u"SBPaint_Red", u"SBPaint_Yellow"}, {trackName}, 1, 0, u"Bob:");
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
