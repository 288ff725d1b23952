// particles_test.cpp -- emitted glows, skid streaks, smoke, sparks and debris
// with the numbers they are made with
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "os/testing/sound.h"
#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/classes/props.h"
#include "ravenor/game/effects/effect_classes.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/loose_bodies.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/vehicle_state.h"
#include "ravenor/game/world/world_draw.h"
#include "stage_fixture.h"

namespace {

// A prop of the class standing on the street, alive and seen, with the
// camera a little way off
Entity* StandingProp(int32_t c, int32_t x = kWestStreetX, int32_t z = kWestStreetZ)
{
    SendClassMessage(c, nullptr, kMsgLoad);
    Entity* e = AllocEntity();
    e->classNumber = c;
    e->orientation.t[0] = x;
    e->orientation.t[2] = z;
    SendClassMessage(c, e, kMsgCreate);
    e->orientation.t[1] = ProbeGround(x, z).height - e->type->maxY;
    e->update = IdleUpdate;
    e->visible = 1;
    g_cameras.view.position[0] = x;
    g_cameras.view.position[1] = e->Y() - 1000;
    g_cameras.view.position[2] = z - 3000;
    return e;
}

std::vector<Entity*> Effects(const Entity* carrier, EntityUpdate step)
{
    std::vector<Entity*> found;
    for (Entity& g : g_entityWorld.pool)
        if (g.update == step && (carrier == nullptr || g.parent == carrier))
            found.push_back(&g);
    return found;
}

// One frame of a carrier's emitters and the sweep that steps the glows
void EmitterFrame(Entity* carrier)
{
    ++g_shell.frameCounter;
    RunEmitters(carrier);
    SweepEntities();
}

class ParticlesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        StartProgram();
        ResetAllEntities();
        ResetParticles();
        g_shell.frameCounter = 0;
        g_entityWorld.player = nullptr;
    }
    void TearDown() override
    {
        ResetAllEntities();
        g_entityWorld.player = nullptr;
        g_speedFactor = 256;
    }
};

// The lamppost's held slot makes one glow on each frame whose counter ends
// in 1 (of 16), each lives 16 frames at the lamp's arm, so exactly one is
// lit from the first; beyond the distance limit none is made.
TEST_F(ParticlesTest, HeldGlowEverySixteenFramesLivingSixteen)
{
    Entity* lamp = StandingProp(29);
    int made = 0;
    for (int frame = 1; frame <= 64; ++frame)
    {
        EmitterFrame(lamp);
        const std::vector<Entity*> glows = Effects(lamp, HeldEffectStep);
        EXPECT_EQ(1u, glows.size()) << "frame " << frame;
        for (Entity* g : glows)
        {
            // Made this frame: stepped once by the sweep
            if (g->age == 1)
            {
                ++made;
                EXPECT_EQ(1u, g_shell.frameCounter & 15) << "made on frame " << frame;
                EXPECT_EQ(128, g->glow[3]);
                EXPECT_EQ(99, g->faceMode);
                EXPECT_EQ(lamp->X() + 400, g->X());
                EXPECT_EQ(lamp->Y() - 1400, g->Y());
                EXPECT_EQ(lamp->Z(), g->Z());
                EXPECT_NE(nullptr, g->model) << "the glow model came with the lamppost";
            }
        }
    }
    EXPECT_EQ(4, made) << "one glow lives at a time, each 16 frames";
    // The lamp's record gone: its glow follows at its next step.
    lamp->update = nullptr;
    SweepEntities();
    EXPECT_EQ(0u, CountUpdates(HeldEffectStep));
    // Far from the camera (4000000 in squared 1/32 units is 64000 away)
    lamp->update = IdleUpdate;
    g_cameras.view.position[2] = lamp->Z() - 64100;
    for (int frame = 0; frame < 32; ++frame)
        EmitterFrame(lamp);
    EXPECT_EQ(0u, CountUpdates(HeldEffectStep));
}

