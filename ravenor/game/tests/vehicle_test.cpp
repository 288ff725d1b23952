// vehicle_test.cpp -- the driven car against hand-worked fixed-point steps
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "os/testing/sound.h"
#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/effects/crashes.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/effects/vehicle_frame.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/vehicle_state.h"
#include "stage_fixture.h"

namespace {

// The concorde's handling on a car of its own, for the steps that need no ground
EntityType HandlingType()
{
    static const int32_t gears[4] = {8, 6, 4, 2};
    EntityType t;
    t.steerLimit = 55;
    t.steerRate = 3;
    t.gearForce = gears;
    t.topSpeed = 540;
    t.lateralGrip = 70;
    t.skidSlide = 320;
    t.headingDrag = 20;
    t.tractionGain = 30;
    t.slideTurn = 100;
    t.loadToSprings = 100;
    return t;
}

// A car with that handling alone, at a speed, F = 256
struct HandlingCar
{
    EntityType type = HandlingType();
    VehicleState state;
    Entity e;

    explicit HandlingCar(int32_t speed)
    {
        g_speedFactor = 256;
        BuildTrigTables();
        e.type = &type;
        e.vehicle = &state;
        e.speed = speed;
    }
};

// The player's car of the first stage's model placed on the west street
// (heading north unless asked), the controls live
Entity* PlaceTestCar(int32_t y, int32_t x = -20000, int32_t heading = 0)
{
    ResetAllEntities();
    g_stage.driverSlotCount = 0;
    SendClassMessage(55, nullptr, kMsgLoad);
    Entity* e = AllocEntity();
    e->classNumber = 55;
    e->orientation.t[0] = x;
    e->orientation.t[1] = y;
    e->orientation.t[2] = -30000;
    e->heading = e->travelHeading = heading;
    e->update = [](Entity*) {};
    SendClassMessage(55, e, kMsgCreate);
    SendClassMessage(55, e, kMsgBecomePlayer);
    g_stage.controlsLive = true;
    g_stage.controls = DriveInputs{};
    return e;
}

// A car's frame as its class runs it: the step, then its sound, effects
// and camera
void DriveFrame(Entity* e)
{
    ++g_shell.frameCounter;
    SendClassMessage(e->classNumber, e, kMsgStep);
}

} // namespace

// Accelerating from a stand on a flat road: +8 a frame in the first band,
// then +6, +4, +2 up to the top speed, and each frame the car moves by its
// speed (F = 256).
TEST(Vehicle, AcceleratesThroughTheGearsOnAStraight)
{
    StartProgram();
    Entity* e = PlaceTestCar(0);
    ASSERT_EQ(4, e->vehicle->contacts);
    const int32_t startZ = e->Z();
    g_stage.controls.accelerate = 1;
    int32_t expected = 0;
    int32_t travelled = 0;
    for (int frame = 0; frame < 150; ++frame)
    {
        const int32_t band = expected * 16 / 540;
        if (expected < 540)
            expected += band < 4 ? 8 : band < 8 ? 6 : band < 12 ? 4 : 2;
        travelled += expected;
        DriveFrame(e);
        ASSERT_EQ(expected, e->speed) << "frame " << frame;
        ASSERT_EQ(startZ + travelled, e->Z()) << "frame " << frame;
        ASSERT_EQ(-20000, e->X());
        ASSERT_EQ(0, e->heading);
    }
    EXPECT_EQ(540, e->speed);
    // Braking: down to a stand without reversing in the same frame, then backwards
    g_stage.controls = DriveInputs{};
    g_stage.controls.brake = 1;
    int frames = 0;
    while (e->speed > 0 && frames < 200)
    {
        DriveFrame(e);
        ++frames;
    }
    EXPECT_EQ(0, e->speed);
    EXPECT_EQ(1, e->vehicle->reverseMode);
    DriveFrame(e);
    EXPECT_EQ(-4, e->speed);
}

