// race_canvas_test.cpp -- the car race page set up in this process on the
// demo track with the built-in library: a vehicle's drive on a straight by
// its numbers (throttle, cruise flag, brake, reverse, steering), the wheel
// turn of a step of no time, board placement, the HUD line, and a race of
// two laps against two rivals ending with the scoreboard command.
#include "racing/tundrel/race_canvas.h"
#include "racing/tundrel/racing_app.h"
#include "racing/tundrel/tests/race_fixture.h"
#include "racing/tundrel/vehicle_libraries.h"

#include "racing/framework/racing_app.h"

#include "engine/base/resource_files.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "racing/engine/model3d.h"
#include "racing/engine/scene3d.h"
#include "racing/framework/testing/board_view.h"
#include "racing/framework/testing/scene_children.h"
#include "racing/engine/sprite.h"

#include "racing/framework/testing/key_script.h"
#include "racing/framework/testing/program_run.h"
#include "racing/framework/testing/scratch_game.h"

#include "os/host/png.h"
#include "os/testing/program_run.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using namespace race_test;

using racing_test::childrenNamed;

TEST(CarRace, SetUpOnTheGridWithBoardsAndTheRightSettings)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    const int n = page.track.segmentCount;
    ASSERT_EQ(n, 320);
    ASSERT_EQ(page.racers.size(), 3u);
    EXPECT_EQ(page.racers[2], page.player);
    EXPECT_EQ(page.vehicleName, u"Coupe");
    // Grid slots 8 apart: rival 0 at 1, the player 8 behind, rival 1 16 behind.
    EXPECT_EQ(page.racers[0]->segment, 1);
    EXPECT_EQ(page.player->segment, n - 7);
    EXPECT_EQ(page.racers[1]->segment, n - 15);
    // The rivals are the library's other vehicle, each a model of its own.
    EXPECT_NE(page.racers[0]->model, page.player->model);
    EXPECT_NE(page.vehicle(0).bodyMaterial, page.playerVehicle().bodyMaterial);
    // "basis" is taken out of the drawn objects.
    EXPECT_EQ(page.player->model->findObject(u"basis"), nullptr);
    EXPECT_NE(page.playerVehicle().basis, nullptr);
    // The demo settings: cruise 80, steering 1.0.
    EXPECT_FLOAT_EQ(page.raceTrack.cruiseSpeed, 80.0f);
    EXPECT_FLOAT_EQ(page.raceTrack.steerSensitivity, 1.0f);
    // Five banners (checkpoint 4 has none) and the advertising boards.
    EXPECT_EQ(childrenNamed(*page.mainScene, u"banner").size(), 5u);
    EXPECT_FALSE(page.billboards.empty());
}

// The page comes from its race template: the track, the vehicles with their
// shadows and the boards are the 3D scene's, the start lights its sprite.
TEST(CarRace, TheRaceTemplateHoldsTheSceneAndTheStartLights)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    ASSERT_NE(page.mainScene, nullptr);
    EXPECT_EQ(page.findScene3D(u"mainScene"), page.mainScene);
    EXPECT_EQ(page.mainScene->findChild(u"grpTrack"), page.trackGroup);
    auto inScene = [&](const Group3D* g) {
        return std::find(page.mainScene->children.begin(), page.mainScene->children.end(), g) !=
               page.mainScene->children.end();
    };
    for (const racing::Racer* v : page.racers)
    {
        EXPECT_TRUE(inScene(v->model));
        EXPECT_TRUE(inScene(v->shadow));
    }
    for (const racing::TrackBoard& b : page.billboards)
        EXPECT_TRUE(inScene(b.model));
    ASSERT_NE(page.lightSprite, nullptr);
    int shown[4];
    for (int period = 0; period < 4; ++period)
    {
        page.onPeriod(1.0f);
        shown[period] = page.start.lightShown;
    }
    EXPECT_EQ(shown[0], 0);
    EXPECT_EQ(shown[3], 3);
    EXPECT_TRUE(page.running);
    EXPECT_TRUE(page.lightSprite->visible);
    page.onPeriod(1.0f);
    EXPECT_FALSE(page.lightSprite->visible);
    EXPECT_EQ(page.frameTimer.windowMs, 2000);
}