// The roadblock's two timed slots (periods 5 and 5) flash together: a glow
// each every 10 frames, living 5; the second slot's first parameter is
// 255. The roadblock's own age (the frame counter when it was made) shifts
// the phase. An emitter whose periods are both 0 never fires.
TEST_F(ParticlesTest, TimedGlowsFlashAndZeroPeriodsNeverFire)
{
    g_shell.frameCounter = 3;
    Entity* block = StandingProp(28);
    EXPECT_EQ(3, block->age);
    int made = 0;
    std::vector<size_t> lit;
    for (int frame = 0; frame < 40; ++frame)
    {
        EmitterFrame(block);
        for (Entity* g : Effects(block, TimedEffectStep))
        {
            if (g->age != 1)
                continue;
            ++made;
            EXPECT_EQ(0u, (block->age + g_shell.frameCounter) % 10);
            EXPECT_EQ(5, g->lifetime);
            EXPECT_TRUE(g->glow[0] == 0 || g->glow[0] == 255);
            EXPECT_EQ(128, g->glow[3]);
        }
        lit.push_back(Effects(block, TimedEffectStep).size());
    }
    EXPECT_EQ(8, made);
    // Five frames lit (two glows), five dark, in turn
    int litFrames = 0;
    for (size_t n : lit)
    {
        EXPECT_TRUE(n == 0 || n == 2);
        litFrames += n == 2;
    }
    EXPECT_EQ(20, litFrames);

    ResetAllEntities();
    EntityType silent = *block->type;
    silent.attachment[0].periods[0] = silent.attachment[0].periods[1] = 0;
    silent.attachment[1].kind = 0;
    Entity* carrier = StandingProp(28);
    carrier->type = &silent;
    for (int frame = 0; frame < 40; ++frame)
        EmitterFrame(carrier);
    EXPECT_EQ(0u, CountUpdates(TimedEffectStep));
}

// Streak pieces: nothing until the wheel has moved more than 130 from its
// last point; within 800 x sqrt(F / 256) the piece lies half way, turned
// along the move, stretched by sqrt(d2) x 40 (Q14) below 400 x sqrt(F / 256)
// and by F x 64 beyond; a longer jump puts it at the new point along the
// car's travel heading.
TEST_F(ParticlesTest, SkidPiecesEvery130UnitsHalfWayOrAtAJump)
{
    SkidMarkHandler(nullptr, kMsgLoad);
    struct Case
    {
        int32_t factor;
        int32_t dx, dz; // the wheel's move since its last point
        bool laid;
        bool halfWay;
        int32_t length; // of the piece's length row (-1: the stretch below 400)
    };
    const Case cases[] = {
        {256, 130, 0, false, false, 0},       {256, 0, -130, false, false, 0},       {256, 131, 0, true, true, -1},
        {256, 0, 300, true, true, -1},        {256, 600, 0, true, true, 16384},      {256, 801, 0, true, false, 16384},
        {511, 1000, 0, true, true, 511 * 64}, {511, 1200, 0, true, false, 511 * 64},
    };
    for (const Case& c : cases)
    {
        ResetAllEntities();
        g_speedFactor = c.factor;
        Entity* car = AllocEntity();
        car->update = IdleUpdate;
        car->orientation.t[0] = kWestStreetX + c.dx;
        car->orientation.t[1] = -1000;
        car->orientation.t[2] = kWestStreetZ + c.dz;
        car->travelHeading = 700;
        g_entityWorld.player = car;
        int32_t last[3] = {kWestStreetX, 0, kWestStreetZ};
        const int32_t offset[3] = {0, 0, 0};
        LaySkid(SampleOf(car), offset, last, 300);
        const std::vector<Entity*> pieces = Effects(nullptr, SkidFade);
        const std::string what = std::to_string(c.factor) + " " + std::to_string(c.dx) + "," + std::to_string(c.dz);
        if (!c.laid)
        {
            EXPECT_TRUE(pieces.empty()) << what;
            EXPECT_EQ(kWestStreetX, last[0]) << what << ": the last point stays";
            continue;
        }
        ASSERT_EQ(1u, pieces.size()) << what;
        const Entity* p = pieces[0];
        EXPECT_EQ(car->X(), last[0]) << what;
        EXPECT_EQ(car->Z(), last[2]) << what;
        if (c.halfWay)
        {
            EXPECT_EQ((2 * kWestStreetX + c.dx) / 2, p->X()) << what;
            EXPECT_EQ((2 * kWestStreetZ + c.dz) / 2, p->Z()) << what;
            EXPECT_EQ(FixedAtan2(c.dx, c.dz) & 0xFFF, p->heading) << what;
        }
        else
        {
            EXPECT_EQ(car->X(), p->X()) << what;
            EXPECT_EQ(700, p->heading) << what;
        }
        EXPECT_EQ(ProbeGround(p->X(), p->Z()).height - 3, p->Y()) << what;
        EXPECT_EQ(255, p->glow[0]) << what << ": the level is kept to 255";
        EXPECT_EQ(250, p->glow[3]) << what;
        const Vector4s row = p->orientation.GetRow(2);
        const double length = std::sqrt(double(row.x) * row.x + double(row.y) * row.y + double(row.z) * row.z);
        // -1: stretched by the table square root of d2, times 40
        const int32_t stretch = c.length >= 0 ? c.length : FixedSqrt(uint32_t(c.dx * c.dx + c.dz * c.dz)) * 40;
        EXPECT_NEAR(stretch, length, 40) << what;
    }
    // Not the player's car: no piece
    ResetAllEntities();
    g_speedFactor = 256;
    Entity* other = AllocEntity();
    other->update = IdleUpdate;
    other->orientation.t[0] = kWestStreetX + 500;
    other->orientation.t[2] = kWestStreetZ;
    g_entityWorld.player = nullptr;
    int32_t last[3] = {kWestStreetX, 0, kWestStreetZ};
    const int32_t offset[3] = {0, 0, 0};
    LaySkid(SampleOf(other), offset, last, 100);
    EXPECT_EQ(0u, CountUpdates(SkidFade));
}