// Holding right at speed 200: the steering grows by steerRate + 8 a frame
// until the yaw rate reaches the limit, and without a slide the travel
// direction follows the heading.
TEST(Vehicle, TurnFollowsTheHandWorkedSteps)
{
    HandlingCar car(200);
    Entity& e = car.e;
    VehicleState& state = car.state;
    state.right = 1;
    const int32_t steers[8] = {11, 22, 33, 44, 55, 66, 77, 70};
    const int32_t headings[8] = {8, 25, 50, 84, 126, 177, 237, 291};
    for (int frame = 0; frame < 8; ++frame)
    {
        SteerAndSlide(&e);
        EXPECT_EQ(steers[frame], e.steer) << frame;
        EXPECT_EQ(headings[frame], e.heading) << frame;
        EXPECT_EQ(e.heading, e.travelHeading) << frame;
        EXPECT_EQ(200, e.speed) << frame;
    }
    // The handbrake: slide 100 and skid 200 every frame, the travel direction lags
    state.handbrake = 1;
    SteerAndSlide(&e);
    EXPECT_EQ(100, state.slide);
    EXPECT_EQ(200, state.skid);
    EXPECT_NE(e.heading & 0xFFF, e.travelHeading);
}

TEST(Vehicle, SteeringAtAStandNeverDividesByTheSpeed)
{
    HandlingCar car(0);
    Entity& e = car.e;
    VehicleState& state = car.state;
    e.steer = 12;
    e.yawRate = -100;   // left behind by a knock
    state.left = 1;
    SteerInput(&e);
    EXPECT_EQ(12, e.steer);
    e.yawRate = 100;
    state.left = 0;
    state.right = 1;
    SteerInput(&e);
    EXPECT_EQ(12, e.steer);
}

TEST(Vehicle, SlowCarTravelsWhereItPointsAndAWideTurnFlipsIt)
{
    HandlingCar car(29);
    Entity& e = car.e;
    VehicleState& state = car.state;
    e.heading = 500;
    e.travelHeading = 0;
    state.skid = 100;
    SteerAndSlide(&e);
    EXPECT_EQ(e.heading, e.travelHeading);
    // Turned far from the travel direction (the handbrake's slide of 100
    // moves it by 14): accelerating keeps the direction, coasting flips it.
    e.speed = 300;
    e.heading = 1500;
    e.travelHeading = 0;
    state.handbrake = 1;
    state.accelerate = 1;
    SteerAndSlide(&e);
    EXPECT_EQ(300, e.speed);
    EXPECT_EQ(14, e.travelHeading);
    e.heading = 1500;
    e.travelHeading = 0;
    state.accelerate = 0;
    SteerAndSlide(&e);
    EXPECT_EQ(-300, e.speed);
    EXPECT_EQ((14 - 2048) & 0xFFF, e.travelHeading);
}

// Dropped from 600 above its resting height the car falls, lands on four
// wheels and comes to rest level on the road.
TEST(Vehicle, SettlesOnTheRoadFromADrop)
{
    StartProgram();
    Entity* e = PlaceTestCar(-1200);
    g_stage.controlsLive = false;
    bool flew = false;
    for (int frame = 0; frame < 150; ++frame)
    {
        DriveFrame(e);
        flew = flew || e->vehicle->inAir;
    }
    EXPECT_TRUE(flew);
    EXPECT_NEAR(-e->type->maxY, e->Y(), 20);
    EXPECT_GE(e->vehicle->contacts, 3);
    EXPECT_LE(std::min(e->pitch, 4096 - e->pitch), 16);
    EXPECT_LE(std::min(e->roll, 4096 - e->roll), 16);
    EXPECT_EQ(-20000, e->X());
}