TEST(CarRace, VehicleOnAStraightByItsNumbers)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    Vehicle& car = race.page->playerVehicle();
    race.startLights();
    const float dt = 0.1f;
    // Throttle: +50 a second up to 90; the cruise flag once the km/h shown
    // pass the cruise setting (80 / 1.44 = 55.6 units).
    car.accelerate(dt);
    EXPECT_FLOAT_EQ(car.speed(), 5.0f);
    EXPECT_EQ(car.overSpeed, 0);
    car.motion.speed = 55.0f;
    car.accelerate(dt);
    EXPECT_FLOAT_EQ(car.speed(), 60.0f);
    EXPECT_EQ(car.overSpeed, 1);
    car.motion.speed = 89.0f;
    car.accelerate(dt);
    EXPECT_FLOAT_EQ(car.speed(), 90.0f);
    // Braking clears the flag even above the limit.
    car.brake(dt);
    EXPECT_FLOAT_EQ(car.speed(), 86.0f);
    EXPECT_EQ(car.overSpeed, 0);
    // Backwards the brake reverses at 50 a second down to -15.
    car.motion.speed = 0.0f;
    car.brake(dt);
    EXPECT_FLOAT_EQ(car.speed(), -5.0f);
    car.motion.speed = -14.0f;
    car.brake(dt);
    EXPECT_FLOAT_EQ(car.speed(), -15.0f);
    // Steering: no turn at 2 units or below, keys swapped backwards.
    car.steerAngle = 0.0f;
    car.motion.speed = 2.0f;
    car.steer(1, dt);
    EXPECT_FLOAT_EQ(car.steerAngle, 0.1f);
    EXPECT_FLOAT_EQ(car.motion.yawRate, 0.0f);
    car.motion.speed = 10.0f;
    car.steer(1, dt);
    EXPECT_FLOAT_EQ(car.motion.yawRate, car.steerAngle);
    car.motion.speed = -5.0f;
    car.steerAngle = 0.0f;
    car.steer(1, dt);
    EXPECT_FLOAT_EQ(car.steerAngle, -0.1f);
    // Wheel pictures switch at 22.5 and 45 either way.
    for (auto [speed, blur] : {std::pair{22.4f, 0}, {22.6f, 1}, {44.9f, 1}, {45.1f, 2}, {-30.0f, 1}})
    {
        car.motion.speed = speed;
        EXPECT_EQ(car.wheelBlur(), blur) << speed;
    }

    // Driving the straight from the grid with the throttle held: the speed
    // follows v' = 50 - 0.12 v per second (the damping) for a second.
    // Alone on the track: the rivals parked ahead would be run into.
    race.page->racers = {&car};
    car.place(0.0f, car.segment);
    car.steerAngle = 0.0f;
    race.page->onKey(WM_KEYDOWN, VK_UP);
    const int start = car.segment;
    // The keys act while the car is on the ground (not in a falling step).
    float expected = 0.0f;
    int driven = 0;
    for (int i = 0; i < 30; ++i)
    {
        bool grounded = !car.motion.falling;
        race.frame(1.0f / 30.0f);
        if (grounded)
            expected = std::min(expected + 50.0f / 30.0f, 90.0f), ++driven;
        expected *= 1.0f - 0.12f / 30.0f;
    }
    EXPECT_NEAR(car.speed(), expected, 0.5f);
    EXPECT_GT(driven, 25);
    EXPECT_GT(car.speed(), 40.0f);
    EXPECT_EQ(car.offTrack, 0);
    EXPECT_GT((car.segment - start + 320) % 320, 2);
    // Let go with the cruise flag set: it keeps accelerating; a brake ends it.
    car.motion.speed = 60.0f;
    car.accelerate(1.0f / 30.0f);
    ASSERT_EQ(car.overSpeed, 1);
    const float cruising = car.speed();
    race.page->onKey(WM_KEYUP, VK_UP);
    race.frame(1.0f / 30.0f);
    EXPECT_EQ(car.overSpeed, 1);
    EXPECT_GT(car.speed(), cruising);
    race.page->onKey(WM_KEYDOWN, VK_DOWN);
    race.frame(1.0f / 30.0f);
    EXPECT_EQ(car.overSpeed, 0);
}

TEST(CarRace, AStepOfNoTimeKeepsTheWheelTurn)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    Vehicle& car = race.page->playerVehicle();
    car.motion.speed = 20.0f;
    car.steerAngle = 0.5f;
    car.update(0.1f);
    const float turn = car.frontTurn;
    EXPECT_NEAR(turn, 0.5f / 0.1f * 0.015f, 1e-5f);
    car.update(0.0f);
    EXPECT_EQ(car.frontTurn, turn);
    for (int k = 0; k < 4; ++k)
        for (int e = 0; e < 16; ++e)
            ASSERT_TRUE(std::isfinite(car.wheels[k]->matrix.m[e]));
    // A turn of 0.0873 or less is not drawn: the same matrix as no turn.
    Matrix4 a, b;
    car.wheelTransform(car.wheelCentres[0], 0.08f, 1.0f, a);
    car.wheelTransform(car.wheelCentres[0], 0.0f, 1.0f, b);
    for (int e = 0; e < 16; ++e)
        EXPECT_FLOAT_EQ(a.m[e], b.m[e]);
}

