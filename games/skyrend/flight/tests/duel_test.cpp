// duel_test.cpp -- two aircraft built from the demo plane files on a canvas
// fly against each other for a simulated minute: locks, missiles, decoys,
// bullet hits, damage marks and an explosion, drawn headless (screenshots
// duel_*.png in OS_OUT). Also what the plane files build, and the refusal of
// plane files whose names would not fit.
#include "logic_host.h"

#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_constants.h"
#include "games/skyrend/flight/flight_host.h"
#include "games/skyrend/flight/scene_parts.h"

#include "engine/base/math_utils.h"
#include "engine/base/resource_files.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/scenes/scene3d.h"
#include "engine/scene/screen/canvas.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace fs = std::filesystem;
using namespace skyrend;

namespace duel_cases {

const WCHAR* const kGui = u"\\Program Files\\Vasko-Skyrend\\resources\\GUI\\";
const WCHAR* const kAircraft = u"\\Program Files\\Vasko-Skyrend\\resources\\aircraft\\";

// The build's resources copied into this test's device tree, and a flight
// screen of one 3D scene.
void copyResources()
{
    const char* build = std::getenv("HH_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    const fs::path from = fs::path(build) / "device" / "Program Files" / "Vasko-Skyrend" / "resources";
    ASSERT_TRUE(fs::exists(from / "aircraft" / "plane_tern.properties")) << from;
    const fs::path to = os::testing::host("Program Files/Vasko-Skyrend/resources");
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::ofstream(to / "GUI" / "duel.properties")
        << "mainScene=type:Scene3D, x:0, y:0, width:240, height:320, bkgColor:(112;150;205), "
           "ambient:(110;110;120), frontClip:1, backClip:3000\n"
           "sun=type:Light, container:mainScene, dir:(0.3;-1;0.6), color:(255;255;240)\n";
}

class DuelCanvas : public Canvas
{
public:
    DuelCanvas() : Canvas(u"duel", true) {}
    // One drawn frame of the given step, presented.
    void frame(float step)
    {
        dt = step;
        renderScenes();
        present(nullptr, -1);
    }
};

// The host of the aircraft test with the canvas and its 3D scene.
struct DuelHost : flighttest::LogicHost
{
    DuelCanvas* canvas = nullptr;
    Scene3D* scene = nullptr;

    DuelHost() : LogicHost(false) {}
    Canvas* flightCanvas() override { return canvas; }
    Camera* flightCamera() override { return scene ? scene->camera : nullptr; }
    bool heard(const char* key) const { return count(sounds, key) > 0; }
};

struct Duel : testing::Test
{
    Window* app = nullptr;
    DuelHost host;

    void SetUp() override
    {
        initMathTables();
        os_srand(7);
        aircraftConstants() = AircraftConstants();
        missileConstants() = MissileConstants();
        Aircraft::pursuitThreshold() = 200.0f;
        os::host::headless::clear_boxes();
        copyResources();
        setTempFolder(u"\\Temp\\duel\\");
        addResourcePack(u"aircraft.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\aircraft");
        app = new Window(u"app", nullptr, false);
        ASSERT_TRUE(app->create(0, 0, 240, 320));
        host.canvas = new DuelCanvas();
        ASSERT_TRUE(app->addChild(host.canvas, 0, 0, 240, 320));
        ASSERT_TRUE(host.canvas->loadTemplate(kGui, u"duel.properties", true));
        host.scene = dynamic_cast<Scene3D*>(host.canvas->findScene(u"mainScene"));
        ASSERT_NE(host.scene, nullptr);
        ASSERT_TRUE(loadFlightConstants(kAircraft));
        buildEffectPools(host, host.canvas, kAircraft, 4, 2);
    }
    void TearDown() override
    {
        // The aircraft go before the scenes that hold their models.
        for (Aircraft* a : host.aircraft)
            delete a;
        host.aircraft.clear();
        app->destroy();
        delete app;
        setIdleHandler(nullptr);
        closeResourcePacks();
    }
    Aircraft* build(const WCHAR* plane, const WCHAR* pilot, bool player)
    {
        auto* a = new Aircraft(kAircraft, plane, pilot, &host, player, true);
        host.aircraft.push_back(a);
        return a;
    }
    static void shoot(const std::string& name)
    {
        const char* dir = std::getenv("OS_OUT");
        const std::string path = std::string(dir && *dir ? dir : ".") + "/duel_" + name + ".png";
        EXPECT_TRUE(os::host::write_screen_png(os::host::screen(), path)) << path;
    }
    // Pixels of the screen that are not the sky.
    static int drawnPixels()
    {
        os::host::Screen& s = os::host::screen();
        const uint8_t* sky = s.pixels + 2 * s.pitch + 2 * (s.bpp / 8);
        int n = 0;
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 240; ++x)
                n += std::memcmp(s.pixels + y * s.pitch + x * (s.bpp / 8), sky, size_t(s.bpp / 8)) != 0;
        return n;
    }
};

TEST_F(Duel, ThePlaneFileBuildsModelPartsStationsAndParticles)
{
    Aircraft* a = build(u"plane_swift mk2", u"Ace", true);
    Aircraft* b = build(u"plane_swift mk2", u"Wing", false);
    ASSERT_TRUE(a->buildError().empty()) << os::to_latin1(a->buildError());
    ASSERT_NE(a->model, nullptr);
    EXPECT_EQ(os::to_latin1(a->model->name), "AceJet");
    EXPECT_NE(a->rudder, nullptr);
    EXPECT_NE(a->stabilizer, nullptr);
    EXPECT_NE(a->flapLeft, nullptr);
    EXPECT_NE(a->flapRight, nullptr);
    EXPECT_NE(a->spoutFlame, nullptr);
    EXPECT_NE(a->sparkMaterial, nullptr);
    ASSERT_NE(a->spark, nullptr);
    EXPECT_FALSE(a->spark->visible);
    // Each aircraft paints on its own copy; the shared texture stays.
    ASSERT_NE(a->skin, nullptr);
    ASSERT_NE(b->skin, nullptr);
    EXPECT_NE(a->skin, b->skin);
    EXPECT_EQ(a->model->findMaterial(u"body")->texture, a->skin);
    for (const Aircraft* x : {a, b})
    {
        int bound = 0;
        for (const Bullet* bullet : x->bullets)
            bound += bullet->component != nullptr;
        EXPECT_EQ(bound, 10);
        int chips = 0;
        for (const SmokePuff* p : x->smoke)
            chips += p->chip != nullptr;
        for (const Flare* f : x->flares)
            chips += f->chip != nullptr;
        for (const Flare* f : x->chaff)
            chips += f->chip != nullptr;
        EXPECT_EQ(chips, 12 + 4 + 4);
    }
    EXPECT_NE(host.canvas->findComponent(u"AceJetSRAAM0"), nullptr);
    EXPECT_NE(host.canvas->findComponent(u"WingJetMRAAM3Fume9"), nullptr);
    EXPECT_NE(host.canvas->findComponent(u"Acefume11"), nullptr);
    // Stations: right markers at positive x, short-range outboard.
    std::set<std::pair<int, int>> places;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c)
        {
            ASSERT_NE(a->stations[r][c]->model, nullptr);
            const float x = a->stations[r][c]->station.m[3];
            EXPECT_EQ(x > 0.0f, c < 2) << r << c;
            places.insert({int(x * 10.0f), int(a->stations[r][c]->station.m[7] * 10.0f)});
        }
    EXPECT_EQ(places.size(), 8u);
    EXPECT_GT(std::fabs(a->stations[0][0]->station.m[3]), std::fabs(a->stations[1][0]->station.m[3]));