// Dropped from a height: while no wheel touches, the landing sound is
// stopped; the frame it touches down it plays "land.wav" once, at its
// vertical speed as the level, and not again while it stays down.
TEST(Vehicle, TheLandingSoundStopsInTheAirAndPlaysOnTouchingDown)
{
    StartProgram();
    SetEffectsVolume(116, 116);
    Entity* e = PlaceTestCar(-1200);
    g_stage.controlsLive = false;
    PlaySound(kSoundLand);   // an earlier landing still sounding
    ASSERT_NE(nullptr, g_sound.slots[kSoundLand].device);
    int landings = 0;
    int plays = 0;
    int32_t wasInAir = e->vehicle->inAir;
    HWAVEOUT last = g_sound.slots[kSoundLand].device;
    for (int frame = 0; frame < 150; ++frame)
    {
        DriveFrame(e);
        const HWAVEOUT device = g_sound.slots[kSoundLand].device;
        if (e->vehicle->inAir)
        {
            EXPECT_EQ(nullptr, device) << "stopped in the air, frame " << frame;
        }
        if (wasInAir && !e->vehicle->inAir)
        {
            ++landings;
            ASSERT_NE(nullptr, device) << "frame " << frame;
            const DWORD volume = os::sound::test::devices().back().volume & 0xFFFF;
            EXPECT_EQ(DWORD(std::clamp(120 * EffectsMaster() * e->velocity[1] / 100, 0, 0xFFFF)), volume);
        }
        plays += device != nullptr && device != last;
        last = device;
        wasInAir = e->vehicle->inAir;
    }
    EXPECT_GE(landings, 1);
    EXPECT_EQ(landings, plays);
    EXPECT_GE(e->vehicle->contacts, 3);
}

// The engine sound is updated at the start of the car's step, from the speed
// and the throttle of the frame before: the first frame with the key down
// still idles, the next one takes the second gear.
TEST(Vehicle, TheEngineSoundHearsTheCarAsItWasBeforeItsStep)
{
    StartProgram();
    Entity* e = PlaceTestCar(0);
    StartEngineIdle();
    Sleep(3000);
    g_stage.controls.accelerate = 1;
    DriveFrame(e);
    EXPECT_EQ(8, e->speed);
    EXPECT_EQ(kSoundIdle, EngineSoundSlot());
    DriveFrame(e);
    EXPECT_EQ(kSound2ndGear, EngineSoundSlot());
}

// The player's driver slot: "locked" drops the controls for one frame; a
// driven car that is not the player does not take the player's keys and,
// with the controls live, skips its own driving step.
TEST(Vehicle, LockedSlotAndOtherDrivenCars)
{
    StartProgram();
    Entity* e = PlaceTestCar(0);
    g_stage.controls.accelerate = 1;
    e->vehicle->locked = 1;
    DriveFrame(e);
    EXPECT_EQ(0, e->speed);
    EXPECT_EQ(0, e->vehicle->locked);
    DriveFrame(e);
    EXPECT_EQ(8, e->speed);
    g_entityWorld.player = nullptr;
    const int32_t z = e->Z();
    DriveFrame(e);
    EXPECT_EQ(0, e->vehicle->accelerate);
    EXPECT_EQ(8, e->speed);
    EXPECT_EQ(z, e->Z());
}

namespace {

// The glows of a step riding on the car
std::vector<Entity*> Glows(const Entity* car, EntityUpdate step)
{
    std::vector<Entity*> found;
    for (Entity& g : g_entityWorld.pool)
        if (g.update == step && g.parent == car)
            found.push_back(&g);
    return found;
}

int Lit(const std::vector<Entity*>& glows)
{
    int lit = 0;
    for (const Entity* g : glows)
        lit += g->model != nullptr;
    return lit;
}

// The car's step, then the sweep that moves its glows
void DriveAndSweep(Entity* e, int frames)
{
    for (int i = 0; i < frames; ++i)
    {
        DriveFrame(e);
        SweepEntities();
    }
}

} // namespace

