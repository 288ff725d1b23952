// game_canvas_test.cpp -- a single-player flight built from the device tree
// on a headless window and flown by keys: throttle up, turn, gun, missile
// and decoys; screenshots game_canvas_*.png in OS_OUT. Also the refusal of
// a flight without planes, and the period duties' outcome.
#include "games/skyrend/game_canvas.h"
#include "games/skyrend/flight_link.h"

#include "games/skyrend/console_panel.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/pilots.h"

#include "engine/base/math_utils.h"
#include "engine/base/resource_files.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/scenes/scene3d.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace skyrend;

namespace game_canvas_cases {

const WCHAR* const kResources = u"\\Program Files\\Vasko-Skyrend\\resources\\";

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct Flight : testing::Test
{
    Window* app = nullptr;
    GameCanvas* canvas = nullptr;
    Image consoleImage{240, 160, false};
    std::unique_ptr<ConsolePanel> console;
    PilotRecord pilot{u"Ace", 0, 0, 0};

    void SetUp() override
    {
        initMathTables();
        os_srand(5);
        Aircraft::pursuitThreshold() = 200.0f;
        os::host::headless::clear_boxes();
        const char* build = std::getenv("HH_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        const fs::path from = fs::path(build) / "device" / "Program Files" / "Vasko-Skyrend" / "resources";
        const fs::path to = os::testing::host("Program Files/Vasko-Skyrend/resources");
        fs::create_directories(to);
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        setTempFolder(u"\\Temp\\flight\\");
        addResourcePack(u"scenes.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\scenes");
        addResourcePack(u"aircraft.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\aircraft");
        app = new Window(u"app", nullptr, false);
        ASSERT_TRUE(app->create(0, 0, 240, 320));
        canvas = new GameCanvas(kResources);
        ASSERT_TRUE(app->addChild(canvas, 0, 0, 240, 160));
        console = std::make_unique<ConsolePanel>(consoleImage.dc, RECT{3, 110, 129, 121}, RECT{19, 25, 79, 85},
                                                 RECT{159, 25, 219, 85});
        canvas->setConsole(console.get());
        canvas->setPilot(&pilot);
    }
    void TearDown() override
    {
        canvas->release();
        app->destroy();
        delete app;
        setIdleHandler(nullptr);
        closeResourcePacks();
    }
    GameCanvas::Mission mission(bool exercise)
    {
        GameCanvas::Mission m;
        m.planes = {u"plane_swift_mk2", u"plane_tern"};
        m.plane = 0;
        m.scene = u"scene_red_canyon";
        m.exercise = exercise;
        return m;
    }
    void key(UINT message, int code)
    {
        SendMessageW(canvas->getHandle(), message, WPARAM(code), 0);
    }
    void press(int code)
    {
        key(WM_KEYDOWN, code);
        key(WM_KEYUP, code);
    }
    // Frames of 0.1 s, each drawn and presented.
    void fly(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            canvas->update(0.1f);
            if (i % 6 == 5)
                canvas->runPeriod();
            canvas->paint(true);
            canvas->present(nullptr, -1);
            pump();
        }
    }
    static void shoot(const std::string& name)
    {
        const char* dir = std::getenv("OS_OUT");
        const std::string path = std::string(dir && *dir ? dir : ".") + "/game_canvas_" + name + ".png";
        EXPECT_TRUE(os::host::write_screen_png(os::host::screen(), path)) << path;
    }
};

TEST_F(Flight, AFlightWithoutPlanesIsRefused)
{
    GameCanvas::Mission m = mission(true);
    m.planes.clear();
    EXPECT_FALSE(canvas->buildMission(m));
    EXPECT_FALSE(canvas->buildError().empty());
    EXPECT_EQ(canvas->player(), nullptr);
    m = mission(true);
    m.scene.clear();
    EXPECT_FALSE(canvas->buildMission(m));
}

TEST_F(Flight, AnExerciseFlownByKeys)
{
    ASSERT_TRUE(canvas->buildMission(mission(true))) << os::to_latin1(canvas->buildError());
    EXPECT_TRUE(os::host::headless::boxes().empty()) << os::to_latin1(os::host::headless::boxes().front().text);
    Aircraft* player = canvas->player();
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(canvas->enemies().size(), 3u);
    EXPECT_EQ(canvas->enemies()[0]->target, player);
    EXPECT_FLOAT_EQ(player->flight.position.z, -800.0f);
    fly(10);
    shoot("start");

    press(VK_ADD); // one released key a frame
    fly(1);
    press(VK_ADD);
    fly(1);
    EXPECT_EQ(player->flight.level, 100);
    key(WM_KEYDOWN, VK_LEFT);
    fly(8);
    key(WM_KEYUP, VK_LEFT);
    EXPECT_GT(std::fabs(player->flight.bankSine), 0.1f);
    press(VK_NUMPAD1); // the cockpit view: HUD and frame
    key(WM_KEYDOWN, VK_SPACE);
    fly(12);
    key(WM_KEYUP, VK_SPACE);
    int bullets = 0;
    for (const Bullet* b : player->bullets)
        bullets += b->active;
    EXPECT_GE(bullets, 1);
    press(VK_HOME);
    fly(1);
    int flying = 0;
    for (auto& row : player->stations)
        for (Missile* m : row)
            flying += m->state == Missile::Flying;
    EXPECT_EQ(flying, 1);
    key(WM_KEYDOWN, VK_NEXT);
    fly(1);
    key(WM_KEYUP, VK_NEXT);
    int flares = 0;
    for (const Flare* f : player->flares)
        flares += f->active;
    EXPECT_EQ(flares, 1);
    fly(5);
    shoot("cockpit");
    press(VK_NUMPAD6); // the outside view from above
    fly(20);
    shoot("outside");
    EXPECT_EQ(player->state, Aircraft::Flying);
    EXPECT_EQ(pilot.shootDown + pilot.beShotDown, 0); // an exercise counts nothing
}

TEST_F(Flight, WithoutTheDomeTheSkyColourAndClouds)
{
    GameCanvas::Mission m = mission(true);
    m.skyDome = false;
    m.scene = u"scene_grey_sea";
    ASSERT_TRUE(canvas->buildMission(m)) << os::to_latin1(canvas->buildError());
    EXPECT_TRUE(os::host::headless::boxes().empty());
    EXPECT_TRUE(canvas->basisIsWater());
    auto* clouds = dynamic_cast<Group3D*>(canvas->findComponent(u"cloud"));
    ASSERT_NE(clouds, nullptr);
    EXPECT_FLOAT_EQ(clouds->matrix.m[7], 1000.0f);
    press(VK_NUMPAD7); // the view from behind
    fly(20);
    shoot("clouds");
    EXPECT_NE(static_cast<Scene3D*>(canvas->findScene(u"mainScene"))->bkgColor, Scene::kNoColor);
}

TEST_F(Flight, TheAlarmSoundsOverTheEngineLoop)
{
    ASSERT_TRUE(canvas->buildMission(mission(false)));
    canvas->update(0.1f);
    EXPECT_TRUE(canvas->isSoundPlaying(u"engine"));
    canvas->heatWarning = true;
    canvas->runPeriod();
    EXPECT_TRUE(canvas->isSoundPlaying(u"alarm"));
    // The engine pauses for the alarm and comes back after 0.282 s.
    EXPECT_FALSE(canvas->isSoundPlaying(u"engine"));
    canvas->heatWarning = false;
    fly(4);
    EXPECT_TRUE(canvas->isSoundPlaying(u"engine"));
}

TEST_F(Flight, AMissionLostAndWon)
{
    GameCanvas::Mission m = mission(false);
    m.replaceDowned = false;
    ASSERT_TRUE(canvas->buildMission(m));
    for (Aircraft* enemy : canvas->enemies())
    {
        enemy->aiEnabled = 0;
        enemy->explode(0.1f, true);
        enemy->state = Aircraft::Down;
    }
    for (int i = 0; i < 4; ++i)
        canvas->runPeriod();
    EXPECT_EQ(canvas->outcome(), Outcome::Won);
    EXPECT_EQ(os::to_latin1(canvas->flightMessage()), "All Enemies crashed! \nYou won!");
    EXPECT_EQ(pilot.shootDown, 3);

    ASSERT_TRUE(canvas->buildMission(m));
    canvas->player()->explode(0.1f, false);
    canvas->player()->state = Aircraft::Down;
    for (int i = 0; i < 4; ++i)
        canvas->runPeriod();
    EXPECT_EQ(canvas->outcome(), Outcome::Lost);
    EXPECT_EQ(os::to_latin1(canvas->flightMessage()), "You crashed! \nYou lost!");
    EXPECT_EQ(pilot.beShotDown, 1);
}

// A group's flight: the members of the enter answer, the server's states
// placing them, players entering and leaving, and the keys going to the
// server (the gun fires only on the server's event).
TEST_F(Flight, AGroupFlightFollowsTheServersStatesAndPlayers)
{
    GameCanvas::Mission m = mission(false);
    m.multiplayer = true;
    m.members = {{u"<alice>", 0, {-2000, 250, -2000}}, {u"<bob>", 7, {-2000, 250, -2000}}};
    ASSERT_TRUE(canvas->buildMission(m)) << os::to_latin1(canvas->buildError());
    FlightLink link(nullptr);
    canvas->setSession(nullptr, &link);
    Aircraft* me = canvas->player();
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(canvas->findAircraft(u"<alice>"), me);
    Aircraft* bob = canvas->findAircraft(u"<bob>");
    ASSERT_NE(bob, nullptr) << "a plane index beyond the table is drawn as the first plane";
    EXPECT_EQ(canvas->enemies().size(), 1u);

    auto placed = [](const char16_t* pilot, float x, float y, float z, int events) {
        mp::AircraftState s;
        s.pilot = pilot;
        for (int i = 0; i < 4; ++i)
            s.block.orientation[size_t(i * 5)] = 1.0f;
        s.block.orientation[3] = x;
        s.block.orientation[7] = y;
        s.block.orientation[11] = z;
        s.block.speed = 30.0f;
        s.block.damage = 30;
        s.block.score = 7;
        s.block.events = events;
        return s;
    };
    std::vector<mp::AircraftState> states = {placed(u"<alice>", 0, 300, 0, 0),
                                             placed(u"<bob>", 20, 300, 60, Aircraft::EventCanon),
                                             placed(u"<zed>", 1, 2, 3, 0)}; // nobody here: skipped
    states[1].block.missileStates[0] = Missile::Exploding;
    canvas->applyStates(states);
    EXPECT_EQ(bob->position().x, 20.0f);
    EXPECT_EQ(bob->position().z, 60.0f);
    EXPECT_EQ(bob->damage, 30);
    EXPECT_EQ(bob->score, 7);
    ASSERT_TRUE(bob->hasStations());
    EXPECT_EQ(bob->stations[0][0]->state, Missile::Exploding) << "station 0 is row 0, column 0 on the wire";

    // The gun key goes to the server; only bob's canon events fire here.
    key(WM_KEYDOWN, VK_SPACE);
    for (int round = 0; round < 8; ++round) // longer than the gun's interval
    {
        canvas->applyStates(states);
        fly(1);
    }
    key(WM_KEYUP, VK_SPACE);
    auto firing = [](const Aircraft* a) {
        for (const Bullet* b : a->bullets)
            if (b->active)
                return true;
        return false;
    };
    EXPECT_TRUE(firing(bob));
    EXPECT_FALSE(firing(me));
    EXPECT_EQ(link.currentControls().keyBits & Canvas::KeySpace, Canvas::KeySpace);
    shoot("group");

    // bob leaves: his aircraft goes and his scene objects are hidden; when
    // he comes back his aircraft shows them again.
    Group3D* model = bob->model;
    ASSERT_NE(model, nullptr);
    canvas->onPlayerLeave(u"<bob>");
    EXPECT_EQ(model->visible, 0) << "his model stays in the scene, hidden";
    EXPECT_EQ(canvas->findAircraft(u"<bob>"), nullptr);
    EXPECT_TRUE(canvas->enemies().empty());
    canvas->onPlayerLeave(u"<alice>"); // the player never leaves her own flight
    EXPECT_EQ(canvas->player(), me);
    canvas->onPlayerEnter(u"<bob>", 1, {10, 300, 10});
    canvas->onPlayerEnter(u"<bob>", 1, {10, 300, 10}); // once is enough
    ASSERT_EQ(canvas->enemies().size(), 1u);
    Aircraft* back = canvas->findAircraft(u"<bob>");
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->model, nullptr);
    EXPECT_EQ(back->model->visible, 1);
    fly(2);
}

} // namespace game_canvas_cases
