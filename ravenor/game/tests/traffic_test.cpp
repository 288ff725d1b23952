// traffic_test.cpp -- route traffic (the spawn rings, classes in turn, the
// limit), keeping distance, following a route, backing away, path indices,
// tumbling and loose bodies settling, pedestrians standing and walking, and
// screenshots of a stage with traffic and pedestrians
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "content/ravenor/le_bytes.h"
#include "content/ravenor/level_writer.h"
#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/classes/pedestrians.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/loose_bodies.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/path_objects.h"
#include "ravenor/game/world/paths.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/world_draw.h"
#include "stage_fixture.h"

namespace {

// Level units: the west street runs along x = -2500 (world x -20000) from
// south to north, 500 wide. The player starts on it heading north.
const char kTrafficStage[] = R"(
list L_start     -2500 -1500 2   -2500 -1400 2
list L_north     -2400 -2400 2   -2400 2400 2   2400 2400 2   2400 -2400 2
list L_south     -2600 2600 2    -2600 -2600 2  2600 -2600 2  2600 2600 2
list L_crowd     -2270 -2300 2   -2270 -600 2   -2270 900 2   -2730 2000 2   -2730 300 2
list L_walk1     -2280 -1350 2   -2280 -600 2
list L_walk2     -2720 -1000 2   -2720 -1500 2
list L_car       -2400 -800 2    -2400 2400 2   2400 2400 2

node N_root      class 12 behaviour 25 path L_start link N_player link N_limit link N_walk1 link N_walk2 link N_car
node N_player    class 55 behaviour 3 path L_start companion N_follow
node N_follow    class 12 behaviour 35 path L_start link N_player
node N_limit     class 12 behaviour 22 path L_start value 14
node N_walk1     class 64 behaviour 3 path L_walk1 startvalue 25
node N_walk2     class 70 behaviour 3 path L_walk2 startvalue 20
node N_car       class 42 behaviour 3 path L_car startvalue 60
root N_root

route L_north    31 33 35 37 38 40 speed 140 spacing 102
route L_south    41 47 46 36 30 48 speed 150 spacing 102
route L_crowd    62 68 63 69 65 71 speed 20 spacing 40
)";

// Only the player, on the west street
const char kPlayerOnly[] = R"(
list L_start     -2500 -1500 2   -2500 -1400 2
node N_root      class 12 behaviour 25 path L_start link N_player
node N_player    class 55 behaviour 3 path L_start companion N_follow
node N_follow    class 12 behaviour 35 path L_start link N_player
root N_root
)";

bool StartDescribed(const char* description)
{
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(ravenor_content::WriteLevel(description, bytes, error)) << error;
    if (!StartLevel([&] {
            std::unique_ptr<LevelBlock> level = ReadLevel(bytes, error);
            EXPECT_TRUE(level) << error;
            return level;
        }))
        return false;
    // The root's starters run in the first frame.
    StageFrame();
    return g_entityWorld.player != nullptr;
}

// The camera's view of the player's place, as a frame would build it
void ViewFromPlayer()
{
    ChaseUpdate(g_cameras.chase);
    BuildCameraOrientation(*g_cameras.used);
}

bool OnActiveList(const Entity* e)
{
    for (const Entity* a = g_entityWorld.activeHead; a != nullptr; a = a->next)
        if (a == e)
            return true;
    return false;
}

// The live records of one update callback
std::vector<Entity*> Updated(EntityUpdate update)
{
    std::vector<Entity*> found;
    for (Entity& e : g_entityWorld.pool)
        if (e.update == update)
            found.push_back(&e);
    return found;
}

// A route of its own over the given world points (level coordinates are
// not involved: the list holds world units)
struct TestRoute
{
    CoordList list;
    ObjectEntry entry;
    TestRoute(std::initializer_list<std::array<int32_t, 3>> points, int32_t speed, int32_t spacing,
              std::initializer_list<int32_t> classes)
    {
        for (const auto& p : points)
            list.words.insert(list.words.end(), p.begin(), p.end());
        list.words.insert(list.words.end(), {kEndOfPoints, 0, 0});
        list.converted = true;
        entry.list = &list;
        entry.words[kRouteSpeed] = speed;
        entry.words[kRouteSpacing] = spacing;
        // Fewer than six classes repeat, as the level writer fills them
        const std::vector<int32_t> given(classes);
        for (size_t i = 0; i < 6; ++i)
            entry.words[kRouteClasses + i] = given[i % given.size()];
        // The level loader loads the classes of its routes.
        for (int32_t c : given)
            SendClassMessage(c, nullptr, kMsgLoad);
    }
};

