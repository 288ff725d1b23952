// collision_test.cpp -- box touches, slab clipping and the responses as a
// table of cases
#include <gtest/gtest.h>

#include <set>

#include <cstdlib>

#include "os/testing/sound.h"
#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/effects/crashes.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"

namespace {

EntityType Box(int32_t half, int32_t mass)
{
    EntityType t;
    t.minX = t.minY = t.minZ = -half;
    t.maxX = t.maxY = t.maxZ = half;
    t.radius = half * 32;   // the bounding test takes radius / 16 against distance / 32
    t.mass = mass;
    return t;
}

Entity At(const EntityType* type, int32_t x, int32_t z, int32_t vx = 0, int32_t vz = 0)
{
    Entity e;
    e.type = type;
    e.orientation.t[0] = x;
    e.orientation.t[2] = z;
    e.velocity[0] = vx;
    e.velocity[2] = vz;
    return e;
}

class CollisionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        BuildTrigTables();
        g_entityWorld.player = nullptr;
        ResetCollisionState();
        ResetCrashSounds();
    }
};

TEST_F(CollisionTest, SlabClipReportsStartExitOrNothing)
{
    const int32_t lo[3] = {-100, -100, -100};
    const int32_t hi[3] = {100, 100, 100};
    struct
    {
        int32_t p0[3], p1[3];
        bool hit;
        int32_t out[3];
    } cases[] = {
        {{-10, 0, 0}, {10, 0, 0}, true, {-10, 0, 0}},      // inside from start to end: the start
        {{0, 0, 0}, {300, 0, 0}, true, {100, 0, 0}},       // leaves: the exit point
        {{-300, 0, 0}, {-200, 0, 0}, false, {}},           // short of the box
        {{-300, 150, 0}, {300, 150, 0}, false, {}},        // passes above
        {{-300, 0, 0}, {-50, 0, 0}, true, {-100, 0, 0}},   // enters and stops inside: the entry
    };
    for (const auto& c : cases)
    {
        int32_t out[3] = {};
        ASSERT_EQ(c.hit, SlabClip(c.p0, c.p1, lo, hi, out)) << c.p0[0] << "," << c.p1[0];
        if (c.hit)
        {
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(c.out[k], out[k]) << c.p0[0] << " axis " << k;
        }
    }
}

TEST_F(CollisionTest, BoxesTouchByCornersAndByEdgesOnly)
{
    const EntityType a = Box(100, 1);
    // A corner of the second box inside the first
    Entity e1 = At(&a, 0, 0);
    Entity e2 = At(&a, 150, 150);
    e2.orientation.t[1] = 50;
    int32_t contact[3];
    EXPECT_TRUE(BoxesTouch(&e1, &e2, contact));
    EXPECT_EQ(50, contact[0]);
    EXPECT_EQ(-50, contact[1]);
    EXPECT_EQ(50, contact[2]);
    // The same box turned an eighth about y round the same centre (a little
    // lower): every corner lies outside the other box, the edges cross.
    Entity e3 = At(&a, 0, 0);
    Entity e4 = At(&a, 0, 0);
    e4.orientation.SetRotationY(256);
    e4.orientation.t[1] = 50;
    int32_t corner[8][3];
    for (int i = 0; i < 8; ++i)
    {
        const int32_t local[3] = {(i & 1) ? 100 : -100, (i & 2) ? 100 : -100, (i & 4) ? 100 : -100};
        int32_t world[3];
        RotateToWorld(&e4.orientation, local, world);
        world[1] += 50;
        for (int k = 0; k < 3; ++k)
            corner[i][k] = world[k];
        const bool inside = std::abs(corner[i][0]) < 100 && std::abs(corner[i][1]) < 100 && std::abs(corner[i][2]) < 100;
        ASSERT_FALSE(inside) << "corner " << i << ": " << corner[i][0] << "," << corner[i][1] << "," << corner[i][2];
    }
    EXPECT_TRUE(BoxesTouch(&e3, &e4, contact));
    // Apart, and the null entity
    Entity far = At(&a, 5000, 0);
    EXPECT_FALSE(BoxesTouch(&e1, &far, contact));
    EXPECT_FALSE(BoxesTouch(&e1, nullptr, contact));
}