// Above 45 units a second on a track with fume the car puffs from both
// exhausts; slower, the puffs end within their 0.4 s.
TEST(CarRace, FastCarsPuffFromBothExhausts)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    ASSERT_TRUE(race.page->raceTrack.hasFume);
    race.startLights();
    Vehicle& car = race.page->playerVehicle();
    race.page->racers = {&car};
    int seen[2] = {0, 0};
    for (int i = 0; i < 30; ++i)
    {
        car.motion.speed = 60.0f;
        race.frame(0.03f);
        for (int e = 0; e < 2; ++e)
            seen[e] = std::max(seen[e], car.fume.visible(e));
    }
    EXPECT_GE(seen[0], 1);
    EXPECT_GE(seen[1], 1);
    for (int i = 0; i < 20; ++i)
    {
        car.motion.speed = 30.0f;
        race.frame(0.03f);
    }
    EXPECT_EQ(car.fume.visible(0) + car.fume.visible(1), 0);
}

// Boards by the picture's shape at the car game's sizes; runs of boards
// every interval + repeat segments (2 apart for an upright one), the content
// changing after each cycle, past the start line near the end of the track.
TEST(CarRace, BoardsByAspectAndTheirPlaces)
{
    struct Case
    {
        int w, h, kind;
        float size;
    };
    for (Case c : {Case{256, 32, 0, 3.0f}, Case{128, 32, 1, 5.0f}, Case{32, 64, 2, 3.5f}, Case{64, 64, 3, 1.6f}})
    {
        const int kind = racing::boardKindOf(c.w, c.h);
        EXPECT_EQ(kind, c.kind) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(racing::boardScaleOf(kind, 6.0f), c.size);
    }
    std::vector<racing::BoardPlace> places = racing::placeBoards(300, 10, 3, {2});
    ASSERT_GE(places.size(), 6u);
    const int expected[6] = {0, 3, 6, 13, 16, 19};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(places[size_t(i)].segment, expected[i]);
    places = racing::placeBoards(40, 10, 3, {0, 3});
    EXPECT_EQ(places[0].content, 0);
    EXPECT_EQ(places[3].content, 1);
    for (const racing::BoardPlace& p : places)
        EXPECT_LT(p.segment, 40);
}

TEST(CarRace, HudLine)
{
    EXPECT_EQ(RaceCanvas::hudText(2.0f, 75.5f, 10.0f, true), "LAP:2.0 TM:01:15 V:014km (cruise)");
    EXPECT_EQ(RaceCanvas::hudText(1.5f, 5.0f, -20.0f, false), "LAP:1.5 TM:00:05 V:028km ( )");
}

TEST(CarRace, TwoLapsAgainstTwoRivalsEndWithTheScoreboard)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(0));
    RaceCanvas& page = *race.page;
    page.player->autopilot = 1; // the test drives the player's truck
    race.startLights();
    ASSERT_TRUE(page.running);
    int frames = 0;
    while (race.restartedWith.empty() && frames < 30 * 300)
    {
        race.frame(1.0f / 30.0f);
        ++frames;
    }
    EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Ring:Ann:N/A");
    EXPECT_EQ(page.laps.lapsLeft, 0);
    EXPECT_GT(race.app->raceTime, 2.0f * page.track.trackLength / 90.0f);
}

TEST(CarRace, AnExerciseEndsInTheMainMenu)
{
    RaceFixture race(true);
    ASSERT_TRUE(race.prepare(1));
    race.startLights();
    int frames = 0;
    while (race.restartedWith.empty() && frames < 30 * 200)
    {
        race.page->update(1.0f / 30.0f);
        race.page->afterFrame(1.0f / 30.0f);
        ++frames;
    }
    EXPECT_EQ(race.restartedWith, u"ARG:MainMenu");
}

// The key script of the headless walk (tests/two_laps.script): the storage
// card's wagon against two of its kind (prepareCardRace), driven by keys
// from the first key at 6 s of the race instance's clock.
constexpr int kScriptFirstKeyMs = 6000;

