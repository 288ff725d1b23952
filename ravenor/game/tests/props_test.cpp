// props_test.cpp -- the solid props and the effect classes: their loaders,
// answers, seating and touch tests
#include <gtest/gtest.h>

#include "os/testing/sound.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/classes/props.h"
#include "ravenor/game/effects/crashes.h"
#include "ravenor/game/effects/effect_classes.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/level.h"
#include "ravenor/game/world/path_objects.h"
#include "ravenor/game/world/world_draw.h"
#include "stage_fixture.h"

namespace {

class PropsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        StartProgram();
        ResetAllEntities();
        g_entityWorld.player = nullptr;
    }
    void TearDown() override
    {
        ResetAllEntities();
        g_entityWorld.player = nullptr;
    }
};

// Masses, crash sounds, the loose time and mesh count in their own words,
// the emitter slots, and the glow models loaded with the lamppost and the
// roadblock; every prop answers 'E' 4, the box alone '8' 0.
TEST_F(PropsTest, LoadersFillTheirTypes)
{
    struct Row
    {
        int32_t c;
        int32_t mass, crashSound, meshCount, drop;
        const char* slots; // kinds of the four slots
    };
    const Row rows[] = {
        {26, 1, 5, 1, 0, "\0\0\0\0"},  {27, 1, 9, 1, 1, "\0\0\0\0"}, {28, 4, 5, 2, 1, "SS\0\0"},
        {29, 10, 10, 1, 1, "H\0\0\0"}, {49, 1, 0, 1, 1, "\0\0\0\0"},
    };
    for (const Row& r : rows)
    {
        ASSERT_EQ(1, SendClassMessage(r.c, nullptr, kMsgLoad));
        const EntityType* t = PropClassType(r.c);
        ASSERT_NE(nullptr, t);
        EXPECT_EQ(r.mass, t->mass) << r.c;
        EXPECT_EQ(r.crashSound, t->crashSound) << r.c;
        EXPECT_EQ(132, t->looseLifetime) << r.c;
        EXPECT_EQ(r.meshCount, t->meshCount) << r.c;
        EXPECT_GT(t->radius, 0) << r.c << ": the box from the first mesh";
        EXPECT_EQ(4, SendClassMessage(r.c, nullptr, kMsgKind)) << r.c;
        EXPECT_EQ(r.drop, SendClassMessage(r.c, nullptr, kMsgDropQuery)) << r.c;
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(uint8_t(r.slots[s]), t->attachment[s].kind) << r.c << " slot " << s;
    }
    const EntityType* lamp = PropClassType(29);
    const AttachmentSlot& held = lamp->attachment[0];
    EXPECT_EQ(GlowHandler, held.create);
    EXPECT_EQ(99, held.mode);
    EXPECT_EQ(400, held.offset[0]);
    EXPECT_EQ(-1400, held.offset[1]);
    EXPECT_EQ(20, held.periods[0]);
    EXPECT_EQ(5, held.periods[1]);
    EXPECT_EQ(4000000, held.distanceLimit);
    EXPECT_EQ(0, held.window);
    const EntityType* block = PropClassType(28);
    for (int s = 0; s < 2; ++s)
    {
        const AttachmentSlot& timed = block->attachment[s];
        EXPECT_EQ(YellowGlowHandler, timed.create);
        EXPECT_EQ(s == 0 ? 300 : -300, timed.offset[0]);
        EXPECT_EQ(-370, timed.offset[1]);
        EXPECT_EQ(s == 0 ? 0 : 255, timed.first);
        EXPECT_EQ(5, timed.periods[0]);
        EXPECT_EQ(5, timed.periods[1]);
    }
    // The glows' models came with their carriers.
    Entity glow;
    GlowHandler(&glow, kMsgCreate);
    EXPECT_NE(nullptr, glow.model);
    Entity yellow;
    YellowGlowHandler(&yellow, kMsgCreate);
    EXPECT_NE(nullptr, yellow.model);
}