// A driven car carries two brake glows from its creation, lit only while it
// brakes moving forward, riding at its turned brake-light points; reversing
// attaches two reverse glows once, which go when it drives forward again.
// A car that is no longer what they were attached to loses its glows.
TEST(Vehicle, BrakeAndReverseLightsRideOnTheCar)
{
    StartProgram();
    Entity* e = PlaceTestCar(0);
    const std::vector<Entity*> brake = Glows(e, BrakeLightStep);
    ASSERT_EQ(2u, brake.size());
    EXPECT_TRUE(Glows(e, ReverseLightStep).empty());
    g_stage.controls.accelerate = 1;
    DriveAndSweep(e, 40);
    EXPECT_EQ(0, Lit(brake)) << "dark while accelerating";
    // At the turned points (x, -b, a) of the model's brake lights, within the
    // nudge toward the camera; the car heads north, unturned.
    for (const Entity* g : brake)
    {
        ASSERT_NE(nullptr, g->attachOffset);
        int32_t at[3];
        RotateToWorld(&e->orientation, g->attachOffset, at);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(e->orientation.t[k] + at[k], g->orientation.t[k], 41) << k;
    }
    EXPECT_LT((brake[0]->X() - e->X()) * (brake[1]->X() - e->X()), 0) << "one on either side";
    EXPECT_LT(brake[0]->Z(), e->Z() - 1000) << "behind the car";
    g_stage.controls = DriveInputs{};
    g_stage.controls.brake = 1;
    DriveAndSweep(e, 1);
    ASSERT_GT(e->speed, 0);
    EXPECT_EQ(2, Lit(brake)) << "lit while braking forward";
    for (const Entity* g : brake)
        ASSERT_NE(nullptr, g->altModel) << "the demo holds the brake light";
    int frames = 0;
    while (e->vehicle->reverseMode == 0 && frames++ < 200)
        DriveAndSweep(e, 1);
    DriveAndSweep(e, 20);
    ASSERT_LT(e->speed, 0);
    EXPECT_EQ(0, Lit(brake)) << "dark when going backwards";
    const std::vector<Entity*> reverse = Glows(e, ReverseLightStep);
    EXPECT_EQ(2u, reverse.size()) << "attached once in twenty reversing frames";
    EXPECT_EQ(1, e->vehicle->lightsOn);
    EXPECT_EQ(2, Lit(reverse));
    // Forward again: the reverse glows go and may come back later
    g_stage.controls = DriveInputs{};
    g_stage.controls.accelerate = 1;
    DriveAndSweep(e, 1);
    EXPECT_TRUE(Glows(e, ReverseLightStep).empty());
    EXPECT_EQ(0, e->vehicle->lightsOn);
    EXPECT_EQ(2u, Glows(e, BrakeLightStep).size());
    // The car's record taken by something else: the glows let go
    e->update = [](Entity*) { };
    SweepEntities();
    EXPECT_TRUE(Glows(e, BrakeLightStep).empty());
}

// The wall probes against the west street's east edge (world x -18000; the
// ground ends there): a car driven into it loses a quarter of its speed at
// each front corner (a sixteenth for the player holding accelerate), one
// reversing into it a sixteenth at each back corner; the car is put back
// from the edge, its vertical velocity takes the knock within -20..10, and
// only the player's camera shakes. A car in the clear keeps its speed; one
// with no ground ahead stops. A hit above speed 100 plays a wall crash
// (once for the two corners) and throws nine sparks at each corner hit.
namespace {

struct WallCase
{
    const char* name;
    const char* what;
    int32_t x;      // where the car stands on the street
    int32_t toward; // heading: toward the edge (1) or away from it (-1)
    int32_t speed;
    bool player;   // the player holding accelerate
    int32_t after; // speed after the probes
    int32_t velocityY;
    size_t sounds;
};

const WallCase kWallCases[] = {
    {"ForwardIntoTheEdge", "forward into the edge", -18300, 1, 300, false, 169, -18, 1},  // 300 - 75, 225 - 56
    {"ThePlayerPressingOn", "the player pressing on", -18300, 1, 300, true, 265, -18, 1}, // 300 - 18, 282 - 17
    // -200 + 12, -188 + 11; 12 kept to 10
    {"ReversingIntoIt", "reversing into it", -18300, -1, -200, false, -177, 10, 0},
    {"InTheClear", "in the clear", -20000, 1, 300, false, 300, 0, 0},
    {"ReversingInTheClear", "reversing in the clear", -20000, -1, -200, false, -200, 0, 0},
};

// One case of the table a test of its own
class WallProbes : public testing::TestWithParam<WallCase>
{};

} // namespace

