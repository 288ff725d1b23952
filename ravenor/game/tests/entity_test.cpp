// entity_test.cpp -- the pool's regions, the sweep, the active list and FrameScale
#include <gtest/gtest.h>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/vehicle_state.h"

namespace {

void NoopRun(Entity*) {}

// Every record free, then the given slots taken
void Occupy(std::initializer_list<int> slots)
{
    ResetAllEntities();
    for (int slot : slots)
        g_entityWorld.pool[slot].update = NoopRun;
}

int SlotOf(const Entity* e)
{
    return e == nullptr ? -1 : static_cast<int>(e - g_entityWorld.pool);
}

} // namespace

TEST(EntityPool, AllocatorsSearchTheirRegions)
{
    Occupy({});
    EXPECT_EQ(0, SlotOf(AllocEntity()));
    EXPECT_EQ(129, SlotOf(AllocEffect()));
    EXPECT_EQ(99, SlotOf(AllocDebris()));
    EXPECT_EQ(129, SlotOf(AllocAny()));
    // The allocator resets the record it returns.
    g_entityWorld.pool[0].speed = 77;
    g_entityWorld.pool[0].type = nullptr;
    Entity* e = AllocEntity();
    EXPECT_EQ(0, e->speed);
    EXPECT_EQ(&EmptyType, e->type);
}

TEST(EntityPool, FullRegionsAnswerNone)
{
    ResetAllEntities();
    for (int slot = 0; slot < 130; ++slot)
        g_entityWorld.pool[slot].update = NoopRun;
    EXPECT_EQ(nullptr, AllocEffect());
    EXPECT_EQ(nullptr, AllocDebris());
    // AllocAny goes on from 199 down, slot 130 last
    for (int expected = 199; expected >= 130; --expected)
    {
        Entity* e = AllocAny();
        ASSERT_EQ(expected, SlotOf(e));
        e->update = NoopRun;
    }
    EXPECT_EQ(nullptr, AllocAny());
    EXPECT_EQ(nullptr, AllocEntity());
    EXPECT_EQ(nullptr, AllocEntityLogged());
    // Nothing was overwritten
    for (const Entity& record : g_entityWorld.pool)
        EXPECT_EQ(&NoopRun, record.update);
}

namespace {

int g_visits[kEntityCount];

void FreeItself(Entity* e)
{
    ++g_visits[e - g_entityWorld.pool];
    e->update = nullptr;
}

void AllocatesOne(Entity* e)
{
    ++g_visits[e - g_entityWorld.pool];
    Entity* made = AllocEntity();
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(3, SlotOf(made));   // freed earlier in the same sweep
    made->update = NoopRun;
}

} // namespace

TEST(EntityPool, SweepVisitsInSlotOrderAndSeesRecordsFreedOnTheWay)
{
    ResetAllEntities();
    for (int& v : g_visits)
        v = 0;
    for (int slot = 0; slot < 3; ++slot)
        g_entityWorld.pool[slot].update = NoopRun;
    g_entityWorld.pool[3].update = FreeItself;
    g_entityWorld.pool[10].update = AllocatesOne;
    SweepEntities();
    EXPECT_EQ(1, g_visits[3]);
    EXPECT_EQ(1, g_visits[10]);
    EXPECT_EQ(&NoopRun, g_entityWorld.pool[3].update);
}

TEST(EntityPool, ActiveList)
{
    ResetAllEntities();
    Entity* a = &g_entityWorld.pool[1];
    Entity* b = &g_entityWorld.pool[2];
    Entity* c = &g_entityWorld.pool[3];
    PushActive(a);
    PushActive(b);
    PushActive(c);   // c, b, a
    ASSERT_EQ(3, g_entityWorld.activeCount);
    // Not in the list: nothing changes
    UnlinkActive(&g_entityWorld.pool[50]);
    EXPECT_EQ(3, g_entityWorld.activeCount);
    // The last one
    UnlinkActive(a);
    EXPECT_EQ(c, g_entityWorld.activeHead);
    EXPECT_EQ(nullptr, b->next);
    EXPECT_EQ(2, g_entityWorld.activeCount);
    // Pushed twice: still once in the list
    PushActive(b);
    EXPECT_EQ(b, g_entityWorld.activeHead);
    EXPECT_EQ(c, b->next);
    EXPECT_EQ(nullptr, c->next);
    EXPECT_EQ(2, g_entityWorld.activeCount);
    // An inert record leaves the list
    MakeInert(b);
    EXPECT_EQ(c, g_entityWorld.activeHead);
    EXPECT_EQ(1, g_entityWorld.activeCount);
    // The head
    UnlinkActive(c);
    EXPECT_EQ(nullptr, g_entityWorld.activeHead);
    EXPECT_EQ(0, g_entityWorld.activeCount);
}

TEST(EntityPool, ResetsLeaveNoStaleBehaviourOrVehicle)
{
    ResetAllEntities();
    auto* stale = reinterpret_cast<Behaviour*>(&g_visits[0]);
    g_entityWorld.pool[5].behaviour = stale;
    g_entityWorld.pool[5].vehicle = reinterpret_cast<VehicleState*>(&g_visits[1]);
    g_entityWorld.pool[5].classNumber = 55;
    ResetAllEntities();
    EXPECT_EQ(nullptr, g_entityWorld.pool[5].behaviour);
    EXPECT_EQ(nullptr, g_entityWorld.pool[5].vehicle);
    // Within a stage a plain reset keeps them; effects never carry one.
    g_entityWorld.pool[129].behaviour = stale;
    ResetEntity(&g_entityWorld.pool[129]);
    EXPECT_EQ(stale, g_entityWorld.pool[129].behaviour);
    EXPECT_EQ(nullptr, AllocEffect()->behaviour);
}

TEST(EntityPool, FrameScale)
{
    struct Case
    {
        int32_t f, a, expected;
    };
    for (const Case& c : {Case{256, 0, 0}, Case{256, 10, 10}, Case{511, 10, 20}, Case{511, -10, -20},
                          Case{511, 0, 0}, Case{300, 1, 1}, Case{384, 3, 4}})
    {
        g_speedFactor = c.f;
        EXPECT_EQ(c.expected, FrameScale(c.a)) << "F " << c.f << " a " << c.a;
    }
    g_speedFactor = 256;
}

TEST(EntityPool, DistancesDivideBeforeSquaring)
{
    Entity a;
    Entity b;
    a.orientation.t[0] = 4000;
    a.orientation.t[2] = 31;
    b.orientation.t[1] = 64;
    EXPECT_EQ(125 * 125, PlanarDistance2(&a, &b));
    EXPECT_EQ(125 * 125 + 4, Distance2(&a, &b));
}