// A streak fades by one a standard frame and goes once it is not seen.
TEST_F(ParticlesTest, StreakFadesAndGoesWhenUnseen)
{
    SkidMarkHandler(nullptr, kMsgLoad);
    Entity* car = AllocEntity();
    car->update = IdleUpdate;
    car->orientation.t[0] = kWestStreetX;
    car->orientation.t[2] = kWestStreetZ + 300;
    g_entityWorld.player = car;
    int32_t last[3] = {kWestStreetX, 0, kWestStreetZ};
    const int32_t offset[3] = {0, 0, 0};
    LaySkid(SampleOf(car), offset, last, 40);
    ASSERT_EQ(1u, CountUpdates(SkidFade));
    Entity* piece = Effects(nullptr, SkidFade)[0];
    for (int i = 0; i < 5; ++i)
        SweepEntities();
    EXPECT_EQ(35, piece->glow[0]);
    EXPECT_EQ(35, piece->glow[2]);
    piece->visible = 0;
    SweepEntities();
    EXPECT_EQ(nullptr, piece->update);
}

// The player's car sliding (slide above 4, speed above 10): the skid loop
// plays once however long it slides, both rear wheels puff smoke from 120
// above their points and lay streaks; four frames after the slide ends the
// loop stops.
TEST_F(ParticlesTest, SlidingPlaysTheSkidLoopPuffsSmokeAndLaysStreaks)
{
    MountDemoArchive();
    ResetSoundState();
    LoadSounds();
    SkidMarkHandler(nullptr, kMsgLoad);
    TyreSmokeHandler(nullptr, kMsgLoad);
    ResetFramePacing();
    PaceFrame(47);
    g_speedFactor = 256;
    ASSERT_GE(LastFrameElapsed(), 22u) << "every frame is due for smoke";
    VehicleState state;
    EntityType type;
    Entity* car = AllocEntity();
    car->update = IdleUpdate;
    car->type = &type;
    car->vehicle = &state;
    car->orientation.t[0] = kWestStreetX;
    car->orientation.t[1] = ProbeGround(kWestStreetX, kWestStreetZ).height - 200;
    car->orientation.t[2] = kWestStreetZ;
    g_entityWorld.player = car;
    const int32_t left[3] = {-235, 200, 410};
    const int32_t right[3] = {235, 200, 410};
    state.slide = 100;
    car->speed = 200;
    car->velocity[2] = 200;
    os::sound::test::reset_spy();
    for (int frame = 0; frame < 10; ++frame)
    {
        SkidEffects(SampleOf(car), left, right);
        car->orientation.t[2] += 200;
    }
    EXPECT_EQ(1u, os::sound::test::devices().size()) << "the loop is started once";
    EXPECT_NE(nullptr, g_sound.slots[kSoundSkid].device);
    EXPECT_EQ(20u, CountUpdates(SmokeStep));
    EXPECT_GE(CountUpdates(SkidFade), 18u);
    for (Entity* puff : Effects(nullptr, SmokeStep))
    {
        EXPECT_EQ(car->Y() + 80, puff->Y()) << "120 above the wheel point";
        EXPECT_GE(puff->velocity[1], -20);
        EXPECT_LE(puff->velocity[1], -17);
        EXPECT_GE(puff->velocity[2], 100 - 7);
        EXPECT_LE(puff->velocity[2], 100 + 8);
    }
    // The slide ends: three frames more of the loop, stopped on the fourth
    state.slide = 4;
    for (int frame = 1; frame <= 4; ++frame)
    {
        SkidEffects(SampleOf(car), left, right);
        if (frame < 4)
        {
            EXPECT_NE(nullptr, g_sound.slots[kSoundSkid].device) << frame;
        }
    }
    EXPECT_EQ(nullptr, g_sound.slots[kSoundSkid].device);
    EXPECT_EQ(20u, CountUpdates(SmokeStep)) << "no smoke without the slide";
    ResetSoundState();
}