TEST_P(WallProbes, SlowTheCarAtTheRoadsEdge)
{
    const WallCase& c = GetParam();
    const int32_t east = FixedAtan2(1, 0) & 0xFFF;
    StartProgram();
    Entity* e = PlaceTestCar(0, c.x, c.toward > 0 ? east : (east + 2048) & 0xFFF);
    ASSERT_GE(e->vehicle->contacts, 3) << c.what;
    // Placing settles the car back from the edge; it is put where asked.
    e->orientation.t[0] = c.x;
    e->probeFrame = 0xFFFFFFFF;
    ProbeRefresh(e);
    if (!c.player)
        g_entityWorld.player = nullptr;
    e->vehicle->accelerate = c.player ? 1 : 0;
    e->speed = c.speed;
    e->velocity[0] = e->velocity[1] = e->velocity[2] = 0;
    e->yawRate = 0;
    ShakeCamera(0, 0, 0);
    const int32_t x = e->X();
    ResetCollisionState();
    ResetCrashSounds();
    const size_t played = os::sound::test::devices().size();
    // The probe writes its hits in the car's frame; the sound, the sparks
    // and the shake come as the frame is read.
    e->vehicle->frame = VehicleFrame{};
    WallProbe(e);
    PlayVehicleFrame(e);
    EXPECT_EQ(c.sounds, os::sound::test::devices().size() - played) << c.what;
    // A hit above speed 100 throws nine sparks from each corner that hit.
    int sparks = 0;
    for (const Entity& s : g_entityWorld.pool)
        sparks += s.update == DebrisStep;
    EXPECT_EQ(c.sounds > 0, sparks > 0) << c.what;
    EXPECT_EQ(0, sparks % 9) << c.what;
    EXPECT_EQ(c.after, e->speed) << c.what;
    EXPECT_EQ(c.velocityY, e->velocity[1]) << c.what;
    if (c.after == c.speed)
    {
        EXPECT_EQ(x, e->X()) << c.what << ": no velocity, no move";
        EXPECT_EQ(0, g_cameras.chase.shake[0]) << c.what;
        return;
    }
    EXPECT_LT(e->X(), x) << c.what << ": put back from the edge";
    const int32_t shake = std::abs(g_cameras.chase.shake[0]) + std::abs(g_cameras.chase.shake[2]);
    if (c.player)
    {
        EXPECT_GT(shake, 0) << c.what;
    }
    else
    {
        EXPECT_EQ(0, shake) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Vehicle, WallProbes, testing::ValuesIn(kWallCases), CaseName<WallCase>);

// No ground ahead and none under the car: it stops where it is.
TEST(Vehicle, WallProbesStopACarWithNoGroundAhead)
{
    StartProgram();
    Entity* e = PlaceTestCar(0);
    e->orientation.t[0] = -10000;
    e->groundProbe.height = -1;
    e->speed = 300;
    e->push[0] = e->push[1] = 50;
    e->velocity[0] = 300;
    WallProbe(e);
    EXPECT_EQ(0, e->speed);
    EXPECT_EQ(0, e->push[0]);
    EXPECT_EQ(0, e->push[1]);
    EXPECT_EQ(-10000, e->X());
}