    // A hit paints a mark on that aircraft's skin only.
    const Image* skinA = a->skin->getCurrentImage();
    const Image* shared = a->model->findMaterial(u"body") ? b->skin->getCurrentImage() : nullptr;
    auto sum = [](const Image* image) {
        uint64_t total = 0;
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                total += image->colorAt(x, y) & 0xFF;
        return total;
    };
    const uint64_t beforeA = sum(skinA), beforeB = sum(shared);
    a->addDamage(5);
    EXPECT_LT(sum(skinA), beforeA);
    EXPECT_EQ(sum(shared), beforeB);
}

TEST_F(Duel, AControlTurnsItsSurface)
{
    Aircraft* a = build(u"plane_tern", u"Ace", true);
    ASSERT_NE(a->rudder, nullptr);
    ASSERT_NE(a->flapLeft, nullptr);
    a->yaw(0.3f);
    EXPECT_FLOAT_EQ(a->flight.yawRate, -0.25f);
    EXPECT_NE(a->rudder->matrix.m[0], 1.0f); // turned about the fin's hinge
    a->yaw(0.0f);
    EXPECT_FLOAT_EQ(a->rudder->matrix.m[0], 1.0f);
    a->roll(0.2f);
    EXPECT_NE(a->flapLeft->matrix.m[5], 1.0f);
}