class TrafficTest : public testing::Test
{
protected:
    void SetUp() override
    {
        StartProgram();
        ResetLooseBodies();
    }
    void TearDown() override
    {
        EndStage();
        g_entityWorld.trafficLimit = 0;
        g_stage.view.activity = 60;
    }
};

} // namespace

// Where route cars may appear, by the squared (/32) ground distance d from
// the camera's target (the player at world z -12000 heading north), with
// K = 60: never within 96000, only off screen below 384000, always below
// 864000, never beyond. Behind the player is off screen, ahead on screen.
TEST_F(TrafficTest, SpawnRingsAroundTheCamera)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    ASSERT_NE(nullptr, g_entityWorld.player);
    ViewFromPlayer();
    g_entityWorld.trafficLimit = 10;
    const int32_t x = g_entityWorld.player->X();
    const int32_t z = g_entityWorld.player->Z();
    struct Case
    {
        const char* what;
        int32_t dz;
        bool spawns;
    };
    const Case cases[] = {
        {"close ahead", 5000, false},          // d 24336
        {"close behind", -5000, false},
        {"middle ring ahead", 15000, false},   // d 219024, seen
        {"middle ring behind", -15000, true},  // not seen
        {"outer ring ahead", 25000, true},     // d 610351
        {"outer ring behind", -25000, true},
        {"too far ahead", 32000, false},       // d 1000000
    };
    for (const Case& c : cases)
    {
        TestRoute route({{x, -128, z + c.dz}, {x, -128, z + c.dz + 4000}}, 100, 3600, {30});
        const int32_t before = g_entityWorld.activeCount;
        SpawnOnRoute(route.entry);
        EXPECT_EQ(c.spawns, g_entityWorld.activeCount == before + 1) << c.what;
        for (Entity* e : Updated(TrafficStep))
            MakeInert(e);
    }
}

// The limit is asked before anything else: with no limit (0) a route whose
// spacing is worked out from the limit makes nothing (and divides by
// nothing); at the limit nothing more spawns.
TEST_F(TrafficTest, TheTrafficLimitComesFirst)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    ViewFromPlayer();
    const int32_t x = g_entityWorld.player->X();
    const int32_t z = g_entityWorld.player->Z();
    TestRoute route({{x, -128, z + 25000}, {x, -128, z + 29000}, {x, -128, z + 33000}}, 100, kSpacingByLimit, {30});
    g_entityWorld.trafficLimit = 0;
    SpawnOnRoute(route.entry);
    EXPECT_TRUE(Updated(TrafficStep).empty());
    // The player's car is not on the active list; one car fills a limit of 1.
    g_entityWorld.trafficLimit = 1;
    route.entry.words[kRoutePoint] = 0;
    SpawnOnRoute(route.entry);
    EXPECT_EQ(1u, Updated(TrafficStep).size());
    route.entry.words[kRoutePoint] = 0;
    Updated(TrafficStep)[0]->orientation.t[2] += 100000;   // far from the spawn point
    SpawnOnRoute(route.entry);
    EXPECT_EQ(1u, Updated(TrafficStep).size());
}