// Written from the driver when TUNDREL_WRITE_KEY_SCRIPT names a file; the
// committed script, played here, finishes the race, also a little earlier
// or later (a margin for the program's own scheduling).
TEST(CarRace, KeyScriptDrivesTwoLaps)
{
    using namespace racing_test;
    if (const char* path = std::getenv("TUNDREL_WRITE_KEY_SCRIPT"))
    {
        RaceFixture race(false);
        os_srand(kProgramSeed);
        ASSERT_TRUE(prepareCardRace(race));
        std::vector<KeyEvent> events;
        int endMs = driveRace(race, events, kScriptFirstKeyMs, 40.0f);
        ASSERT_GT(endMs, 0) << "the driver did not finish: laps left " << race.page->laps.lapsLeft << ", checkpoint "
                            << race.page->laps.nextCheckpoint << ", segment " << race.page->player->segment
                            << ", speed " << race.page->player->speed() << ", events " << events.size() << ", off "
                            << int(race.page->player->offTrack) << ", falling " << int(race.page->player->motion.falling)
                            << ", rivals " << race.page->racers[0]->segment << "/" << race.page->racers[0]->speed() << " "
                            << race.page->racers[1]->segment << "/" << race.page->racers[1]->speed() << ", steer "
                            << race.page->player->steerAngle << ", keys " << race.page->getKeyBits() << ", y "
                            << race.page->player->motion.position.y << " ground " << race.page->player->groundHeight;
        EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Ring:Player:N/A");
        std::ofstream(path) << scriptText("# Two laps of the Ring in the storage card's wagon against two rivals, by keys.\n"
                                          "# Written by TUNDREL_WRITE_KEY_SCRIPT=<file> tundrel_game_tests "
                                          "--gtest_filter=CarRace.KeyScript*\n",
                                          events, endMs);
    }
    ASSERT_FALSE(scriptFileEvents(os::testing::source_root() + "/racing/tundrel/tests/two_laps.script").empty())
        << "no key script";
    for (int shift : {-10, 0, 10})
    {
        SCOPED_TRACE(shift);
        std::vector<KeyEvent> events = scriptFileEvents(
            os::testing::source_root() + "/racing/tundrel/tests/two_laps.script", shift);
        RaceFixture race(false);
        os_srand(kProgramSeed);
        ASSERT_TRUE(prepareCardRace(race));
        int endMs = rideRace(race, events, [](int) {});
        EXPECT_GT(endMs, 0);
        EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Ring:Player:N/A");
        EXPECT_EQ(race.page->laps.lapsLeft, 0);
        EXPECT_FALSE(race.page->player->autopilot);
    }
}

} // namespace
} // namespace tundrel

namespace tundrel {
namespace {

std::vector<uint32_t> pixelsOf(const Image& image)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            out.push_back(image.colorAt(x, y) & 0xFFFFFF);
    return out;
}

// The player's coupe on the grid seen from behind (the first preset): its
// textured paint (red with a white stripe) low in the middle of the
// picture, by the projection's shift below the middle; its shadow, through
// the mask "shadow.jpg", darkens the road round it by degrees.
TEST(CarRace, TheTexturedCarStandsLowOverItsMaskShadow)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    EXPECT_EQ(page.projectionShift, int(0.75f * (244.0f / 320.0f * 160.0f)));
    page.setCameraPreset(0);
    for (int i = 0; i < 120; ++i)
        race.frame(1.0f / 30.0f);
    Vehicle& car = page.playerVehicle();
    car.fume.hide();
    page.renderScenes();
    Image& screen = *page.getBackBuffer()->getImage();
    const std::vector<uint32_t> shaded = pixelsOf(screen);
    const int w = screen.width, h = screen.height;
    // The paint's red (the kerbs far off are red too: the middle of the red
    // pixels, by their medians, is the car).
    std::vector<int> xs, ys;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const uint32_t p = shaded[size_t(y * w + x)];
            if ((p >> 16) > 150 && (p >> 8 & 255) < 80 && (p & 255) < 80)
                xs.push_back(x), ys.push_back(y);
        }
    ASSERT_GT(xs.size(), 100u);
    std::nth_element(xs.begin(), xs.begin() + xs.size() / 2, xs.end());
    std::nth_element(ys.begin(), ys.begin() + ys.size() / 2, ys.end());
    const int cx = xs[xs.size() / 2], cy = ys[ys.size() / 2];
    EXPECT_NEAR(cx, w / 2.0f, w * 0.05f);
    EXPECT_NEAR(cy, h / 2.0f + float(page.projectionShift), h * 0.08f);
    int stripe = 0;
    for (int y = std::max(cy - 20, 0); y < std::min(cy + 20, h); ++y)
        for (int x = cx - 20; x < cx + 20; ++x)
        {
            const uint32_t p = shaded[size_t(y * w + x)];
            stripe += (p >> 16) > 200 && (p >> 8 & 255) > 200 && (p & 255) > 200;
        }
    EXPECT_GT(stripe, 3) << "the body's picture";

    car.shadow->visible = 0;
    page.renderScenes();
    const std::vector<uint32_t> bare = pixelsOf(screen);
    auto sum = [](uint32_t p) { return int(p >> 16) + int(p >> 8 & 255) + int(p & 255); };
    int darker = 0, lighter = 0;
    std::set<int> depths;
    for (size_t i = 0; i < bare.size(); ++i)
    {
        const int d = sum(bare[i]) - sum(shaded[i]);
        darker += d > 30;
        lighter += d < -30;
        if (d > 30)
            depths.insert(d / 30);
    }
    EXPECT_GT(darker, 20);
    EXPECT_EQ(lighter, 0);
    EXPECT_GT(depths.size(), 3u) << "a mask darkens by degrees";
}