// A puff's texture frame goes on every fourth frame; it ends at the
// texture's frame count (six frames in the demo), so it lives 24 frames.
TEST_F(ParticlesTest, SmokeLivesThroughItsTextureFrames)
{
    TyreSmokeHandler(nullptr, kMsgLoad);
    Entity car;
    car.orientation.t[0] = kWestStreetX;
    car.orientation.t[2] = kWestStreetZ;
    car.velocity[0] = 40;
    PuffSmoke(SampleOf(&car), 0, -100, 0);
    ASSERT_EQ(1u, CountUpdates(SmokeStep));
    Entity* puff = Effects(nullptr, SmokeStep)[0];
    ASSERT_NE(nullptr, puff->model);
    ASSERT_EQ(6u, puff->model->meshes[0].faces[0].texture->frameCount);
    const int32_t x = puff->X();
    const int32_t vx = puff->velocity[0];
    EXPECT_GE(vx, 20 - 7);
    EXPECT_LE(vx, 20 + 8);
    int frames = 0;
    while (puff->update != nullptr && frames < 100)
    {
        ++g_shell.frameCounter;
        SweepEntities();
        ++frames;
    }
    EXPECT_EQ(24, frames);
    EXPECT_EQ(x + 23 * vx, puff->X()) << "it moved every frame it lived";
}

// Sparks fly off with half the source's velocity and a random kick (50
// across, up to 64 up, and 15 more up), spin at random, fall by 5 a frame
// and go once they fall faster than 200; debris starts half way to its
// offset and leaves the source by a sixty-fourth of it.
TEST_F(ParticlesTest, SparksAndDebrisFlyFallAndGo)
{
    DebrisHandler(nullptr, kMsgLoad);
    Entity source;
    source.velocity[0] = 100;
    source.velocity[1] = 40;
    source.velocity[2] = -60;
    source.orientation.t[0] = kWestStreetX;
    source.orientation.t[1] = -1000;
    source.orientation.t[2] = kWestStreetZ;
    const int32_t point[3] = {kWestStreetX + 10, -1100, kWestStreetZ - 20};
    for (int i = 0; i < 20; ++i)
        ThrowSpark(&source, point);
    const std::vector<Entity*> sparks = Effects(nullptr, DebrisStep);
    ASSERT_EQ(20u, sparks.size());
    for (const Entity* s : sparks)
    {
        EXPECT_LT(s - g_entityWorld.pool, 100) << "sparks come from the debris region";
        EXPECT_EQ(point[0], s->X());
        EXPECT_EQ(point[1], s->Y());
        EXPECT_NEAR(50, s->velocity[0], 50);
        EXPECT_NEAR(-30, s->velocity[2], 50);
        EXPECT_LE(s->velocity[1], -15);
        EXPECT_GE(s->velocity[1], -15 - 64);
        for (int32_t spin : s->spin)
        {
            EXPECT_GE(spin, 0);
            EXPECT_LE(spin, 2047);
        }
        EXPECT_NE(nullptr, s->model);
    }
    // Each goes on the sweep after its fall passed 200.
    Entity* s = sparks[0];
    const int32_t vy = s->velocity[1];
    int steps = 0;
    while (s->update != nullptr && steps < 200)
    {
        DebrisStep(s);
        ++steps;
    }
    int expected = 1;
    for (int32_t v = vy; v <= 200; v += 5)
        ++expected;
    EXPECT_EQ(expected, steps);

    ResetAllEntities();
    const int32_t offset[3] = {640, 0, -1280};
    ThrowDebris(&source, offset);
    ASSERT_EQ(1u, CountUpdates(DebrisStep));
    const Entity* piece = Effects(nullptr, DebrisStep)[0];
    EXPECT_EQ(source.X() + 320, piece->X());
    EXPECT_EQ(source.Z() - 640, piece->Z());
    EXPECT_NEAR(50 - 10, piece->velocity[0], 64);
    EXPECT_NEAR(-30 + 20, piece->velocity[2], 64);
    EXPECT_LE(piece->velocity[1], 20 - 15);
}