TEST_F(Duel, PlaneFilesWithNamesTooLongAreRefused)
{
    const fs::path folder = os::testing::host("Program Files/Vasko-Skyrend/resources/aircraft");
    std::ofstream(folder / "plane_long.properties")
        << "aircraft.name={prefix}Jet\n{prefix}Jet=type:Group3D, model:swift.3ds, radius:8, container:mainScene\n"
           "aircraft.bullet.name={prefix}bullet\nsraam=AN_EXTREMELY_LONG_MISSILE_NAME_X\nmraam=AIM7\n";
    std::ofstream(folder / "plane_longmodel.properties")
        << "aircraft.name={prefix}" << std::string(50, 'J')
        << "\nsraam=AIM9\nmraam=AIM7\n";
    const WCHAR* pilot = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"; // cut to 24
    for (const WCHAR* plane : {u"plane_long", u"plane_longmodel", u"plane_missing"})
    {
        Aircraft* a = build(plane, pilot, false);
        EXPECT_FALSE(a->buildError().empty()) << os::to_latin1(plane);
        EXPECT_EQ(a->model, nullptr);
        EXPECT_NE(a->stations[0][0], nullptr); // still flies, bare
        EXPECT_EQ(a->stations[0][0]->model, nullptr);
        a->place(0.0f, 500.0f, 0.0f, 0.0f, 0.0f);
        a->fireCanon(1.0f);
        a->addDamage(3);
        a->update(0.1f);
    }
    EXPECT_EQ(host.canvas->findComponent(u"ABCDEFGHIJKLMNOPQRSTUVWXJet"), nullptr); // nothing built
}