// Six classes in turn, the point index stepping over the route but never
// onto its last point; a spawn is blocked while a car of the route is
// within the spacing of the point.
TEST_F(TrafficTest, ClassesInTurnAndPointsWrapBeforeTheLast)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    ViewFromPlayer();
    g_entityWorld.trafficLimit = 50;
    const int32_t x = g_entityWorld.player->X() + 25000;   // d 610351 from every point
    const int32_t z = g_entityWorld.player->Z();
    TestRoute route({{x, -128, z - 3000}, {x, -128, z}, {x, -128, z + 3000}}, 120, 400, {30, 31, 32, 33, 34, 35});
    std::vector<int32_t> classes;
    std::vector<int32_t> points;
    for (int i = 0; i < 8; ++i)
    {
        points.push_back(route.entry.words[kRoutePoint]);
        const std::vector<Entity*> before = Updated(TrafficStep);
        SpawnOnRoute(route.entry);
        for (Entity* e : Updated(TrafficStep))
        {
            if (std::find(before.begin(), before.end(), e) != before.end())
                continue;
            classes.push_back(e->classNumber);
            EXPECT_EQ(route.list.words.data(), e->path);
            EXPECT_EQ(120, e->speed);
            EXPECT_EQ(120, e->cruiseSpeed);
            EXPECT_TRUE(OnActiveList(e));
            e->orientation.t[0] += 200000;   // out of the way of the next spawn
        }
    }
    EXPECT_EQ((std::vector<int32_t>{0, 1, 0, 1, 0, 1, 0, 1}), points);
    EXPECT_EQ((std::vector<int32_t>{30, 31, 32, 33, 34, 35, 30, 31}), classes);
    // A car of the route at the point blocks it; the spacing is 400 (/32 squared).
    for (Entity* e : Updated(TrafficStep))
        MakeInert(e);
    route.entry.words[kRoutePoint] = 0;
    SpawnOnRoute(route.entry);
    ASSERT_EQ(1u, Updated(TrafficStep).size());
    route.entry.words[kRoutePoint] = 0;
    SpawnOnRoute(route.entry);
    EXPECT_EQ(1u, Updated(TrafficStep).size());
    // The same classes all six times make that class every time
    TestRoute same({{x, -128, z + 10000}, {x, -128, z + 13000}}, 120, 0, {36, 36, 36, 36, 36, 36});
    for (int i = 0; i < 6; ++i)
        SpawnOnRoute(same.entry);
    for (Entity* e : Updated(TrafficStep))
        if (e->path == same.list.words.data())
        {
            EXPECT_EQ(36, e->classNumber);
        }
}

// A car faster than the one ahead of it on its lane brakes and keeps its
// distance, and both follow the lane round its corners; a car farther than
// K x 22500 from the camera's target goes at its next update.
TEST_F(TrafficTest, TrafficKeepsItsDistanceAndFollowsTheRoute)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    // The camera's target away from the ring's middle, the player's car out of the way
    g_entityWorld.player->orientation.t[0] = 0;
    g_entityWorld.player->orientation.t[2] = 0;
    ViewFromPlayer();
    g_entityWorld.trafficLimit = 10;
    // The north-bound lane of the west street round the ring, clockwise
    TestRoute route({{-19200, -128, -19200}, {-19200, -128, 19200}, {19200, -128, 19200}, {19200, -128, -19200}}, 0,
                    0, {43});
    SpawnOnRoute(route.entry);
    std::vector<Entity*> cars = Updated(TrafficStep);
    ASSERT_EQ(1u, cars.size());
    Entity* leader = cars[0];
    leader->speed = leader->cruiseSpeed = 100;
    // The follower 6000 behind, twice as fast
    route.entry.words[kRoutePoint] = 0;
    leader->orientation.t[2] += 6000;
    SpawnOnRoute(route.entry);
    cars = Updated(TrafficStep);
    ASSERT_EQ(2u, cars.size());
    Entity* follower = cars[0] == leader ? cars[1] : cars[0];
    follower->speed = follower->cruiseSpeed = 200;
    int32_t closest = 1 << 30;
    bool braked = false;
    std::vector<int32_t> indices;
    for (int frame = 0; frame < 1600; ++frame)
    {
        ++g_shell.frameCounter;
        leader->visible = follower->visible = 1;
        leader->update(leader);
        follower->update(follower);
        ASSERT_EQ(kTrafficDrive, leader->aiState);
        ASSERT_EQ(kTrafficDrive, follower->aiState);
        const int64_t dx = leader->X() - follower->X();
        const int64_t dz = leader->Z() - follower->Z();
        closest = std::min<int32_t>(closest, static_cast<int32_t>(std::sqrt(double(dx * dx + dz * dz))));
        braked = braked || follower->speed < 200;
        if (indices.empty() || indices.back() != leader->pathIndex)
            indices.push_back(leader->pathIndex);
        // Always on the ring's lane: within 1500 of one of its sides
        const int32_t off = std::min(std::abs(std::abs(leader->X()) - 19200), std::abs(std::abs(leader->Z()) - 19200));
        ASSERT_LT(off, 1500) << frame;
    }
    EXPECT_TRUE(braked);
    EXPECT_GT(closest, 1500);
    EXPECT_LT(closest, 4100);
    // Round the corners: 2, 3, then back to 0 (after the last point) and on
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 0, 1}), indices);
    // Far away it goes
    leader->orientation.t[0] = g_entityWorld.player->X() + 40000;   // d 1562500
    leader->orientation.t[2] = g_entityWorld.player->Z();
    leader->update(leader);
    EXPECT_EQ(nullptr, leader->update);
    EXPECT_FALSE(OnActiveList(leader));
}