// The car's banners are the motorbike game's: a blank of the banner colour
// with a one-pixel frame and the bold text in the text colour, the whole
// picture tinted by the track's ambient colour; the model at twice 0.65 of
// the track's half width, each banner a texture of its own.
TEST(CarRace, BannersFramedInTheTextColourAndTinted)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    const std::vector<Group3D*> banners = childrenNamed(*page.mainScene, u"banner");
    ASSERT_EQ(banners.size(), 5u);
    // The demo track: text (255, 255, 255), banner (20, 60, 180), ambient (230, 230, 230).
    auto tinted = [](uint32_t c) {
        auto ch = [&](int s) { return uint32_t(int(c >> s & 255) * 230 >> 8); };
        return ch(16) << 16 | ch(8) << 8 | ch(0);
    };
    std::set<const Texture*> textures;
    for (Group3D* banner : banners)
    {
        EXPECT_NEAR(banner->radius, page.track.halfWidth * 0.65f * 2.0f, 1e-3f);
        const Material* board = banner->findMaterial(u"board");
        ASSERT_TRUE(board && board->texture && board->texture->image);
        textures.insert(board->texture);
        const Image& picture = *board->texture->image;
        auto near = [](uint32_t a, uint32_t b) {
            for (int s : {0, 8, 16})
                if (std::abs(int(a >> s & 255) - int(b >> s & 255)) > 12)
                    return false;
            return true;
        };
        EXPECT_TRUE(near(picture.colorAt(picture.width / 2, 0), tinted(0xFFFFFF))) << "the frame";
        EXPECT_TRUE(near(picture.colorAt(0, picture.height / 2), tinted(0xFFFFFF))) << "the frame";
        EXPECT_TRUE(near(picture.colorAt(2, 2), tinted(0x143CB4))) << "the banner inside the frame";
    }
    EXPECT_EQ(textures.size(), 5u);
}

// Banners and boards face along the road's direction at their segment, its
// slope included (the demo Ring climbs and falls), and stand upright: a
// banner's up leans back no further than the slope and its text's baseline
// stays level. The shortest turn from the banner's own facing onto a
// direction that runs nearly against it up or down a slope rolls it over
// (the start banner stood on its head). A banner text stands whole inside
// the frame: at the origin made for letters half as wide as high, x = (128
// - length x 15 / 2) / 2, the bold "CHECK POINT k" would run over the frame
// and lose its number; it is centred by its measured width.
TEST(CarRace, BannersAndBoardsFaceAlongTheSlopeWithTheirTextsWhole)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    const int n = page.track.segmentCount;
    const auto& points = page.track.points;
    int sloped = 0;
    // The board's own facing (across for banners, along, or half turned to
    // either side) turned onto the road's direction.
    auto facesAlong = [&](const Group3D& board, int s) {
        Vector3 d;
        d.setDifference(points[size_t(s)], points[size_t((s + 1) % n)]);
        d.normalize();
        sloped += std::fabs(d.y) > 0.01f;
        for (Vector3 facing : {Vector3(0.0f, 0.0f, 1.0f), Vector3(1.0f, 0.0f, 0.0f), Vector3(0.4f, 0.0f, 0.4f),
                               Vector3(-0.4f, 0.0f, 0.4f)})
        {
            Vector3 forward;
            facing.normalize();
            board.matrix.transformVectorTo(facing, forward);
            forward.normalize();
            // The engine's turn is good to a few thousandths; the slope
            // (a hundredth and more on the Ring's hills) must show.
            if (std::fabs(forward.x - d.x) < 1e-2f && std::fabs(forward.y - d.y) < 5e-3f &&
                std::fabs(forward.z - d.z) < 1e-2f)
                return true;
        }
        return false;
    };
    const std::vector<Group3D*> banners = childrenNamed(*page.mainScene, u"banner");
    ASSERT_EQ(banners.size(), 5u);
    const int at[5] = {0, 1, 2, 3, 5};
    for (size_t i = 0; i < banners.size(); ++i)
    {
        const int s = ((page.track.checkpoints[at[i]] % n) + n) % n;
        EXPECT_TRUE(facesAlong(*banners[i], s)) << "banner " << i;
        EXPECT_GT(racing_test::boardAxis(*banners[i], Vector3(0.0f, 1.0f, 0.0f)).y, 0.98f) << "banner " << i;
        EXPECT_NEAR(racing_test::boardAxis(*banners[i], Vector3(1.0f, 0.0f, 0.0f)).y, 0.0f, 1e-3f)
            << "banner " << i << ": a level baseline";
        // The first and last white columns of the text inside the frame (its
        // sides at 0 and width - 2).
        const Image& picture = *banners[i]->findMaterial(u"board")->texture->image;
        int first = picture.width, last = -1;
        for (int x = 1; x < picture.width - 2; ++x)
            for (int y = 2; y < picture.height - 2; ++y)
                if ((picture.colorAt(x, y) & 0xC0C0C0) == 0xC0C0C0)
                    first = std::min(first, x), last = std::max(last, x);
        EXPECT_GE(first, 2) << "banner " << i;
        EXPECT_LE(last, picture.width - 4) << "banner " << i << ": the text runs into the frame";
    }
    for (const racing::TrackBoard& board : page.billboards)
    {
        EXPECT_TRUE(facesAlong(*board.model, board.segment)) << "board at " << board.segment;
        EXPECT_GT(racing_test::boardAxis(*board.model, Vector3(0.0f, 1.0f, 0.0f)).y, 0.98f)
            << "board at " << board.segment;
    }
    EXPECT_GT(sloped, 0) << "some stand on a slope";
}