// The effect classes: 'E' 1, '8' 0 but for debris (1), mass 1; '.' before
// '/' leaves the entity without a model and with the empty type.
TEST_F(PropsTest, EffectClassesAnswerAndDress)
{
    using Handler = int32_t (*)(Entity*, int32_t);
    const struct
    {
        Handler handler;
        int32_t drop;
    } rows[] = {{BrakeLightHandler, 0}, {ReverseLightHandler, 0}, {GlowHandler, 0},  {YellowGlowHandler, 0},
                {TyreSmokeHandler, 0},  {SkidMarkHandler, 0},     {DebrisHandler, 1}};
    for (const auto& r : rows)
    {
        Entity early;
        r.handler(&early, kMsgCreate);
        EXPECT_EQ(nullptr, early.model);
        EXPECT_EQ(&EmptyType, early.type);
        EXPECT_EQ(1, r.handler(nullptr, kMsgKind));
        EXPECT_EQ(r.drop, r.handler(nullptr, kMsgDropQuery));
        EXPECT_EQ(1, r.handler(nullptr, kMsgLoad));
        Entity e;
        r.handler(&e, kMsgCreate);
        ASSERT_NE(nullptr, e.model);
        EXPECT_EQ(1, e.type->mass);
        Entity* pooled = AllocEntity();
        pooled->update = IdleUpdate;
        EXPECT_EQ(1, r.handler(pooled, kMsgRemove));
        EXPECT_EQ(nullptr, pooled->update);
    }
}

// A prop standing 300 above the street, seen, with a record
Entity* LiftedProp(int32_t c, Behaviour* node)
{
    SendClassMessage(c, nullptr, kMsgLoad);
    Entity* e = AllocEntity();
    e->classNumber = c;
    e->behaviour = node;
    e->update = IdleUpdate;
    e->orientation.t[0] = kWestStreetX;
    e->orientation.t[2] = kWestStreetZ;
    SendClassMessage(c, e, kMsgCreate);
    e->orientation.t[1] = ProbeGround(kWestStreetX, kWestStreetZ).height - e->type->maxY - 300;
    e->visible = 1;
    return e;
}

// A prop is seated on its first seen frame only (the cone tilts onto the
// ground, the lamppost stands level on it); the box is aligned to its
// velocity, which leaves a box at rest where it is.
TEST_F(PropsTest, SeatedOnlyOnTheFirstSeenFrame)
{
    Behaviour node;
    node.behaviourNumber = 3;
    for (int32_t c : {27, 28, 29, 49})
    {
        Entity* e = LiftedProp(c, &node);
        const int32_t lifted = e->Y();
        SendClassMessage(c, e, kMsgVisibleStep);
        EXPECT_EQ(lifted + 300, e->Y()) << c << ": on the ground";
        EXPECT_EQ(1, e->stuckTimer) << c;
        e->orientation.t[1] = lifted;
        SendClassMessage(c, e, kMsgVisibleStep);
        EXPECT_EQ(lifted, e->Y()) << c << ": not seated again";
        MakeInert(e);
    }
    Entity* box = LiftedProp(26, &node);
    const int32_t lifted = box->Y();
    SendClassMessage(26, box, kMsgVisibleStep);
    EXPECT_EQ(lifted, box->Y());
    EXPECT_EQ(1, box->stuckTimer);
}

// The touch test by the visible step: the player's car driven into the prop
// knocks it loose (a roadblock, of two meshes, breaks) and plays its crash
// sound. A seen prop whose record is behaviour 13 is neither seated nor
// touch-tested; an unseen one is always touch-tested.
TEST_F(PropsTest, TouchTestedButWhileSeenUnderBehaviour13)
{
    MountDemoArchive();
    ResetSoundState();
    LoadSounds();
    ResetCollisionState();
    ResetCrashSounds();
    Behaviour held;
    held.behaviourNumber = 13;
    Behaviour standing;
    standing.behaviourNumber = 3;
    EntityType carType;
    carType.minX = carType.minZ = -250;
    carType.maxX = carType.maxZ = 250;
    carType.minY = -300;
    carType.maxY = 300;
    carType.radius = 600;
    carType.mass = 8;
    struct Case
    {
        int32_t c;
        Behaviour* node;
        bool visible;
        bool touched;
        int sound; // the slot the touch plays
    };
    const Case cases[] = {
        {27, &held, true, false, 0},
        {27, &held, false, true, kSoundCone},
        {27, &standing, true, true, kSoundCone},
        {29, &standing, false, true, kSoundLamppost},
        {28, &standing, true, true, kSoundWall2},
    };
    for (const Case& k : cases)
    {
        ResetAllEntities();
        ResetCollisionState();
        ResetCrashSounds();
        Entity* prop = LiftedProp(k.c, k.node);
        prop->orientation.t[1] += 300;
        prop->stuckTimer = 1; // already seated
        prop->visible = k.visible ? 1 : 0;
        Entity* car = AllocEntity();
        car->update = IdleUpdate;
        car->type = &carType;
        car->orientation.t[0] = prop->X();
        car->orientation.t[1] = prop->Y();
        car->orientation.t[2] = prop->Z() - 200;
        car->velocity[2] = 120;
        car->speed = 120;
        g_entityWorld.player = car;
        os::sound::test::reset_spy();
        const int32_t y = prop->Y();
        SendClassMessage(k.c, prop, kMsgVisibleStep);
        const std::string what = std::to_string(k.c) + (k.visible ? " seen" : " unseen");
        EXPECT_EQ(y, prop->Y()) << what;
        if (!k.touched)
        {
            EXPECT_EQ(IdleUpdate, prop->update) << what;
            EXPECT_TRUE(os::sound::test::devices().empty()) << what;
            continue;
        }
        if (PropClassType(k.c)->meshCount > 1)
        {
            EXPECT_EQ(nullptr, prop->update) << what << ": broken";
        }
        else
        {
            EXPECT_NE(IdleUpdate, prop->update) << what << ": knocked loose";
        }
        ASSERT_FALSE(os::sound::test::devices().empty()) << what;
        const int32_t volume = g_sound.slots[k.sound].baseVolume * EffectsMaster();
        EXPECT_EQ(DWORD(std::min(volume, 0xFFFF)) * 0x10001u, os::sound::test::devices().back().volume) << what;
    }
    ResetSoundState();
}