// The straight follower's indices: forward past the last point to 0;
// backward from 0 to the end point's index, so that the next target
// (index - 1) is the last point.
TEST(Paths, StraightFollowerIndicesWrapAtBothEnds)
{
    g_speedFactor = 256;
    const int32_t points[] = {0, 0, 0, 0, 0, 4000, 4000, 0, 4000, kEndOfPoints, 0, 0};
    struct Case
    {
        int32_t index;
        int32_t speed;
        int32_t atPoint;   // where the entity stands
        int32_t next;
    };
    const Case cases[] = {{2, 100, 2, 0}, {1, 100, 1, 2}, {0, -100, 2, 3}, {3, -100, 2, 2}, {1, -100, 0, 0}};
    for (const Case& c : cases)
    {
        Entity e;
        e.path = points;
        e.pathIndex = c.index;
        e.visible = 1;
        for (int k = 0; k < 3; ++k)
            e.orientation.t[k] = points[3 * c.atPoint + k];
        FollowPathStraight(&e, c.speed);
        EXPECT_EQ(c.next, e.pathIndex) << c.index << " " << c.speed;
    }
    EXPECT_EQ(3, PathPointCount(points));
}

// A car backing away from a wall moves at its speed (the velocity divided
// by 4096 like every other), and goes back to recovering below -100.
TEST_F(TrafficTest, BackingAwayMovesAtItsSpeed)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    g_entityWorld.player->orientation.t[0] += 30000;   // out of the way
    ViewFromPlayer();
    g_entityWorld.trafficLimit = 10;
    TestRoute route({{-20000, -128, -5000}, {-20000, -128, 5000}}, 80, 0, {38});
    g_entityWorld.player->orientation.t[0] = -20000 + 25000;
    SpawnOnRoute(route.entry);
    ASSERT_EQ(1u, Updated(TrafficStep).size());
    Entity* car = Updated(TrafficStep)[0];
    car->aiState = kTrafficBackAway;
    car->speed = 0;
    car->turnStep = 10;
    int frames = 0;
    while (car->aiState == kTrafficBackAway && frames < 100)
    {
        const int32_t x = car->X();
        const int32_t z = car->Z();
        car->update(car);
        ++frames;
        const int32_t moved = std::abs(car->X() - x) + std::abs(car->Z() - z);
        EXPECT_LE(moved, 2 * std::abs(car->speed) + 2) << frames;
    }
    EXPECT_EQ(kTrafficRecover, car->aiState);
    EXPECT_EQ(51, frames);   // speed 0, -2, ... -102
    EXPECT_LT(car->speed, -100);
}

// A route of fewer than two points is refused when the level is read.
TEST(Traffic, RouteOfOnePointIsRefusedAtLoad)
{
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ravenor_content::WriteLevel(kPlayerOnly + std::string("list L_r 0 0 2  0 100 2\nroute L_r 30\n"),
                                            bytes, error))
        << error;
    ASSERT_TRUE(ReadLevel(bytes, error)) << error;
    // The route's list: its second point becomes the end point.
    auto word = [&](size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
    };
    const uint32_t list = word(word(12));
    ravenor_content::PutU32(bytes, list + 12, kEndOfPoints);
    EXPECT_FALSE(ReadLevel(bytes, error));
    EXPECT_NE(std::string::npos, error.find("two points")) << error;
}