// The responses: a hitter into a body along x
TEST_F(CollisionTest, ResponsesAsATableOfCases)
{
    const EntityType car = Box(200, 8);
    const EntityType prop = Box(100, 1);
    const EntityType massless = Box(100, 0);
    struct Case
    {
        const char* name;
        const EntityType* ta;
        const EntityType* tb;
        int32_t bx, bz;      // b's place (a at the origin)
        int32_t va[2], vb[2];
        int32_t closing;     // what ResolveCarHit answers
        bool bChanges;
    } cases[] = {
        {"head-on", &car, &car, 300, 0, {40, 0}, {-40, 0}, 80, true},
        {"side", &car, &car, 0, 300, {0, 50}, {30, 0}, 50, true},
        {"car into prop", &car, &prop, 250, 0, {60, 0}, {0, 0}, 60, true},
        {"moving apart", &car, &car, 300, 0, {-10, 0}, {10, 0}, -20, false},
        {"zero mass", &massless, &massless, 150, 0, {60, 0}, {0, 0}, 0, false},
    };
    for (const Case& c : cases)
    {
        Entity a = At(c.ta, 0, 0, c.va[0], c.va[1]);
        Entity b = At(c.tb, c.bx, c.bz, c.vb[0], c.vb[1]);
        const int32_t contact[3] = {c.bx / 2, 0, c.bz / 2};
        const int32_t before[3] = {b.velocity[0], b.velocity[1], b.velocity[2]};
        EXPECT_EQ(c.closing, ResolveCarHit(&a, &b, 0, contact)) << c.name;
        const bool changed =
            b.velocity[0] != before[0] || b.velocity[1] != before[1] || b.velocity[2] != before[2];
        EXPECT_EQ(c.bChanges, changed) << c.name;
        if (!c.bChanges)
            continue;
        // b now moves away from a along the line between them
        const int64_t along = int64_t{b.velocity[0]} * c.bx + int64_t{b.velocity[2]} * c.bz;
        EXPECT_GT(along, 0) << c.name;
    }
    // Equal cars head-on: the hit car takes the hitter's speed (and a little more)
    Entity a = At(&car, 0, 0, 40, 0);
    Entity b = At(&car, 300, 0, -40, 0);
    const int32_t contact[3] = {150, 0, 0};
    ResolveCarHit(&a, &b, 0, contact);
    EXPECT_EQ(0 + (8 * 80 * 500 / 16) / 4096, b.velocity[0]);
    // A light prop flies off faster than a heavy car
    Entity c1 = At(&car, 0, 0, 60, 0);
    Entity p = At(&prop, 250, 0);
    ResolveCarHit(&c1, &p, 0, contact);
    Entity c2 = At(&car, 0, 0, 60, 0);
    Entity heavy = At(&car, 300, 0);
    ResolveCarHit(&c2, &heavy, 0, contact);
    EXPECT_GT(p.velocity[0], heavy.velocity[0]);
    // The player's hit of a massless pair changes nothing either
    Entity m1 = At(&massless, 0, 0, 60, 0);
    Entity m2 = At(&massless, 150, 0);
    EXPECT_EQ(0, ResolvePlayerHit(&m1, &m2, contact));
    EXPECT_EQ(0, m2.velocity[0]);
}

TEST_F(CollisionTest, SpinImpulseOnlyFromAFasterHitter)
{
    const EntityType car = Box(200, 8);
    Entity a = At(&car, 0, 0, 0, 50);
    Entity b = At(&car, 300, 300);
    a.speed = 50;
    b.speed = 50;
    SpinImpulse(&a, &b);
    EXPECT_EQ(0, b.yawRate);
    b.speed = 10;
    SpinImpulse(&a, &b);
    EXPECT_EQ(40 * 8 * 3000 / 16 / 2048, b.yawRate);
}

TEST_F(CollisionTest, InsideTriggerReachesIntoTheBox)
{
    const EntityType gate = Box(500, 1);
    EntityType car = Box(100, 8);
    car.radius = 200;
    Entity g = At(&gate, 0, 0);
    for (auto [z, inside] : {std::pair{0, true}, {550, true}, {700, false}, {-700, false}})
    {
        Entity c = At(&car, 0, z);
        EXPECT_EQ(inside, InsideTrigger(&c, &g)) << z;
    }
}

// The light crash and the wall crash each at most once per 969 ms, timed
// apart from each other
TEST_F(CollisionTest, CrashSoundsAtMostOncePer969Ms)
{
    os::sound::test::reset_spy();
    ResetSoundState();
    ResetCollisionState();
    ResetCrashSounds();
    for (auto& slot : {kSoundCollision1, kSoundCollision2, kSoundWall1, kSoundWall2, kSoundWall3})
    {
        g_sound.slots[slot].data.assign(100, 0);
        g_sound.slots[slot].format.wFormatTag = 1;
        g_sound.slots[slot].format.nChannels = 1;
        g_sound.slots[slot].format.nSamplesPerSec = 11025;
        g_sound.slots[slot].format.nAvgBytesPerSec = 22050;
        g_sound.slots[slot].format.nBlockAlign = 2;
        g_sound.slots[slot].format.wBitsPerSample = 16;
    }
    const size_t before = os::sound::test::devices().size();
    CrashSoundLight();
    CrashSoundLight();
    EXPECT_EQ(before + 1, os::sound::test::devices().size());
    CrashSoundWall();
    CrashSoundWall();
    EXPECT_EQ(before + 2, os::sound::test::devices().size()) << "the wall's own time";
    Sleep(1000);
    CrashSoundLight();
    CrashSoundWall();
    EXPECT_EQ(before + 4, os::sound::test::devices().size());
    // Each at a random rate of 10000 + 0..4095 Hz: over a few plays the
    // rates differ, and none is the wave's own 11025
    std::set<DWORD> rates;
    for (int i = 0; i < 6; ++i)
    {
        Sleep(1000);
        CrashSoundLight();
        CrashSoundWall();
    }
    const auto devices = os::sound::test::devices();
    for (size_t d = before; d < devices.size(); ++d)
    {
        const DWORD rate = devices[d].format.nSamplesPerSec;
        EXPECT_GE(rate, 10000u);
        EXPECT_LT(rate, 10000u + 4096u);
        rates.insert(rate);
    }
    EXPECT_EQ(0u, rates.count(11025));
    EXPECT_GT(rates.size(), 4u);
    ResetSoundState();
}

} // namespace
