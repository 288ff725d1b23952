// game_canvas_test.cpp -- a single-player flight built from the device tree
// on a headless window and flown by keys: throttle up, turn, gun, missile
// and decoys; screenshots game_canvas_*.png in OS_OUT. Also the refusal of
// a flight without planes, and the period duties' outcome.
#include "games/skyrend/game_canvas.h"
#include "games/skyrend/flight_link.h"

#include "games/skyrend/console_panel.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/missile.h"
#include "games/skyrend/flight/particles.h"
#include "games/skyrend/pilots.h"

#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/scenes/scene3d.h"

#include "os/testing/gx.h"
#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
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

// The flight canvas with its back buffer in reach.
struct FlightCanvas : GameCanvas
{
    using GameCanvas::GameCanvas;
    Image* backBuffer() { return getBackBufferImage(); }
};

struct Flight : testing::Test
{
    Window* app = nullptr;
    FlightCanvas* canvas = nullptr;
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
        canvas = new FlightCanvas(kResources);
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
        m.planes = {u"plane_swift mk2", u"plane_tern"};
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

// The sky colour ("env.skyColor" of the scene) fills the background and
// the haze without the dome; under the dome the haze keeps the fog's own
// white, in which the frame also starts.
TEST_F(Flight, TheFogsColourFollowsTheSky)
{
    for (bool dome : {true, false})
    {
        GameCanvas::Mission m = mission(true);
        m.skyDome = dome;
        m.scene = u"scene_grey_sea"; // sky (150;165;185)
        ASSERT_TRUE(canvas->buildMission(m));
        auto* scene = static_cast<Scene3D*>(canvas->findScene(u"mainScene"));
        ASSERT_NE(scene->environment->fog, nullptr);
        const uint32_t expected = dome ? 0xFFFFFF : packRGB(150, 165, 185);
        EXPECT_EQ(scene->environment->fog->color, expected) << dome;
        EXPECT_EQ(scene->bkgColor, expected) << dome;
        EXPECT_EQ(scene->environment->fog->front, 1150);
        EXPECT_EQ(scene->environment->fog->back, 1370);
    }
}

// The ground's picture (6 repeats across it) and the clouds' (4) scroll
// against the eye by the layers' own width and depth, so they stay over the
// same place of the ground as the layers follow the eye.
TEST_F(Flight, TheGroundsPictureScrollsByItsOwnSize)
{
    GameCanvas::Mission m = mission(true);
    m.skyDome = false;
    ASSERT_TRUE(canvas->buildMission(m));
    auto* world = dynamic_cast<Group3D*>(canvas->findComponent(u"scene"));
    auto* clouds = dynamic_cast<Group3D*>(canvas->findComponent(u"cloud"));
    ASSERT_NE(world, nullptr);
    ASSERT_NE(clouds, nullptr);
    Mesh* basis = world->findObject(u"basis");
    ASSERT_NE(basis, nullptr);
    // A ground of half the width and the same depth.
    const float half[12] = {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    basis->transform(half, true);
    Vector3 lo, hi;
    basis->getBounds(lo, hi);
    const float width = hi.x - lo.x, depth = hi.z - lo.z;
    EXPECT_NEAR(width, 1400.0f, 20.0f);
    clouds->findObject(u"cloud")->getBounds(lo, hi);
    const float cloudWidth = hi.x - lo.x, cloudDepth = hi.z - lo.z;
    fly(1);
    const Vector3 eye = static_cast<Scene3D*>(canvas->findScene(u"mainScene"))->camera->position;
    const Material* ground = basis->material;
    EXPECT_NEAR(ground->textureOffsetU / 65536.0, -6.0 / width * eye.x, 1e-3);
    EXPECT_NEAR(ground->textureOffsetV / 65536.0, 6.0 / depth * eye.z, 1e-3);
    const Material* sky = clouds->findObject(u"cloud")->material;
    EXPECT_NEAR(sky->textureOffsetU / 65536.0, -eye.x / cloudWidth * 4.0, 1e-3);
    EXPECT_NEAR(sky->textureOffsetV / 65536.0, eye.z / cloudDepth * 4.0, 1e-3);
}

// The canopy reflects the scene's sky picture and is seen from inside too;
// the engine's glow is lit at the highest level and one-sided.
TEST_F(Flight, TheCanopyReflectsTheSky)
{
    ASSERT_TRUE(canvas->buildMission(mission(true)));
    ASSERT_NE(canvas->environmentTexture(), nullptr);
    auto* world = dynamic_cast<Group3D*>(canvas->findComponent(u"scene"));
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(canvas->environmentTexture(), world->findMaterial(u"envglobe")->texture);
    for (Aircraft* a : {canvas->player(), canvas->enemies().front()})
    {
        Material* glass = a->model->findMaterial(u"glass");
        ASSERT_NE(glass, nullptr);
        EXPECT_EQ(glass->reflectionMap, canvas->environmentTexture());
        EXPECT_EQ(glass->twoSided, 1);
        EXPECT_EQ(glass->detailLevel, 5);
        EXPECT_EQ(glass->transparency, 64);
        Material* glow = a->model->findMaterial(u"spoutflame");
        ASSERT_NE(glow, nullptr);
        EXPECT_EQ(glow->twoSided, 0);
        EXPECT_EQ(glow->detailLevel, 5);
    }
}

// Target boxes carry the aircraft's depth in the view (the cross of a near
// target below 420), not its distance.
TEST_F(Flight, TargetBoxesTakeTheDepthInTheView)
{
    ASSERT_TRUE(canvas->buildMission(mission(true)));
    fly(1);
    Aircraft* enemy = canvas->enemies().front();
    auto* scene = static_cast<Scene3D*>(canvas->findScene(u"mainScene"));
    Camera* camera = scene->camera;
    // 400 ahead of the eye, 140 aside and 90 up: 433 away, 400 deep.
    Vector3 ahead, side, up;
    ahead.setDifference(camera->target, camera->position);
    ahead.normalize();
    side.set(ahead.z, 0.0f, -ahead.x);
    side.normalize();
    up.set(side.y * ahead.z - side.z * ahead.y, side.z * ahead.x - side.x * ahead.z, side.x * ahead.y - side.y * ahead.x);
    if (up.y < 0.0f)
        up.scale(-1.0f);
    Vector3 at = camera->position;
    ahead.scale(400.0f);
    side.scale(140.0f);
    up.scale(90.0f);
    at.add(ahead);
    at.add(side);
    at.add(up);
    enemy->flight.position = at;
    const std::vector<GameCanvas::TargetBox> boxes = canvas->targetBoxes();
    const GameCanvas::TargetBox* box = nullptr;
    for (const GameCanvas::TargetBox& b : boxes)
        if (b.aircraft == enemy)
            box = &b;
    ASSERT_NE(box, nullptr);
    EXPECT_NEAR(box->depth, 400, 2);
}

// Without a device that mixes sounds the engine pauses for the alarm and
// comes back after 0.282 s; with one it plays on.
TEST_F(Flight, TheAlarmSoundsOverTheEngineLoop)
{
    for (bool mixing : {false, true})
    {
        GameCanvas::Mission m = mission(false);
        m.hardwareMixing = mixing;
        ASSERT_TRUE(canvas->buildMission(m));
        canvas->update(0.1f);
        EXPECT_TRUE(canvas->isSoundPlaying(u"engine"));
        canvas->heatWarning = true;
        canvas->runPeriod();
        EXPECT_TRUE(canvas->isSoundPlaying(u"alarm"));
        EXPECT_EQ(canvas->isSoundPlaying(u"engine"), mixing) << mixing;
        canvas->heatWarning = false;
        fly(4);
        EXPECT_TRUE(canvas->isSoundPlaying(u"engine"));
        canvas->stopSound(u"alarm");
    }
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

    // A flare the server released for the player: the console counts it
    // and the next answer tells the server.
    for (int round = 0; round < 8; ++round) // longer than the flares' interval
    {
        canvas->applyStates({placed(u"<alice>", 0, 300, 0, Aircraft::EventFlare)});
        fly(1);
    }
    canvas->applyStates({placed(u"<alice>", 0, 300, 0, 0)});
    fly(1);
    EXPECT_EQ(canvas->consoleFlares(), 1);
    EXPECT_EQ(link.currentControls().flaresInAir, 1);
    EXPECT_EQ(link.currentControls().chaffInAir, 0);

    // bob is shot down and leaves while his fireball burns: his aircraft
    // and every object named after him go, the fireball plays on where it
    // is; when he comes back his objects are built anew.
    ASSERT_NE(bob->model, nullptr);
    bob->explode(0.1f, false);
    ExplosionEffect* fireball = nullptr;
    for (ExplosionEffect* e : canvas->explosions)
        if (e->active)
            fireball = e;
    ASSERT_NE(fireball, nullptr);
    EXPECT_EQ(fireball->followed, &bob->model->matrix);
    auto* scene = static_cast<Scene3D*>(canvas->findScene(u"mainScene"));
    auto objectsOf = [&](const std::u16string& name) {
        int n = 0;
        for (int c = 0; c < scene->children.size(); ++c)
            n += std::u16string(scene->child(c)->name).find(name) != std::u16string::npos;
        return n;
    };
    auto entriesOf = [&](const std::u16string& name) {
        int n = 0;
        std::unique_ptr<WCHAR*[]> keys(canvas->getTemplate()->getKeys());
        for (int k = 0; k < canvas->getTemplate()->getKeyCount(); ++k)
            n += std::u16string(keys[size_t(k)]).find(name) != std::u16string::npos;
        return n;
    };
    const int bobsObjects = objectsOf(u"<bob>");
    EXPECT_GT(bobsObjects, 10) << "model, missiles, bullets, smoke, decoys";
    EXPECT_GT(entriesOf(u"<bob>"), 0);
    const int alicesObjects = objectsOf(u"<alice>");
    canvas->onPlayerLeave(u"<bob>");
    EXPECT_EQ(objectsOf(u"<bob>"), 0);
    EXPECT_EQ(entriesOf(u"<bob>"), 0);
    EXPECT_EQ(objectsOf(u"<alice>"), alicesObjects);
    EXPECT_EQ(canvas->findAircraft(u"<bob>"), nullptr);
    EXPECT_TRUE(canvas->enemies().empty());
    EXPECT_TRUE(fireball->active);
    EXPECT_EQ(fireball->followed, nullptr);
    fly(2);
    canvas->onPlayerLeave(u"<alice>"); // the player never leaves her own flight
    EXPECT_EQ(canvas->player(), me);
    canvas->onPlayerEnter(u"<bob>", 0, {10, 300, 10});
    canvas->onPlayerEnter(u"<bob>", 0, {10, 300, 10}); // once is enough
    ASSERT_EQ(canvas->enemies().size(), 1u);
    Aircraft* back = canvas->findAircraft(u"<bob>");
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->model, nullptr);
    EXPECT_EQ(back->model->visible, 1);
    EXPECT_EQ(objectsOf(u"<bob>"), bobsObjects) << "built once more, nothing twice";
    ASSERT_TRUE(back->hasStations());
    EXPECT_NE(back->stations[0][0]->model, nullptr);
    fly(2);
}

// A group's pools hold two explosions and a splash for every member and
// grow as members enter, so every fireball of a busy group shows; the
// group's frames come from the server's states, so a paint draws nothing
// new there (it shows the last frame again), while a flight of one's own is
// drawn again.
TEST_F(Flight, AGroupsPoolsGrowWithItsMembersAndAPaintStepsNothing)
{
    GameCanvas::Mission m = mission(false);
    m.multiplayer = true;
    m.members = {{u"<alice>", 0, {0, 300, 0}}};
    ASSERT_TRUE(canvas->buildMission(m)) << os::to_latin1(canvas->buildError());
    EXPECT_EQ(canvas->explosions.size(), 2u);
    EXPECT_EQ(canvas->splashes.size(), 1u);
    canvas->onPlayerEnter(u"<bob>", 1, {100, 300, 100});
    canvas->onPlayerEnter(u"<carol>", 0, {-100, 300, 100});
    ASSERT_EQ(canvas->explosions.size(), 6u);
    ASSERT_EQ(canvas->splashes.size(), 3u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(canvas->findComponent(os::format(u"Explosion%d", i).c_str()), canvas->explosions[size_t(i)]->chip);
    // Two members shot down, each with a missile exploding beside him, and
    // the player falling into the sea: every one of them shows.
    for (Aircraft* a : canvas->enemies())
    {
        a->explode(0.1f, false);
        a->stations[0][0]->explode();
    }
    canvas->player()->explode(0.1f, false);
    canvas->player()->splash();
    int burning = 0;
    for (ExplosionEffect* e : canvas->explosions)
        burning += e->active;
    EXPECT_EQ(burning, 5);
    EXPECT_EQ(canvas->splashes.back()->active, 1);

    constexpr uint32_t kMarker = 0xFF00FF;
    auto paintLeavesMarker = [&] {
        canvas->backBuffer()->drawRect(kMarker, 0, 0, -1, -1, true);
        SendMessageW(canvas->getHandle(), WM_PAINT, 0, 0);
        return canvas->backBuffer()->colorAt(120, 80) == kMarker;
    };
    const float clock = canvas->flightClock;
    EXPECT_TRUE(paintLeavesMarker()) << "a group's paint draws nothing";
    EXPECT_EQ(canvas->flightClock, clock);
    ASSERT_TRUE(canvas->buildMission(mission(true)));
    EXPECT_FALSE(paintLeavesMarker()) << "a flight of one's own is drawn again";
}

} // namespace game_canvas_cases

namespace game_canvas_cases {

// Every flight frame draws every pixel of the view: nothing of the frame
// before may stay, under the dome and under the sky colour alike, level,
// diving, climbing, banked and near the ground, in the chase and the
// cockpit view. The back buffer is filled with a colour no scene has before
// each frame; a pixel still of that colour was not drawn.
TEST_F(Flight, EveryFrameDrawsTheWholeView)
{
    constexpr uint32_t kUndrawn = 0xFF00FF;
    const float pi = 3.1415927f;
    struct Attitude
    {
        const char* name;
        float pitch, bank, height;
        int view; // the released key that picks it, 0 none
    } attitudes[] = {
        {"level", 0.0f, 0.0f, 350.0f, 0},         {"dive", 0.35f * pi, 0.0f, 600.0f, 0},
        {"climb", -0.35f * pi, 0.0f, 300.0f, 0},  {"banked", 0.0f, 0.5f * pi, 350.0f, 0},
        {"low", 0.0f, 0.0f, 45.0f, 0},            {"high", 0.1f * pi, 0.0f, 790.0f, 0},
        {"cockpit", 0.1f * pi, 0.2f * pi, 350.0f, VK_NUMPAD1}, {"above", 0.0f, 0.0f, 350.0f, VK_NUMPAD7},
    };
    for (bool dome : {true, false})
    {
        GameCanvas::Mission m = mission(true);
        m.skyDome = dome;
        ASSERT_TRUE(canvas->buildMission(m)) << os::to_latin1(canvas->buildError());
        Aircraft* player = canvas->player();
        for (const Attitude& a : attitudes)
        {
            Matrix4 bank;
            bank.rotZ(a.bank);
            player->flight.orientation.rotX(a.pitch);
            player->flight.orientation.multiply(bank);
            player->flight.position.y = a.height;
            player->flight.orientation.setTranslation(player->flight.position);
            if (a.view)
                press(a.view);
            // Up to 600 the dome and the ground alone cover the view; higher
            // the frame's clear in the fog's colour fills what lies beyond
            // the dome's reach.
            auto* scene = static_cast<Scene3D*>(canvas->findScene(u"mainScene"));
            const uint32_t clear = scene->bkgColor;
            if (dome && a.height <= 600.0f)
                scene->bkgColor = Scene::kNoColor;
            Image* back = canvas->backBuffer();
            ASSERT_NE(back, nullptr);
            for (int frame = 0; frame < 3; ++frame)
            {
                back->drawRect(kUndrawn, 0, 0, -1, -1, true);
                os::host::headless::advance(40);
                canvas->frameStep();
                int undrawn = 0;
                for (int y = 0; y < 160; ++y)
                    for (int x = 0; x < 240; ++x)
                        undrawn += back->colorAt(x, y) == kUndrawn;
                EXPECT_EQ(undrawn, 0) << (dome ? "dome, " : "sky colour, ") << a.name << ", frame " << frame;
            }
            scene->bkgColor = clear;
        }
        canvas->present(nullptr, -1);
        shoot(dome ? "dome" : "sky_colour");
    }
}

} // namespace game_canvas_cases

namespace game_canvas_cases {

// Whether every corner of each visible part of the player's model lies in
// front of the eye and inside the 240 x 160 view.
::testing::AssertionResult shownWhole(GameCanvas& canvas)
{
    auto* scene = static_cast<Scene3D*>(canvas.findScene(u"mainScene"));
    Group3D* model = canvas.player()->model;
    for (int m = 0; m < model->meshCount(); ++m)
    {
        const Mesh* part = model->mesh(m);
        if (!part->visible || part->vertexCount() == 0)
            continue;
        Vector3 lo, hi;
        part->getBounds(lo, hi);
        Matrix4 place;
        place.setProduct(model->matrix, part->matrix);
        for (int i = 0; i < 8; ++i)
        {
            Vector3 corner(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
            place.transformPoint(corner);
            int x = 0, y = 0, depth = 0;
            float scale = 0.0f;
            if (!scene->project(corner.x, corner.y, corner.z, x, y, depth, scale) || x < 0 || x >= 240 || y < 0 ||
                y >= 160)
                return ::testing::AssertionFailure() << os::to_latin1(part->name) << " corner " << i << " at " << x
                                                     << "," << y << " depth " << depth;
        }
    }
    return ::testing::AssertionSuccess();
}

// The chase view shows the aircraft whole from the first frame on, and
// trails it alike whatever the frame rate (a flight runs as fast as it
// draws).
TEST_F(Flight, TheChaseViewShowsTheAircraftWholeAtAnyFrameRate)
{
    float trails[3] = {};
    const float steps[3] = {0.1f, 0.02f, 0.004f};
    for (int k = 0; k < 3; ++k)
    {
        ASSERT_TRUE(canvas->buildMission(mission(true)));
        Aircraft* player = canvas->player();
        const int frames = int(3.0f / steps[k]);
        for (int i = 0; i < frames; ++i)
        {
            canvas->update(steps[k]);
            if (!shownWhole(*canvas))
            {
                ADD_FAILURE() << "frame " << i << ", step " << steps[k] << ": " << shownWhole(*canvas).message();
                break;
            }
        }
        Vector3 d;
        d.setDifference(static_cast<Scene3D*>(canvas->findScene(u"mainScene"))->camera->position,
                        player->flight.position);
        trails[k] = d.length();
        if (k == 0)
        {
            canvas->paint(true);
            canvas->present(nullptr, -1);
            shoot("first_frames");
        }
    }
    EXPECT_NEAR(trails[1], trails[0], 0.15f * trails[0]);
    EXPECT_NEAR(trails[2], trails[0], 0.15f * trails[0]);
}

} // namespace game_canvas_cases

namespace game_canvas_cases {

void deviceKey(os::host::EventType type, UINT vk)
{
    os::host::Event e;
    e.type = type;
    e.key = vk;
    os::host::headless::push_event(e);
}

// The device's buttons as the host presses them (A, B, C and Start are the
// application keys 0xC1..0xC4): with the direct display's buttons the C
// button fires the gun, B a flare, A chaff, and Start's release launches
// the selected missile; without them the same buttons do nothing.
TEST_F(Flight, TheDevicesButtonsFlyWithTheDirectDisplay)
{
    for (bool buttons : {true, false})
    {
        SCOPED_TRACE(buttons ? "buttons" : "no buttons");
        GameCanvas::Mission m = mission(true);
        m.directButtons = buttons;
        ASSERT_TRUE(canvas->buildMission(m));
        canvas->setFocus();
        Aircraft* player = canvas->player();
        auto inAir = [](const auto& particles) {
            int n = 0;
            for (const auto* p : particles)
                n += p->active;
            return n;
        };
        deviceKey(os::host::EventType::KeyDown, VK_APP3);
        pump();
        fly(8); // longer than the gun's interval
        deviceKey(os::host::EventType::KeyUp, VK_APP3);
        for (UINT button : {VK_APP2, VK_APP1, VK_APP4})
        {
            deviceKey(os::host::EventType::KeyDown, button);
            pump();
            fly(1);
            deviceKey(os::host::EventType::KeyUp, button);
            pump();
            fly(1);
        }
        int launched = 0;
        for (auto& row : player->stations)
            for (Missile* missile : row)
                launched += missile->state == Missile::Flying;
        EXPECT_EQ(inAir(player->bullets) > 0, buttons) << "C fires the gun";
        EXPECT_EQ(inAir(player->flares), buttons ? 1 : 0) << "B releases a flare";
        EXPECT_EQ(inAir(player->chaff), buttons ? 1 : 0) << "A releases chaff";
        EXPECT_EQ(launched, buttons ? 1 : 0) << "Start launches";
        canvas->release();
        EXPECT_FALSE(GapiDisplay::isInputOpen()) << "the flight gives the buttons back";
    }
}

// Direct video: every present of the flight goes straight to the screen.
TEST_F(Flight, DirectVideoDrawsStraightToTheScreen)
{
    GameCanvas::Mission m = mission(true);
    m.directVideo = true;
    ASSERT_TRUE(canvas->buildMission(m));
    EXPECT_TRUE(GapiDisplay::isDisplayOpen());
    fly(3);
    const int before = os::gx::state().begin_draws;
    canvas->frameStep();
    canvas->present(nullptr, -1);
    EXPECT_EQ(os::gx::state().begin_draws, before) << "the frame buffer is held, not asked for again";
    Image* back = canvas->backBuffer();
    os::host::Screen& screen = os::host::screen();
    int same = 0;
    for (int y = 0; y < 160; y += 8)
        for (int x = 0; x < 240; x += 8)
            same += reinterpret_cast<const uint16_t*>(screen.pixels + y * screen.pitch)[x] ==
                    *reinterpret_cast<const uint16_t*>(back->getPixelAddress(x, y));
    EXPECT_EQ(same, 30 * 20) << "the screen holds the flight's frame";
    canvas->release();
    EXPECT_FALSE(GapiDisplay::isDisplayOpen());
}

// While the scene and the aircraft load the flight draws its bar in its own
// colour.
struct LoadWatcher : FlightCanvas
{
    using FlightCanvas::FlightCanvas;
    int calls = 0;
    int lastPercent = -1;
    bool shot = false;
    void onLoadProgress(const WCHAR* text, int percent) override
    {
        FlightCanvas::onLoadProgress(text, percent);
        ++calls;
        lastPercent = percent;
        if (!shot && percent >= 50)
        {
            shot = true;
            Flight::shoot("loading");
            bar = colourAt(16, 78); // the filled part's middle band
        }
    }
    static uint32_t colourAt(int x, int y)
    {
        os::host::Screen& screen = os::host::screen();
        const uint16_t p = reinterpret_cast<const uint16_t*>(screen.pixels + y * screen.pitch)[x];
        return uint32_t((p >> 11) << 3) << 16 | uint32_t(((p >> 5) & 63) << 2) << 8 | uint32_t((p & 31) << 3);
    }
    uint32_t bar = 0;
};

TEST_F(Flight, ItsBarShowsWhileTheFlightLoads)
{
    auto* watcher = new LoadWatcher(kResources);
    canvas->move(0, 160, 240, 160); // out of the way
    ASSERT_TRUE(app->addChild(watcher, 0, 0, 240, 160));
    ASSERT_TRUE(watcher->buildMission(mission(true)));
    EXPECT_GT(watcher->calls, 10) << "the scene's and the aircraft's entries";
    EXPECT_EQ(watcher->lastPercent, 100);
    EXPECT_TRUE(watcher->shot);
    EXPECT_EQ(watcher->getLoadListener(), nullptr) << "the listener goes when the flight is built";
    // Inside the filled part the bar's lightest band: packRGB(100, 130, 150)
    // lightened three times.
    EXPECT_NEAR(int((watcher->bar >> 16) & 255), 196, 8);
    EXPECT_NEAR(int((watcher->bar >> 8) & 255), 226, 8);
    EXPECT_NEAR(int(watcher->bar & 255), 246, 8);
    watcher->release();
    app->removeChild(watcher);
    delete watcher;
}

} // namespace game_canvas_cases

namespace game_canvas_cases {

// TAB shows the measured frame rate at the top left (taken every 2.4 s) and
// lets the frames run uncapped while it shows; TAB again hides it and caps
// them again.
TEST_F(Flight, TabShowsTheFrameRate)
{
    ASSERT_TRUE(canvas->buildMission(mission(true)));
    EXPECT_EQ(canvas->getFrameTimer().mode, FrameTimer::Capped);
    EXPECT_EQ(canvas->getFrameTimer().delayMs + canvas->getFrameTimer().extraDelayMs, 0) << "a flight never sleeps";
    // The pixels at the top left that the display changes in this frame.
    auto textPixels = [&] {
        std::vector<uint32_t> shown, hidden;
        const bool was = canvas->frameRateShown;
        for (bool on : {true, false})
        {
            canvas->frameRateShown = on;
            canvas->paint(true);
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 40; ++x)
                    (on ? shown : hidden).push_back(canvas->backBuffer()->colorAt(x, y));
        }
        canvas->frameRateShown = was;
        canvas->paint(true);
        int changed = 0;
        for (size_t i = 0; i < shown.size(); ++i)
            changed += shown[i] != hidden[i];
        return changed;
    };
    fly(2);
    press(VK_TAB);
    fly(1);
    EXPECT_TRUE(canvas->frameRateShown);
    EXPECT_EQ(canvas->getFrameTimer().mode, FrameTimer::MeasureOnly);
    canvas->getFrameTimer().fps = 47;
    for (int i = 0; i < 4; ++i)
        canvas->runPeriod();
    EXPECT_EQ(canvas->frameRateText, 47);
    EXPECT_GT(textPixels(), 10) << "\"47\" drawn";
    canvas->present(nullptr, -1);
    shoot("frame_rate");
    fly(3);
    EXPECT_GT(textPixels(), 10) << "on every frame";
    press(VK_TAB);
    fly(1);
    EXPECT_FALSE(canvas->frameRateShown);
    EXPECT_EQ(canvas->getFrameTimer().mode, FrameTimer::Capped);
}

} // namespace game_canvas_cases