// A box knocked by the player's car flies, falls, tumbles on its corners,
// comes to rest on the ground (no spin, still) and goes after its rest time.
TEST_F(TrafficTest, KnockedBoxSettlesAndGoes)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    ViewFromPlayer();
    SendClassMessage(26, nullptr, kMsgLoad);
    Entity* box = AllocEntity();
    ASSERT_NE(nullptr, box);
    box->classNumber = 26;
    SendClassMessage(26, box, kMsgCreate);
    box->update = [](Entity*) {};
    const int32_t ground = ProbeGround(g_entityWorld.player->X(), g_entityWorld.player->Z() + 700).height;
    ASSERT_NE(-1, ground);
    box->orientation.SetIdentity();
    box->orientation.t[0] = g_entityWorld.player->X() + 150;
    box->orientation.t[1] = ground - box->type->maxY;
    box->orientation.t[2] = g_entityWorld.player->Z() + 700;
    // The player drives into it at 150 a frame
    g_entityWorld.player->speed = 150;
    g_entityWorld.player->velocity[0] = 0;
    g_entityWorld.player->velocity[2] = 150;
    ASSERT_TRUE(CarHitsBody(box, g_entityWorld.player, 400));
    ASSERT_EQ(LooseBodyStep, box->update);
    EXPECT_GT(box->velocity[2], 0);
    g_entityWorld.player->orientation.t[0] += 5000;   // out of its way
    g_entityWorld.player->velocity[2] = 0;
    int32_t highest = box->Y();
    int frames = 0;
    int restingFrames = 0;
    while (box->update == LooseBodyStep && frames < 400)
    {
        ++g_shell.frameCounter;
        box->visible = 1;
        box->update(box);
        ++frames;
        highest = std::min(highest, box->Y());
        const bool still = box->spin[0] == 0 && box->spin[1] == 0 && box->spin[2] == 0 &&
                           std::abs(box->velocity[0]) + std::abs(box->velocity[2]) < 12;
        restingFrames = still ? restingFrames + 1 : 0;
    }
    EXPECT_LT(highest, ground - box->type->maxY - 20);   // it flew
    EXPECT_EQ(133, frames);                              // its rest time of 132 frames
    EXPECT_GT(restingFrames, 20);                        // the last frames at rest
    // On the ground: its lowest corner within reach of the road
    EXPECT_NEAR(ground - box->type->maxY, box->Y(), 120);
}

// A traffic car knocked loose tumbles, comes to rest on its wheels, recovers
// and drives on along its route.
TEST_F(TrafficTest, TumbledCarRecoversAndDrivesOn)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    g_entityWorld.player->orientation.t[0] += 25000;
    ViewFromPlayer();
    g_entityWorld.trafficLimit = 10;
    TestRoute route({{-20000, -128, -8000}, {-20000, -128, 8000}, {-20000, -128, 16000}}, 80, 0, {45});
    SpawnOnRoute(route.entry);
    ASSERT_EQ(1u, Updated(TrafficStep).size());
    Entity* car = Updated(TrafficStep)[0];
    car->aiState = kTrafficLoose;
    car->velocity[0] = 40;
    car->velocity[1] = -60;
    car->spin[0] = 120;
    car->spin[1] = 300;
    car->spin[2] = 80;
    std::vector<int32_t> states;
    for (int frame = 0; frame < 600 && (states.empty() || states.back() != kTrafficDrive); ++frame)
    {
        ++g_shell.frameCounter;
        car->visible = 1;
        car->update(car);
        ASSERT_NE(nullptr, car->update) << frame;
        if (states.empty() || states.back() != car->aiState)
            states.push_back(car->aiState);
    }
    EXPECT_EQ((std::vector<int32_t>{kTrafficLoose, kTrafficRecover, kTrafficDrive}), states);
    EXPECT_GT(car->orientation.m[4], 12000);   // on its wheels
    const int32_t z = car->Z();
    for (int frame = 0; frame < 50; ++frame)
    {
        car->visible = 1;
        car->update(car);
    }
    EXPECT_GT(car->Z(), z + 1000);
}