// Two cars closing head-on throw a tenth of the closing answer in sparks at
// the contact; the player's car running into a wall throws nine.
TEST_F(ParticlesTest, HitsThrowSparks)
{
    DebrisHandler(nullptr, kMsgLoad);
    EntityType type;
    type.minX = type.minY = type.minZ = -200;
    type.maxX = type.maxY = type.maxZ = 200;
    type.radius = 200 * 32;
    type.mass = 10;
    auto place = [&](Entity& e, int32_t z, int32_t vz) {
        e.type = &type;
        e.orientation.t[0] = kWestStreetX;
        e.orientation.t[2] = z;
        e.velocity[2] = vz;
        e.speed = std::abs(vz);
    };
    Entity a, b, a2, b2;
    place(a, kWestStreetZ, 300);
    place(b, kWestStreetZ + 350, -300);
    place(a2, kWestStreetZ, 300);
    place(b2, kWestStreetZ + 350, -300);
    int32_t contact[3];
    ASSERT_TRUE(BoxesTouch(&a2, &b2, contact));
    contact[1] = a2.Y();
    const int32_t d = ResolveCarHit(&b2, &a2, 0, contact);
    ASSERT_GE(d, 10);
    ASSERT_TRUE(CarHitsCar(&a, &b, 0));
    EXPECT_EQ(static_cast<size_t>(d / 10), CountUpdates(DebrisStep));
    for (const Entity* s : Effects(nullptr, DebrisStep))
        EXPECT_EQ(a.Y(), s->Y());
}

// ApplySpin turns the rows by the spin and keeps them unit length and at
// right angles; AlignToVelocity points row 0 against the velocity and leaves
// a standing entity as it was.
TEST_F(ParticlesTest, SpinAndVelocityTurnTheRows)
{
    Entity e;
    ApplySpin(&e);
    EXPECT_EQ(16384, e.orientation.m[0]);
    EXPECT_EQ(16384, e.orientation.m[4]);
    e.spin[1] = 400; // about y: x turns toward -z or +z
    for (int i = 0; i < 4; ++i)
        ApplySpin(&e);
    const Vector4s r0 = e.orientation.GetRow(0);
    const Vector4s r2 = e.orientation.GetRow(2);
    EXPECT_NE(0, r0.z);
    EXPECT_NEAR(16384, std::sqrt(double(r0.x) * r0.x + double(r0.z) * r0.z), 200);
    EXPECT_NEAR(0, int32_t{r0.x} * r2.x + int32_t{r0.z} * r2.z, 16384 * 200);
    EXPECT_EQ(0, r0.y);

    Entity still;
    const Orientation before = still.orientation;
    AlignToVelocity(&still);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(before.m[k], still.orientation.m[k]);
    Entity moving;
    moving.velocity[2] = 120;
    AlignToVelocity(&moving);
    const Vector4s row0 = moving.orientation.GetRow(0);
    EXPECT_EQ(0, row0.x);
    EXPECT_EQ(0, row0.y);
    EXPECT_NEAR(-16384, row0.z, 2);
    const Vector4s row1 = moving.orientation.GetRow(1);
    EXPECT_NEAR(16384, std::abs(row1.y), 2) << "row 1 stands up";
}

} // namespace