// From the grid, before the lights, the start banner's picture lies on the
// screen as its letters read: its columns from left to right along the
// rows, its rows from top to bottom (a banner on its head shows both
// reversed; one with its back to the grid shows the texture's columns
// along the rows, as streaks).
TEST(CarRace, TheStartBannerReadsFromTheGrid)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    // Two seconds before the lights, as the program shows them.
    for (int i = 0; i < 60; ++i)
        race.frame(1.0f / 30.0f);
    EXPECT_TRUE(racing_test::startBannerReadsUpright(*race.page));
}

// The loading bar while the track is built: "Set up Track" at every tenth
// segment i of the walk, 100 x (i + 1) / 320 (so never 100), then "Set up
// billboard" likewise over the boards' walk, segments 0 to 318, whatever
// the number of boards placed.
TEST(CarRace, TheLoadingBarStepsEveryTenthSegment)
{
    struct Recording : RaceCanvas
    {
        using RaceCanvas::RaceCanvas;
        std::vector<std::pair<std::u16string, int>> shown;
        void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) override
        {
            shown.emplace_back(text ? text : u"", percent);
            RaceCanvas::onLoad(text, templateName, percent);
        }
    };
    Recording* recording = nullptr;
    RaceFixture race(false, [&](RacingApp* app) { return recording = new Recording(app, kResources); });
    ASSERT_TRUE(race.prepare(1));
    ASSERT_EQ(race.page->track.segmentCount, 320);
    std::vector<int> expected;
    for (int i = 0; i < 320; i += 10)
        expected.push_back(100 * (i + 1) / 320);
    ASSERT_EQ(expected.size(), 32u);
    EXPECT_EQ(expected[3], 9);
    EXPECT_EQ(expected.back(), 97);
    for (const char16_t* text : {u"Set up Track", u"Set up billboard"})
    {
        SCOPED_TRACE(text[7] == u'T' ? "Set up Track" : "Set up billboard");
        std::vector<int> percents;
        for (const auto& [shownText, percent] : recording->shown)
            if (shownText == text)
                percents.push_back(percent);
        EXPECT_EQ(percents, expected);
    }
    // The track first, then its boards.
    auto first = [&](const char16_t* text) {
        return std::find_if(recording->shown.begin(), recording->shown.end(),
                            [&](const auto& s) { return s.first == text; });
    };
    EXPECT_LT(first(u"Set up Track"), first(u"Set up billboard"));
}

// A picture listed twice in "scene.billboard" is one texture of the page's
// cache, tinted by the ambient colour once: tinted for each listing it
// would come out darker than the same picture listed once (the ambient
// colour squared), unlike every other board.
TEST(CarRace, APictureListedTwiceIsTintedOnce)
{
    const std::string ring = tree().read("scenes/Ring.properties");
    auto boardPicture = [&](const char* contents) {
        std::string track = ring;
        const size_t at = track.find("scene.billboard=");
        track.erase(at, track.find('\n', at) + 1 - at);
        tree().write("scenes/Twice.properties",
                     track + "scene.billboard=side:left, interval:24, repeat:2, contents:(" + contents + ")\n");
        RaceFixture race(false);
        EXPECT_TRUE(race.page->prepareRace({kBuiltIn}, {u"Bighorn", u"Coupe"}, {u"Twice"}, 0, 1, 0, u"Ann:"));
        std::set<const Texture*> textures;
        for (const racing::TrackBoard& board : race.page->billboards)
            textures.insert(board.model->findMaterial(u"board")->texture);
        EXPECT_EQ(textures.size(), 1u) << contents;
        return textures.empty() ? std::vector<uint32_t>() : pixelsOf(*(*textures.begin())->image);
    };
    const std::vector<uint32_t> once = boardPicture("ad_square.jpg");
    ASSERT_FALSE(once.empty());
    EXPECT_EQ(boardPicture("ad_square.jpg; ad_square.jpg"), once);
    EXPECT_EQ(boardPicture("ad_square.jpg; ad_square.jpg; ad_square.jpg"), once);
}