// Pedestrians made by a route stand (their update only sends the visible
// step) and go when far; a walker made by its record walks its path on the
// ground, turning toward it; removal leaves the active list once.
TEST_F(TrafficTest, PedestriansStandOrWalk)
{
    ASSERT_TRUE(StartDescribed(kTrafficStage));
    ViewFromPlayer();
    Entity* walker = nullptr;
    for (Entity& e : g_entityWorld.pool)
        if (e.update != nullptr && e.classNumber == 64)
            walker = &e;
    ASSERT_NE(nullptr, walker);
    EXPECT_TRUE(OnActiveList(walker));
    EXPECT_NE(nullptr, walker->model);
    EXPECT_EQ(1, walker->type->mass);
    const int32_t startZ = walker->Z();
    // A standing pedestrian of the crowd's route
    g_entityWorld.trafficLimit = 40;
    TestRoute crowd({{g_entityWorld.player->X() + 250, -128, g_entityWorld.player->Z() - 25000}, {g_entityWorld.player->X() + 250, -128, g_entityWorld.player->Z()}},
                    20, 0, {66});
    SpawnOnRoute(crowd.entry);
    std::vector<Entity*> standing = Updated(ObjectUpdate);
    ASSERT_EQ(1u, standing.size());
    Entity* stander = standing[0];
    EXPECT_EQ(66, stander->classNumber);
    const int32_t standX = stander->X();
    const int32_t standZ = stander->Z();
    for (int frame = 0; frame < 100; ++frame)
        StageFrame();
    // The walker went north along its path, on the road, its body turned to it
    EXPECT_GT(walker->Z(), startZ + 100 * 20);
    EXPECT_NEAR(-2280 * 8, walker->X(), 100);
    EXPECT_LT(std::abs(SignedAngle(walker->heading, 0)), 40);
    const int32_t ground = ProbeGround(walker->X(), walker->Z()).height;
    if (walker->visible)
    {
        EXPECT_EQ(ground - walker->type->maxY, walker->Y());
    }
    EXPECT_EQ(standX, stander->X());
    EXPECT_EQ(standZ, stander->Z());
    EXPECT_EQ(ObjectUpdate, stander->update);
    // Far from the camera's target the stander goes
    stander->orientation.t[2] -= 20000;
    ObjectUpdate(stander);
    EXPECT_EQ(nullptr, stander->update);
    // Removal: off the list and inert; a second removal changes nothing
    const int32_t count = g_entityWorld.activeCount;
    SendClassMessage(64, walker, kMsgRemove);
    EXPECT_EQ(count - 1, g_entityWorld.activeCount);
    EXPECT_EQ(nullptr, walker->update);
    SendClassMessage(64, walker, kMsgRemove);
    EXPECT_EQ(count - 1, g_entityWorld.activeCount);
    // 'E' and '8' answer 1 like every message
    EXPECT_EQ(1, SendClassMessage(70, nullptr, kMsgKind));
    EXPECT_EQ(1, SendClassMessage(70, nullptr, kMsgDropQuery));
}

// Off screen a pedestrian stands upright; seen with a behaviour other than
// 13 it is settled on the ground, under behaviour 13 (or none) it keeps its
// height.
TEST_F(TrafficTest, PedestrianSettledOnlyWhenSeenAndFree)
{
    ASSERT_TRUE(StartDescribed(kTrafficStage));
    Entity* walker = nullptr;
    for (Entity& e : g_entityWorld.pool)
        if (e.update != nullptr && e.classNumber == 64)
            walker = &e;
    ASSERT_NE(nullptr, walker);
    const int32_t ground = ProbeGround(walker->X(), walker->Z()).height;
    Behaviour held;
    held.behaviourNumber = 13;
    Behaviour* own = walker->behaviour;
    struct Case
    {
        Behaviour* behaviour;
        uint8_t visible;
        bool settled;
    };
    const Case cases[] = {{own, 1, true}, {&held, 1, false}, {nullptr, 1, false}, {own, 0, false}};
    for (const Case& c : cases)
    {
        walker->behaviour = c.behaviour;
        walker->visible = c.visible;
        walker->orientation.t[1] = ground - 2000;
        walker->groundPitch = 300;
        walker->probeFrame = 0xFFFFFFFF;
        SendClassMessage(64, walker, kMsgVisibleStep);
        EXPECT_EQ(c.settled ? ground - walker->type->maxY : ground - 2000, walker->Y()) << int(c.visible);
        if (!c.visible)
        {
            EXPECT_EQ(0, walker->groundPitch);
        }
    }
    walker->behaviour = own;
}

// A stage with traffic from two routes, a standing crowd and two walkers,
// the player driving north: screenshots in ravenor_traffic_frames/ of the
// build folder. The routes keep the traffic within the limit.
TEST_F(TrafficTest, StageWithTrafficAndPedestrians)
{
    ASSERT_TRUE(StartDescribed(kTrafficStage));
    std::filesystem::create_directories("ravenor_traffic_frames");
    g_stage.controlsLive = true;
    int shots = 0;
    int32_t mostTraffic = 0;
    int32_t mostStanding = 0;
    for (int frame = 1; frame <= 360; ++frame)
    {
        HoldKey(g_settings.keyAccelerate, frame > 30 && g_entityWorld.player->speed < 120);
        StageFrame();
        ASSERT_LE(static_cast<int32_t>(Updated(TrafficStep).size()), g_entityWorld.trafficLimit);
        mostTraffic = std::max<int32_t>(mostTraffic, static_cast<int32_t>(Updated(TrafficStep).size()));
        mostStanding = std::max<int32_t>(mostStanding, static_cast<int32_t>(Updated(ObjectUpdate).size()));
        if (frame == 1 || frame == 60 || frame == 150 || frame == 250 || frame == 360)
        {
            char name[64];
            std::snprintf(name, sizeof name, "ravenor_traffic_frames/frame_%03d", frame);
            SaveFrame(name);
            ++shots;
        }
    }
    HoldKey(g_settings.keyAccelerate, false);
    EXPECT_EQ(5, shots);
    EXPECT_GE(mostTraffic, 3);
    EXPECT_GE(mostStanding, 2);
}