TEST_F(Duel, TwoAircraftFightForAMinute)
{
    Aircraft* player = build(u"plane_swift mk2", u"Ace", true);
    Aircraft* enemy = build(u"plane_tern", u"Bandit", false);
    ASSERT_TRUE(player->buildError().empty());
    ASSERT_TRUE(enemy->buildError().empty());
    player->place(0.0f, 400.0f, 0.0f, 0.0f, 1000.0f);
    enemy->place(0.0f, 402.0f, 260.0f, 0.0f, 1000.0f); // ahead, flying away
    // The enemy has not seen the player yet: it flies on for 12 s while the
    // test pilot closes in to 160 units with the trigger held. Then both
    // fly by the pursuit rules; the test pilot launches a locked missile now
    // and then, releases a flare (8 s) and chaff (9 s), and answers warnings
    // with decoys when any come (the hit test's warnings and an enemy's own
    // decoys are aircraft_test's).
    enemy->target = player;
    player->target = enemy;
    Camera* camera = host.flightCamera();
    Vector3 offset(0.35f, 0.3f, -1.0f);
    camera->follow(7, &enemy->flight.orientation, 16.0f, 60.0f, offset);

    const float dt = 0.1f;
    int launched = 0, enemyLaunched = 0, bulletHits = 0, missileHits = 0, playerHits = 0;
    // Frames that show the test pilot's flares and chaff in the air (their
    // chips drawn), and the decoys the enemy released by itself.
    int flareFrames = 0, chaffFrames = 0, enemyDecoys = 0;
    float scanTimer = 0.0f, exploded = -1.0f, lastLaunch = 0.0f;
    std::set<std::string> taken;
    for (int frame = 0; frame < 600; ++frame)
    {
        const float t = float(frame) * dt;
        scanTimer += dt;
        if (scanTimer >= 0.6f)
        {
            scanTimer = 0.0f;
            player->scanTargets();
            enemy->scanTargets();
        }
        if (frame == 120)
            enemy->aiEnabled = 1;
        {
            Vector3 d;
            d.setDifference(enemy->flight.position, player->flight.position);
            if (frame < 120)
                player->setThrottle(d.length() < 160.0f ? 0 : 4);
            else if (enemy->state == Aircraft::Flying)
            {
                // Then the test pilot turns after the enemy with rudder and elevator.
                const float* m = player->flight.orientation.m;
                const float side = m[0] * d.x + m[4] * d.y + m[8] * d.z;
                const float up = m[1] * d.x + m[5] * d.y + m[9] * d.z;
                const float ahead = m[2] * d.x + m[6] * d.y + m[10] * d.z;
                if (std::fabs(side) > 0.05f * std::fabs(ahead) || ahead < 0.0f)
                    player->yaw(side > 0.0f ? -0.3f : 0.3f);
                if (std::fabs(up) > 0.05f * std::fabs(ahead))
                    player->pitch(up > 0.0f ? 0.2f : -0.2f);
            }
        }
        if (frame > 100 && t - lastLaunch > 5.0f && player->state == Aircraft::Flying)
            for (auto& row : player->stations)
                for (Missile* m : row)
                    if (m->state == Missile::Locked && t - lastLaunch > 5.0f)
                    {
                        player->launchMissile(m);
                        lastLaunch = t;
                        ++launched;
                    }
        int flyingBefore = 0;
        for (auto& row : enemy->stations)
            for (Missile* m : row)
                flyingBefore += m->state == Missile::Flying;
        const int enemyDamage = enemy->damage, playerDamage = player->damage;
        auto inAir = [](const std::vector<Flare*>& pool) {
            int n = 0;
            for (const Flare* f : pool)
                n += f->active != 0;
            return n;
        };
        const int enemyDecoysBefore = inAir(enemy->flares) + inAir(enemy->chaff);
        if (host.heatWarning || (t > 8.0f && t < 9.0f))
            player->releaseFlare(dt);
        if (host.radarWarning || (t > 9.0f && t < 10.0f))
            player->releaseChaff(dt);
        // The trigger is held while the enemy is near the nose.
        {
            Vector3 ahead, d;
            player->flight.orientation.transformVectorTo(Vector3(0.0f, 0.0f, 1.0f), ahead);
            d.setDifference(enemy->flight.position, player->flight.position);
            if (d.length() < 400.0f && ahead.angle(d) < 0.2f)
                player->fireCanon(dt);
        }
        host.step(dt);
        camera->updateFollow(dt);
        host.canvas->frame(dt);

        int flyingAfter = 0;
        for (auto& row : enemy->stations)
            for (Missile* m : row)
                flyingAfter += m->state == Missile::Flying || m->state == Missile::Exploding;
        enemyLaunched += std::max(0, flyingAfter - flyingBefore);
        auto shown = [](const std::vector<Flare*>& pool) {
            for (const Flare* f : pool)
                if (f->active && f->chip && f->chip->visible)
                    return true;
            return false;
        };
        flareFrames += shown(player->flares);
        chaffFrames += shown(player->chaff);
        enemyDecoys += std::max(0, inAir(enemy->flares) + inAir(enemy->chaff) - enemyDecoysBefore);
        const int gained = enemy->damage - enemyDamage;
        EXPECT_GE(gained, 0);
        bulletHits += gained == 1 && enemy->state == Aircraft::Flying;
        missileHits += gained >= 50;
        playerHits += player->damage > playerDamage;
        if (exploded < 0.0f && enemy->state != Aircraft::Flying)
            exploded = t;
        if (frame == 560) // the last seconds behind the winner
            camera->follow(7, &player->flight.orientation, 16.0f, 0.0f, offset);
        if (frame == 30 && taken.insert("approach").second)
            shoot("approach");
        if (gained > 0 && enemy->state == Aircraft::Flying && taken.insert("hit").second)
            shoot("hit");
        int enemyDecoys = 0;
        for (auto* pool : {&enemy->flares, &enemy->chaff})
            for (const Flare* f : *pool)
                enemyDecoys += f->active;
        if (enemyDecoys > 0 && taken.insert("decoys").second)
            shoot("decoys");
        if (exploded >= 0.0f && t > exploded + 0.6f && taken.insert("explosion").second)
        {
            shoot("explosion");
            EXPECT_GT(drawnPixels(), 200);
        }
    }
    shoot("end");
    std::printf("duel: missiles %d (enemy %d), missile hits %d, bullet hits %d, player hit %d times, frames with "
                "flares %d and chaff %d, enemy decoys %d, enemy down at %.1f s, player damage %d\n",
                launched, enemyLaunched, missileHits, bulletHits, playerHits, flareFrames, chaffFrames, enemyDecoys,
                double(exploded), int(player->damage));
    EXPECT_GE(launched, 1);
    EXPECT_GE(bulletHits, 1);
    // A released decoy is in the air, drawn, for its life (3 s): about 30
    // frames of 0.1 s after each release, and never for the whole minute.
    EXPECT_GE(flareFrames, 20);
    EXPECT_GE(chaffFrames, 20);
    EXPECT_LT(flareFrames + chaffFrames, 400);
    EXPECT_EQ(enemy->damage, 100);
    EXPECT_NE(enemy->state, Aircraft::Flying);
    EXPECT_GE(exploded, 0.0f);
    EXPECT_EQ(host.kills, 1);
    EXPECT_GE(player->score, 100); // the points of every hit
    EXPECT_EQ(player->state, Aircraft::Flying);
    EXPECT_TRUE(host.heard("launchAAM"));
    EXPECT_TRUE(host.heard("explosion"));
    EXPECT_TRUE(host.heard("canon"));
}

} // namespace duel_cases