// The vehicle's file is loaded into the page under the racer's prefix: the
// page builds its model and its lower level; the body gets detail 3 and
// reflectivity 200, the wheels 2 and flat shading, the library's colour
// goes to the lower level's body only; the shadow is the mask
// "shadow.jpg" on a chip of 45 by 100 at the vehicle's size x 0.012; the
// puffs carry the file's fume name.
TEST(CarRace, VehiclesLoadIntoThePageUnderTheirPrefix)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    EXPECT_EQ(page.getTemplate().get(u"prefix"), nullptr);
    Vehicle& car = page.playerVehicle();
    EXPECT_EQ(car.model, page.findGroup3D(u"myCar"));
    EXPECT_EQ(page.vehicle(0).model, page.findGroup3D(u"rival0Car"));
    EXPECT_FLOAT_EQ(car.size, 2.0f); // the coupe
    ASSERT_TRUE(car.bodyMaterial && car.wheelMaterial);
    EXPECT_EQ(car.bodyMaterial->detailLevel, 3);
    EXPECT_EQ(car.bodyMaterial->shininessStrength, 200);
    ASSERT_NE(car.bodyMaterial->texture, nullptr); // "Coupe_body.jpg"
    EXPECT_EQ(car.wheelMaterial->detailLevel, 2);
    EXPECT_EQ(car.wheelMaterial->flat, 1);
    EXPECT_EQ(car.wheelMaterial->texture, car.wheelTextures[0]);
    EXPECT_EQ(car.wheelTextures[1], car.wheelTextures[2]); // "_whl2.jpg" twice

    ASSERT_NE(car.model->levels, nullptr);
    EXPECT_EQ(car.model->levelCount, 1);
    EXPECT_FLOAT_EQ(car.model->levelDistance, 60.0f);
    const Mesh* lowBody = car.model->findLevelObject(0, u"body");
    const Mesh* lowWindows = car.model->findLevelObject(0, u"windows");
    const Mesh* lowWheels = car.model->findLevelObject(0, u"wheels");
    ASSERT_TRUE(lowBody && lowWindows && lowWheels);
    EXPECT_EQ(lowBody->material->color, 0xC81E1Eu); // "LODBodyColor" of the coupe
    EXPECT_NE(car.bodyMaterial->color, 0xC81E1Eu);
    EXPECT_EQ(lowBody->material->detailLevel, 3);
    EXPECT_EQ(lowWindows->material->shininessStrength, 200);
    EXPECT_EQ(lowWheels->material->color, 0u);
    EXPECT_EQ(lowWheels->material->detailLevel, 2);

    ASSERT_NE(car.shadow, nullptr);
    EXPECT_EQ(childrenNamed(*page.mainScene, u"myCarShadow").size(), 1u);
    const Material* shade = car.shadow->getMaterial();
    ASSERT_TRUE(shade && shade->mask);
    EXPECT_EQ(shade->texture, nullptr);
    EXPECT_EQ(shade->color, 0u);
    Vector3 lo, hi;
    car.shadow->mesh(0)->getBounds(lo, hi);
    EXPECT_NEAR((hi.x - lo.x) / (hi.z - lo.z), 0.45f, 1e-3f);
    EXPECT_NEAR(hi.z - lo.z, 2.0f * 100.0f * car.size * 0.012f, 1e-2f);
    EXPECT_EQ(childrenNamed(*page.mainScene, u"myFume0").size(), 2u);
}

// The car track's builder: the scene's near plane at 10 and its far one at
// 500, the road in a new material "track" of detail 1 with the bitmap road,
// the sky panorama 1.65 times its picture at the page's zoom and scale; the
// race message shown while loading, hidden once set up.
TEST(CarRace, TheTrackBuilderSetsTheSceneRoadAndSky)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    EXPECT_FLOAT_EQ(page.mainScene->environment.frontClip, 10.0f);
    EXPECT_FLOAT_EQ(page.mainScene->environment.backClip, 500.0f);
    Material* road = page.trackGroup->findMaterial(u"track");
    ASSERT_NE(road, nullptr);
    EXPECT_EQ(page.trackMesh->material, road);
    EXPECT_EQ(road->detailLevel, 1);
    ASSERT_NE(road->texture, nullptr);
    EXPECT_EQ(road->mask, nullptr); // "track.hasMask=0"
    ASSERT_TRUE(page.skyTexture && page.skyTexture->image);
    EXPECT_EQ(page.skyTexture->image->width, page.scaleToScreen(int(512 * 1.65f)));
    EXPECT_EQ(page.skyTexture->image->height, page.scaleToScreen(int(128 * 1.65f)));
    EXPECT_FLOAT_EQ(page.sky.placement.screenScale, 0.75f);
    racing::SceneSprite* message = page.findSpriteScene(u"sceneMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->visible, 0);
    racing::showSceneMessage(page, u"Set up", 7);
    EXPECT_EQ(message->visible, 1);
    EXPECT_EQ(message->findChild(u"sptMessage")->getText(), u"Set up");
    EXPECT_EQ(message->findChild(u"sptMessage")->extra, 7);
    racing::showSceneMessage(page, nullptr, 0);
    EXPECT_EQ(message->visible, 0);
}