// Every traffic model and the pedestrians, two or three at a time in front
// of the player's car: ravenor_traffic_frames/models_NN.png. Each model has
// a body box of car size standing on the road.
TEST_F(TrafficTest, ModelsLineUp)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    std::filesystem::create_directories("ravenor_traffic_frames");
    std::vector<int32_t> classes;
    for (int32_t c = 30; c <= 48; ++c)
        classes.push_back(c);
    for (int32_t c = 62; c <= 73; ++c)
        classes.push_back(c);
    // The player's car out of the picture: the camera stays behind its place.
    P3dModel* playerModel = g_entityWorld.player->model;
    g_entityWorld.player->model = nullptr;
    int shot = 0;
    for (size_t first = 0; first < classes.size(); ++shot)
    {
        const bool people = classes[first] >= 62;
        const size_t count = people ? 4 : 2;
        std::vector<Entity*> shown;
        for (size_t i = 0; i < count && first < classes.size(); ++i, ++first)
        {
            const int32_t c = classes[first];
            SendClassMessage(c, nullptr, kMsgLoad);
            Entity* e = AllocEntity();
            ASSERT_NE(nullptr, e);
            e->classNumber = c;
            SendClassMessage(c, e, kMsgCreate);
            ASSERT_NE(nullptr, e->model) << c;
            const bool person = c >= 62;
            EXPECT_GT(e->type->maxX - e->type->minX, person ? 200 : 400) << c;
            EXPECT_GT(e->type->maxZ - e->type->minZ, person ? 80 : 900) << c;
            e->update = [](Entity*) {};
            const int32_t spread = people ? 350 : 700;
            e->orientation.t[0] = g_entityWorld.player->X() + (2 * static_cast<int32_t>(i) - static_cast<int32_t>(count) + 1) * spread;
            e->orientation.t[2] = g_entityWorld.player->Z() - (people ? 1500 : 1100);
            e->heading = people ? 2048 : (i == 0 ? 3500 : 600);
            SettleLevel(e);
            shown.push_back(e);
        }
        StageFrame();
        char name[64];
        std::snprintf(name, sizeof name, "ravenor_traffic_frames/models_%02d", shot);
        SaveFrame(name);
        for (Entity* e : shown)
        {
            EXPECT_TRUE(e->visible) << e->classNumber;
            MakeInert(e);
        }
    }
    g_entityWorld.player->model = playerModel;
}

// Turning by hand-worked steps at F = 256: TurnTowards moves the heading by
// the signed difference over the divisor (none at a stand, answering the
// yaw rate); SteerTowards takes at most 500 of the error, builds a yaw rate
// of error / 40 that dies away by 1 a frame, and adds error / 16.
TEST(Paths, TurningByHandWorkedSteps)
{
    g_speedFactor = 256;
    struct Turn
    {
        int32_t heading, target, divisor, speed, heading2, answer;
    };
    const Turn turns[] = {
        {100, 500, 4, 50, 200, 100},      // a quarter of 400
        {100, 4000, 2, 50, 2, -98},       // the short way round: -196 / 2
        {4000, 100, 4, 50, 4049, 49},     // across 0: +196 / 4
        {100, 500, 4, 0, 100, 7},         // at a stand: the yaw rate
    };
    for (const Turn& t : turns)
    {
        Entity e;
        e.heading = t.heading;
        e.speed = t.speed;
        e.yawRate = 7;
        EXPECT_EQ(t.answer, TurnTowards(&e, t.target, t.divisor)) << t.heading << " " << t.target;
        EXPECT_EQ(t.heading2, e.heading) << t.heading << " " << t.target;
    }
    // SteerTowards: error 800 counts as 500: rate 12 (then 11 kept), heading
    // + 12 + 31
    Entity car;
    car.speed = 100;
    car.heading = 0;
    SteerTowards(&car, 800);
    EXPECT_EQ(11, car.yawRate);
    EXPECT_EQ(43, car.heading);
    // A small error: 40 -> rate 1 (0 kept), heading + 1 + 2
    car.heading = 1000;
    car.yawRate = 0;
    SteerTowards(&car, 1040);
    EXPECT_EQ(0, car.yawRate);
    EXPECT_EQ(1003, car.heading);
    // At a stand nothing turns
    car.speed = 0;
    SteerTowards(&car, 3000);
    EXPECT_EQ(1003, car.heading);
}