// The roadblock remembers the frame it was made on (its lights' phase).
TEST_F(PropsTest, RoadblockTakesTheFrameCounterAsItsAge)
{
    g_shell.frameCounter = 77;
    Entity* block = LiftedProp(28, nullptr);
    EXPECT_EQ(77, block->age);
    Entity* cone = LiftedProp(27, nullptr);
    EXPECT_EQ(0, cone->age);
}

} // namespace

namespace {

bool RowsEqual(const Orientation& a, const Orientation& b)
{
    for (int k = 0; k < 9; ++k)
        if (a.m[k] != b.m[k])
            return false;
    return true;
}

} // namespace

// The effect classes' visible step: seen with a record other than 13, a
// glow turns to the camera, a streak along its velocity, debris tilts onto
// the ground; held by 13 it is left as it is; unseen it is rebuilt from its
// heading (debris stands upright). Props and effects start with the object
// update.
TEST_F(PropsTest, EffectVisibleStepAndStart)
{
    g_cameras.view.orientation.SetRotationY(300);
    Behaviour free;
    free.behaviourNumber = 3;
    Behaviour held;
    held.behaviourNumber = 13;
    GlowHandler(nullptr, kMsgLoad);
    Entity glow;
    glow.behaviour = &free;
    glow.visible = 1;
    GlowHandler(&glow, kMsgVisibleStep);
    Entity facing;
    FaceCamera(&facing);
    EXPECT_TRUE(RowsEqual(facing.orientation, glow.orientation)) << "turned to the camera";
    Entity heldGlow;
    heldGlow.behaviour = &held;
    heldGlow.visible = 1;
    GlowHandler(&heldGlow, kMsgVisibleStep);
    EXPECT_TRUE(RowsEqual(Orientation{}, heldGlow.orientation)) << "held where it is";
    Entity unseen;
    unseen.heading = 512;
    unseen.behaviour = &free;
    GlowHandler(&unseen, kMsgVisibleStep);
    Entity rebuilt;
    rebuilt.heading = 512;
    BuildGroundRotation(&rebuilt);
    EXPECT_TRUE(RowsEqual(rebuilt.orientation, unseen.orientation)) << "rebuilt from its heading";
    Entity streak;
    streak.behaviour = &free;
    streak.visible = 1;
    streak.velocity[0] = 50;
    SkidMarkHandler(&streak, kMsgVisibleStep);
    EXPECT_NEAR(-16384, streak.orientation.GetRow(0).x, 2) << "along its velocity";

    Entity* prop = LiftedProp(27, nullptr);
    EXPECT_EQ(1, SendClassMessage(27, prop, kMsgStart));
    EXPECT_EQ(ObjectUpdate, prop->update);
    Entity effect;
    EXPECT_EQ(1, DebrisHandler(&effect, kMsgStart));
    EXPECT_EQ(ObjectUpdate, effect.update);
}