// Puffs falling back to the camera fade out before the near plane: one
// just beyond it is all but transparent, one halfway gets half of what it
// lacked, one beside the car keeps the fade of its age.
TEST(CarRace, PuffsNearTheCameraFadeOut)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(1));
    RaceCanvas& page = *race.page;
    race.startLights();
    page.setCameraPreset(0);
    for (int i = 0; i < 60; ++i)
        race.frame(1.0f / 30.0f);
    const racing::Camera& camera = *page.camera;
    Vector3 look;
    look.setDifference(camera.target, camera.position);
    const float toCar = look.length();
    look.normalize();
    const float nearPlane = page.mainScene->environment.frontClip;
    ASSERT_FLOAT_EQ(nearPlane, 10.0f);
    const float clear = std::max(2.0f * nearPlane, 0.75f * toCar);
    Vehicle& car = page.playerVehicle();
    struct Case
    {
        float depth;
        int before, atLeast, atMost;
    };
    for (Case c : {Case{nearPlane + 0.1f, 0, 250, 255}, Case{(clear + nearPlane) / 2.0f, 100, 170, 185},
                   Case{clear + 1.0f, 100, 100, 100}})
    {
        SCOPED_TRACE(c.depth);
        racing::ExhaustPuff& puff = car.fume.puffs[0][0];
        puff.object->visible = 1;
        puff.base.position.set(camera.position.x + look.x * c.depth, camera.position.y + look.y * c.depth,
                               camera.position.z + look.z * c.depth);
        puff.chipMaterial->transparency = c.before;
        page.fadeNearPuffs();
        EXPECT_GE(puff.chipMaterial->transparency, c.atLeast);
        EXPECT_LE(puff.chipMaterial->transparency, c.atMost);
    }
}

// The settings page's "chkGAPIVideo" box ticked by the pen in the program
// is kept in "gsetting.properties"; a race set up with that file draws
// through the direct display (and closes it with the page).
TEST(CarRaceGapi, TheSettingsPageTurnsTheDirectDisplayOn)
{
    using racing_test::tap;
    racing_test::ProgramRun run(os::testing::built_device_root(), "Vasko-Tundrel",
                                {"Program Files/Classic Pack", "Storage Card", "registry"});
    // Cover, intro, main menu, playing menu, its settings; the box; Done.
    const std::string toSettings = "wait 1000\n" + tap(88, 189) + "wait 1500\n" + tap(88, 189) + "wait 1500\n" +
                                   tap(88, 221) + "wait 1000\n" + tap(88, 183) + "wait 1000\nshot settings\n";
    run.run(toSettings + tap(16, 178) + "wait 300\nshot ticked\n" + tap(88, 219) + "wait 1500\nshot left\n", "");
    ASSERT_TRUE(run.waitFor("left"));
    EXPECT_GT(racing_test::changed(run.shot("settings"), run.shot("ticked")), 20); // the box shows its tick
    const std::string saved = racing_test::fileText(run.tree +
                                                    "/Program Files/Vasko-Tundrel/resources/GUI/gsetting.properties");
    const size_t at = saved.find("\nchkGAPIVideo=");
    ASSERT_NE(at, std::string::npos) << saved;
    EXPECT_NE(saved.substr(at, saved.find('\n', at + 1) - at).find("status:1"), std::string::npos) << saved;

    const std::string shipped = tree().read("GUI/gsetting.properties");
    for (bool ticked : {false, true})
    {
        SCOPED_TRACE(ticked);
        tree().write("GUI/gsetting.properties", ticked ? saved : shipped);
        {
            RaceFixture race(false);
            ASSERT_TRUE(race.prepare());
            EXPECT_EQ(GapiDisplay::isDisplayOpen(), ticked);
        }
        EXPECT_FALSE(GapiDisplay::isDisplayOpen());
    }
    tree().write("GUI/gsetting.properties", shipped);
}

} // namespace
} // namespace tundrel