// The smooth follower eases its velocity toward the target point, reaches
// the points in turn within its arrival radius and wraps to 0 after the
// last; at speed 0 it stops.
TEST(Paths, SmoothFollowerVisitsEveryPointAndWraps)
{
    g_speedFactor = 256;
    const int32_t points[] = {0, 0, 6000, 6000, 0, 6000, 6000, 0, 0, 0, 0, 0, kEndOfPoints, 0, 0};
    Entity e;
    e.path = points;
    e.pathIndex = 0;
    e.type = &EmptyType;
    std::vector<int32_t> visited;
    int32_t firstSpeed = -1;
    for (int frame = 0; frame < 2000 && visited.size() < 6; ++frame)
    {
        FollowPathSmooth(&e, 200);
        if (frame == 0)
            firstSpeed = std::abs(e.velocity[2]);
        if (visited.empty() || visited.back() != e.pathIndex)
            visited.push_back(e.pathIndex);
    }
    EXPECT_LT(firstSpeed, 20);   // a sixteenth of the way to 200
    EXPECT_EQ((std::vector<int32_t>{0, 1, 2, 3, 0, 1}), visited);
    FollowPathSmooth(&e, 0);
    EXPECT_EQ(0, e.velocity[0]);
    EXPECT_EQ(0, e.velocity[2]);
}

// A gate made by a route stands like a pedestrian but is not on the active
// list (cars do not collide with it); it goes when far. Given a speed under
// a record it moves along its path.
TEST_F(TrafficTest, GatesOnRoutesStandAndGo)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    ViewFromPlayer();
    g_entityWorld.trafficLimit = 5;
    TestRoute route({{g_entityWorld.player->X(), -128, g_entityWorld.player->Z() - 25000}, {g_entityWorld.player->X(), -128, g_entityWorld.player->Z()}}, 30, 0, {2});
    SpawnOnRoute(route.entry);
    std::vector<Entity*> gates = Updated(ObjectUpdate);
    ASSERT_EQ(1u, gates.size());
    Entity* gate = gates[0];
    EXPECT_FALSE(OnActiveList(gate));
    EXPECT_NE(nullptr, gate->model);
    const int32_t z = gate->Z();
    for (int frame = 0; frame < 20; ++frame)
        StageFrame();
    EXPECT_EQ(z, gate->Z());
    // Its step moves it along its path toward the second point
    gate->speed = 100;
    SendClassMessage(2, gate, kMsgStep);
    EXPECT_GT(gate->Z(), z);
    gate->orientation.t[2] -= 30000;
    ObjectUpdate(gate);
    EXPECT_EQ(nullptr, gate->update);
}

// A record of mode 95 counts the player's touches, one in 45 frames at
// most; other records count nothing.
TEST_F(TrafficTest, TouchesCountedForMode95)
{
    ASSERT_TRUE(StartDescribed(kPlayerOnly));
    SendClassMessage(44, nullptr, kMsgLoad);
    Behaviour counting;
    counting.mode = 95;
    Behaviour plain;
    for (Behaviour* record : {&counting, &plain})
    {
        Entity* car = AllocEntity();
        ASSERT_NE(nullptr, car);
        car->classNumber = 44;
        SendClassMessage(44, car, kMsgCreate);
        car->behaviour = record;
        car->update = [](Entity*) {};
        int touches = 0;
        for (int frame = 0; frame < 100; ++frame)
        {
            ++g_shell.frameCounter;
            // Side by side with the player, overlapping
            car->orientation = g_entityWorld.player->orientation;
            car->orientation.t[0] += 300;
            touches += TrafficHitsPlayer(car) ? 1 : 0;
        }
        EXPECT_EQ(100, touches);
        EXPECT_EQ(record == &counting ? 3 : 0, car->hitCount);
        MakeInert(car);
    }
}
